// The message area: short success notes and errors, newest first, each dismissible.

import { el } from './dom.js';

const MAX_NOTICES = 6;

export class Notices {
  constructor() {
    this.element = el('section', { class: 'notices', 'aria-live': 'polite', 'aria-label': 'Messages' });
  }

  info(text) {
    this.add(text, 'info');
  }

  error(text) {
    this.add(text, 'error');
  }

  outcome({ ok, text }) {
    this.add(text, ok ? 'info' : 'error');
  }

  add(text, kind) {
    const notice = el('div', { class: `notice ${kind}`, role: kind === 'error' ? 'alert' : 'status' },
      el('span', { class: 'notice-text' }, text),
      el('button', { type: 'button', class: 'icon', 'aria-label': 'Dismiss message', on: { click: () => notice.remove() } }, '×'));
    this.element.prepend(notice);
    while (this.element.children.length > MAX_NOTICES) this.element.lastElementChild.remove();
  }

  clear() {
    this.element.replaceChildren();
  }
}
