// The client's top level: reads the configuration, asks for the password if needed, shows the views.

import { getConfiguration } from '../net/commandClient.js';
import { el, replaceChildren } from './dom.js';
import { FileView } from './fileView.js';
import { LoginView } from './loginView.js';
import { Notices } from './notices.js';
import { describeError } from './outcomes.js';
import { ScreenView } from './screenView.js';
import { Transfers } from './transfers.js';

export class App {
  constructor(root, status) {
    this.root = root;
    this.status = status;
    this.notices = new Notices();
  }

  async start() {
    this.status.textContent = 'Connecting…';
    replaceChildren(this.root, this.notices.element);
    let configuration;
    try {
      configuration = await getConfiguration();
    } catch (error) {
      this.showUnreachable(error);
      return;
    }
    if (configuration.usePass) this.showLogin(configuration);
    else this.showFiles(configuration);
  }

  showUnreachable(error) {
    this.status.textContent = 'Not connected';
    const retry = el('button', { type: 'button', class: 'primary', on: { click: () => this.start() } }, 'Try again');
    replaceChildren(this.root, el('section', { class: 'problem-view', role: 'alert' },
      el('h2', {}, 'Cannot talk to the handheld'), el('p', {}, describeError(error)), retry));
    retry.focus();
  }

  showLogin(configuration) {
    this.status.textContent = 'Password required';
    const login = new LoginView({ onAccepted: () => this.showFiles(configuration) });
    replaceChildren(this.root, this.notices.element, login.element);
    login.focus();
  }

  showFiles(configuration) {
    this.status.textContent = 'Connected';
    const files = new FileView({
      initialPath: configuration.pocketPcInitPath,
      notices: this.notices,
      transfers: new Transfers(),
      onOpenScreen: () => {
        files.element.hidden = true;
        screen.open();
      },
    });
    const screen = new ScreenView({
      notices: this.notices,
      onClose: () => {
        files.element.hidden = false;
        files.refresh();
      },
    });
    replaceChildren(this.root, this.notices.element, files.element, screen.element);
    files.refresh();
  }
}
