// The password prompt shown when the handheld asks for one; only a right password opens the files.

import { checkPassword } from '../net/commandClient.js';
import { el } from './dom.js';
import { describeError } from './outcomes.js';

export class LoginView {
  constructor({ onAccepted }) {
    this.onAccepted = onAccepted;
    this.input = el('input', { type: 'password', id: 'password', name: 'password', autocomplete: 'current-password', required: true });
    this.problem = el('p', { class: 'login-problem', role: 'alert' });
    this.submit = el('button', { type: 'submit', class: 'primary' }, 'Open');
    this.element = el('section', { class: 'login-view', 'aria-label': 'Sign in' },
      el('form', { class: 'login-form', on: { submit: (event) => { event.preventDefault(); this.check(); } } },
        el('h2', {}, 'This handheld is protected by a password'),
        el('label', { for: 'password' }, 'Password'),
        this.input,
        this.problem,
        el('div', { class: 'dialog-buttons' }, this.submit)));
  }

  focus() {
    this.input.focus();
  }

  async check() {
    this.submit.disabled = true;
    this.problem.textContent = '';
    try {
      if (await checkPassword(this.input.value)) {
        this.onAccepted();
        return;
      }
      this.problem.textContent = 'Wrong password. Please try again.';
      this.input.select();
    } catch (error) {
      this.problem.textContent = describeError(error);
    } finally {
      this.submit.disabled = false;
      this.input.focus();
    }
  }
}
