// The transfer list: one row per download or upload, with a progress bar and its outcome.

import { el } from './dom.js';
import { humanSize } from './format.js';

export class Transfers {
  constructor() {
    this.list = el('ul', { class: 'transfer-list' });
    this.clearButton = el('button', { type: 'button', class: 'secondary small', on: { click: () => this.clearFinished() } }, 'Clear finished');
    this.element = el('section', { class: 'transfers', 'aria-label': 'Transfers', hidden: true },
      el('div', { class: 'transfers-head' }, el('h2', {}, 'Transfers'), this.clearButton),
      this.list);
  }

  // direction is 'Download' or 'Upload'; total is the number of bytes expected.
  add(direction, name, total) {
    const bar = el('progress', { max: Math.max(total, 1), value: 0, 'aria-label': `${direction} of ${name}` });
    const status = el('span', { class: 'transfer-status' }, 'Waiting');
    const row = el('li', { class: 'transfer' },
      el('span', { class: 'transfer-name' }, el('span', { class: 'transfer-direction' }, direction), ' ', name),
      bar, status);
    this.list.prepend(row);
    this.element.hidden = false;
    return {
      row,
      progress(done) {
        bar.value = total === 0 ? 1 : Math.min(done, total);
        status.textContent = `${humanSize(done)} of ${humanSize(total)}`;
      },
      finish(ok, text) {
        row.classList.add(ok ? 'done' : 'failed');
        if (ok) bar.value = bar.max;
        status.textContent = text;
      },
    };
  }

  clearFinished() {
    for (const row of [...this.list.children]) {
      if (row.classList.contains('done') || row.classList.contains('failed')) row.remove();
    }
    this.element.hidden = this.list.children.length === 0;
  }
}
