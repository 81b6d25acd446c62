// Modal dialogs for names and confirmations, keyboard-first (Enter confirms, Escape cancels).

import { el } from './dom.js';

function openDialog(build) {
  return new Promise((resolve) => {
    const dialog = el('dialog', { class: 'dialog' });
    let settled = false;
    const finish = (value) => {
      if (settled) return;
      settled = true;
      dialog.close();
      dialog.remove();
      resolve(value);
    };
    dialog.addEventListener('cancel', (event) => {
      event.preventDefault();
      finish(null);
    });
    build(dialog, finish);
    document.body.append(dialog);
    dialog.showModal();
  });
}

// Asks for one line of text. validate(text) returns an error sentence or null.
export function promptDialog({ title, label, value = '', okLabel = 'OK', validate = () => null }) {
  return openDialog((dialog, finish) => {
    const input = el('input', { type: 'text', name: 'value', autocomplete: 'off', spellcheck: 'false', required: true });
    input.value = value;
    const problem = el('p', { class: 'dialog-problem', role: 'alert' });
    const form = el('form', {
      on: {
        submit: (event) => {
          event.preventDefault();
          const text = input.value;
          const error = validate(text);
          if (error) {
            problem.textContent = error;
            input.focus();
            return;
          }
          finish(text);
        },
      },
    },
    el('h2', {}, title),
    el('label', {}, el('span', {}, label), input),
    problem,
    el('div', { class: 'dialog-buttons' },
      el('button', { type: 'button', class: 'secondary', on: { click: () => finish(null) } }, 'Cancel'),
      el('button', { type: 'submit', class: 'primary' }, okLabel)));
    dialog.append(form);
    queueMicrotask(() => {
      input.focus();
      const dot = value.lastIndexOf('.');
      input.setSelectionRange(0, dot > 0 ? dot : value.length);
    });
  });
}

// Asks to go ahead; lists the items concerned. Resolves true to go ahead. The safe button has focus.
export function confirmDialog({ title, message, items = [], okLabel = 'OK', danger = false }) {
  return openDialog((dialog, finish) => {
    const cancel = el('button', { type: 'button', class: 'secondary', on: { click: () => finish(false) } }, 'Cancel');
    dialog.append(
      el('h2', {}, title),
      el('p', {}, message),
      items.length ? el('ul', { class: 'dialog-items' }, items.map((item) => el('li', {}, item))) : null,
      el('div', { class: 'dialog-buttons' },
        cancel,
        el('button', { type: 'button', class: danger ? 'danger' : 'primary', on: { click: () => finish(true) } }, okLabel)),
    );
    dialog.addEventListener('close', () => finish(false));
    queueMicrotask(() => cancel.focus());
  });
}
