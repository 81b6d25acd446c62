// The file view: breadcrumbs, sortable listing, free space and every file command.

import * as client from '../net/commandClient.js';
import { el, replaceChildren } from './dom.js';
import { confirmDialog, promptDialog } from './dialogs.js';
import { humanSize, kindLabel, localDateTime } from './format.js';
import { sortEntries } from './sorting.js';
import { childPath, isPlainName, joinPath, resolveTarget, splitPath } from './paths.js';
import { createFolderOutcome, deleteOutcome, describeError, moveOutcome, uploadOutcome } from './outcomes.js';

const COLUMNS = [
  { key: 'name', label: 'Name' },
  { key: 'kind', label: 'Kind' },
  { key: 'size', label: 'Size' },
  { key: 'time', label: 'Last written' },
];

const DOWNLOADS_AT_ONCE = 2;

export class FileView {
  constructor({ initialPath, notices, transfers, onOpenScreen }) {
    this.segments = splitPath(initialPath);
    this.notices = notices;
    this.transfers = transfers;
    this.entries = [];
    this.selected = new Set();
    this.sort = { key: 'name', ascending: true };
    this.listingSerial = 0;
    this.build(onOpenScreen);
  }

  build(onOpenScreen) {
    this.fileInput = el('input', {
      type: 'file', multiple: true, class: 'visually-hidden', tabindex: '-1', 'aria-hidden': 'true',
      on: { change: () => { const files = [...this.fileInput.files]; this.fileInput.value = ''; this.uploadFiles(files); } },
    });
    const button = (label, action, extra = {}) => el('button', { type: 'button', ...extra, on: { click: action } }, label);
    this.downloadButton = button('Download', () => this.downloadSelected(), { title: 'Download the selected files' });
    this.renameButton = button('Rename or move…', () => this.renameSelected(), { title: 'Rename or move the selected item (F2)' });
    this.deleteButton = button('Delete…', () => this.deleteSelected(), { class: 'danger-outline', title: 'Delete the selected items (Delete)' });
    this.freeSpace = el('span', { class: 'free-space', 'aria-live': 'polite' });
    this.breadcrumbs = el('ol');
    this.selectAll = el('input', { type: 'checkbox', 'aria-label': 'Select all', on: { change: () => this.toggleAll() } });
    this.headRow = el('tr');
    this.body = el('tbody');
    this.caption = el('caption', { class: 'visually-hidden' });
    this.table = el('table', { class: 'listing' }, this.caption, el('thead', {}, this.headRow), this.body);
    this.dropHint = el('div', { class: 'drop-hint', 'aria-hidden': 'true' }, 'Drop files to upload them here');

    this.element = el('section', { class: 'file-view', 'aria-label': 'Files on the handheld', on: { keydown: (e) => this.onKey(e) } },
      el('div', { class: 'location-bar' },
        el('nav', { class: 'breadcrumbs', 'aria-label': 'Folder path' }, this.breadcrumbs),
        this.freeSpace,
        button('Remote screen', onOpenScreen, { class: 'accent' })),
      el('div', { class: 'toolbar', role: 'toolbar', 'aria-label': 'File commands' },
        button('Upload files…', () => this.fileInput.click(), { class: 'primary' }),
        button('New folder…', () => this.newFolder()),
        this.downloadButton, this.renameButton, this.deleteButton,
        el('span', { class: 'toolbar-gap' }),
        button('Refresh', () => this.refresh())),
      this.fileInput,
      el('div', { class: 'table-frame' }, this.table, this.dropHint),
      this.transfers.element);
    this.installDropZone();
    this.renderHead();
  }

  get path() {
    return joinPath(this.segments);
  }

  async refresh() {
    const serial = ++this.listingSerial;
    const path = this.path;
    this.renderBreadcrumbs();
    this.element.setAttribute('aria-busy', 'true');
    client.freeSpace(path).then(
      (bytes) => { if (serial === this.listingSerial) this.freeSpace.textContent = `${humanSize(bytes)} free`; },
      () => { if (serial === this.listingSerial) this.freeSpace.textContent = ''; });
    try {
      const { entries, truncated } = await client.listFolder(path);
      if (serial !== this.listingSerial) return;
      this.entries = entries;
      this.selected = new Set([...this.selected].filter((name) => entries.some((e) => e.name === name)));
      if (truncated) this.notices.error('The connection closed before the folder listing was complete; the list may miss entries.');
    } catch (error) {
      if (serial !== this.listingSerial) return;
      this.entries = [];
      this.selected.clear();
      this.notices.error(describeError(error));
    } finally {
      if (serial === this.listingSerial) this.element.removeAttribute('aria-busy');
    }
    this.renderBody();
  }

  openFolder(segments) {
    this.segments = segments;
    this.selected.clear();
    this.refresh();
  }

  renderBreadcrumbs() {
    const crumbs = [{ label: 'Top folder', segments: [] }];
    this.segments.forEach((segment, index) => crumbs.push({ label: segment, segments: this.segments.slice(0, index + 1) }));
    replaceChildren(this.breadcrumbs, crumbs.map((crumb, index) => {
      const isCurrent = index === crumbs.length - 1;
      return el('li', {},
        el('button', {
          type: 'button', class: 'crumb', 'aria-current': isCurrent ? 'location' : null,
          on: { click: () => this.openFolder(crumb.segments) },
        }, crumb.label));
    }));
    this.caption.textContent = `Contents of ${this.segments.length ? this.path : 'the top folder'}`;
  }

  renderHead() {
    const cells = [el('th', { class: 'select', scope: 'col' }, this.selectAll)];
    for (const column of COLUMNS) {
      const active = this.sort.key === column.key;
      const arrow = active ? (this.sort.ascending ? ' ▲' : ' ▼') : '';
      cells.push(el('th', {
        scope: 'col', class: `column-${column.key}`,
        'aria-sort': active ? (this.sort.ascending ? 'ascending' : 'descending') : 'none',
      }, el('button', { type: 'button', class: 'sort', on: { click: () => this.sortBy(column.key) } }, column.label,
        el('span', { class: 'sort-arrow', 'aria-hidden': 'true' }, arrow))));
    }
    replaceChildren(this.headRow, cells);
  }

  sortBy(key) {
    this.sort = { key, ascending: this.sort.key === key ? !this.sort.ascending : true };
    this.renderHead();
    this.renderBody();
  }

  renderBody() {
    const sorted = sortEntries(this.entries, this.sort.key, this.sort.ascending);
    if (sorted.length === 0) {
      replaceChildren(this.body, el('tr', { class: 'empty' },
        el('td', { colspan: String(COLUMNS.length + 1) }, 'This folder is empty, or it does not exist on the handheld.')));
    } else {
      replaceChildren(this.body, sorted.map((entry) => this.renderRow(entry)));
    }
    this.updateSelectionState();
  }

  renderRow(entry) {
    const checkbox = el('input', {
      type: 'checkbox', 'aria-label': `Select ${entry.name}`, checked: this.selected.has(entry.name),
      on: { change: () => { if (checkbox.checked) this.selected.add(entry.name); else this.selected.delete(entry.name); this.updateSelectionState(); } },
    });
    const open = entry.isFolder
      ? () => this.openFolder([...this.segments, entry.name])
      : () => this.download([entry]);
    const name = el('button', {
      type: 'button', class: `entry-name ${entry.isFolder ? 'folder' : 'file'}`,
      title: entry.isFolder ? `Open ${entry.name}` : `Download ${entry.name}`, on: { click: open },
    }, el('span', { class: `entry-icon ${entry.isFolder ? 'folder' : 'file'}`, 'aria-hidden': 'true' }), entry.name);
    const row = el('tr', { class: entry.isFolder ? 'folder' : 'file' },
      el('td', { class: 'select' }, checkbox),
      el('td', { class: 'column-name' }, name),
      el('td', { class: 'column-kind' }, kindLabel(entry)),
      el('td', { class: 'column-size', title: entry.isFolder ? null : `${entry.size.toLocaleString()} bytes` },
        entry.isFolder ? '' : humanSize(entry.size)),
      el('td', { class: 'column-time' }, localDateTime(entry.lastWriteMs)));
    row.dataset.name = entry.name;
    return row;
  }

  selectedEntries() {
    return this.entries.filter((entry) => this.selected.has(entry.name));
  }

  toggleAll() {
    this.selected = this.selectAll.checked ? new Set(this.entries.map((e) => e.name)) : new Set();
    this.renderBody();
  }

  updateSelectionState() {
    const chosen = this.selectedEntries();
    this.selectAll.checked = chosen.length > 0 && chosen.length === this.entries.length;
    this.selectAll.indeterminate = chosen.length > 0 && chosen.length < this.entries.length;
    this.downloadButton.disabled = !chosen.some((e) => !e.isFolder);
    this.renameButton.disabled = chosen.length !== 1;
    this.deleteButton.disabled = chosen.length === 0;
  }

  onKey(event) {
    if (event.target.closest('input[type="text"], dialog')) return;
    if (event.key === 'F2' && !this.renameButton.disabled) {
      event.preventDefault();
      this.renameSelected();
    } else if (event.key === 'Delete' && !this.deleteButton.disabled) {
      event.preventDefault();
      this.deleteSelected();
    } else if ((event.key === 'Backspace' || (event.altKey && event.key === 'ArrowUp')) && this.segments.length) {
      event.preventDefault();
      this.openFolder(this.segments.slice(0, -1));
    }
  }

  // --- Transfers --------------------------------------------------------------------------------

  downloadSelected() {
    const files = this.selectedEntries().filter((e) => !e.isFolder);
    if (this.selectedEntries().some((e) => e.isFolder)) {
      this.notices.info('Folders are not downloaded as a whole; open a folder to download its files.');
    }
    this.download(files);
  }

  async download(entries) {
    const queue = entries.map((entry) => ({ entry, path: childPath(this.segments, entry.name), row: this.transfers.add('Download', entry.name, entry.size) }));
    const worker = async () => {
      for (let job = queue.shift(); job; job = queue.shift()) await this.downloadOne(job);
    };
    await Promise.all(Array.from({ length: Math.min(DOWNLOADS_AT_ONCE, queue.length) }, worker));
  }

  async downloadOne({ entry, path, row }) {
    row.progress(0);
    try {
      const { blob, received } = await client.downloadFile(path, { onProgress: (count) => row.progress(count) });
      if (received < entry.size) {
        const text = `Only ${humanSize(received)} of ${humanSize(entry.size)} of "${entry.name}" arrived: the connection closed early or the file shrank. Nothing was saved.`;
        row.finish(false, `Incomplete: ${received.toLocaleString()} of ${entry.size.toLocaleString()} bytes`);
        this.notices.error(text);
        return;
      }
      saveBlob(blob, entry.name);
      row.finish(true, `Done, ${humanSize(received)}`);
    } catch (error) {
      row.finish(false, 'Failed');
      this.notices.error(`Download of "${entry.name}": ${describeError(error)}`);
    }
  }

  async uploadFiles(files) {
    if (files.length === 0) return;
    const folderSegments = [...this.segments];
    const jobs = [];
    for (const file of files) {
      if (!isPlainName(file.name)) {
        this.notices.error(`"${file.name}" cannot be uploaded: a name holding "\\" or "/" would land in another folder.`);
        continue;
      }
      jobs.push({ file, row: this.transfers.add('Upload', file.name, file.size) });
    }
    // One request per file, one after another: the handheld has only a few workers.
    for (const { file, row } of jobs) {
      row.progress(0);
      try {
        const word = await client.uploadFile(childPath(folderSegments, file.name), file, { onProgress: (sent) => row.progress(sent) });
        const outcome = uploadOutcome(word, file.name);
        row.finish(outcome.ok, outcome.ok ? `Done, ${humanSize(file.size)}` : 'Failed');
        if (!outcome.ok) this.notices.error(outcome.text);
      } catch (error) {
        row.finish(false, 'Failed');
        this.notices.error(`Upload of "${file.name}": ${describeError(error)}`);
      }
    }
    if (joinPath(folderSegments) === this.path) await this.refresh();
  }

  installDropZone() {
    const frame = this.element;
    const carriesFiles = (event) => [...(event.dataTransfer?.types ?? [])].includes('Files');
    frame.addEventListener('dragover', (event) => {
      if (!carriesFiles(event)) return;
      event.preventDefault();
      event.dataTransfer.dropEffect = 'copy';
      frame.classList.add('dragging');
    });
    frame.addEventListener('dragleave', (event) => {
      if (!frame.contains(event.relatedTarget)) frame.classList.remove('dragging');
    });
    frame.addEventListener('drop', (event) => {
      if (!carriesFiles(event)) return;
      event.preventDefault();
      frame.classList.remove('dragging');
      const files = [];
      const items = [...(event.dataTransfer.items ?? [])];
      [...event.dataTransfer.files].forEach((file, index) => {
        const entry = items[index]?.webkitGetAsEntry?.();
        if (entry?.isDirectory) this.notices.error(`"${file.name}" is a folder; only files can be uploaded.`);
        else files.push(file);
      });
      this.uploadFiles(files);
    });
  }

  // --- File-system commands -----------------------------------------------------------------------

  async newFolder() {
    const name = await promptDialog({
      title: 'New folder', label: 'Name of the new folder', okLabel: 'Create',
      validate: (text) => (isPlainName(text.trim()) ? null : 'Type a name without "\\" or "/".'),
    });
    if (name === null) return;
    const trimmed = name.trim();
    try {
      const outcome = createFolderOutcome(await client.createFolder(childPath(this.segments, trimmed)), trimmed);
      this.notices.outcome(outcome);
      if (outcome.ok) await this.refresh();
    } catch (error) {
      this.notices.error(describeError(error));
    }
  }

  async renameSelected() {
    const [entry] = this.selectedEntries();
    if (!entry) return;
    const text = await promptDialog({
      title: `Rename or move "${entry.name}"`,
      label: 'New name (start with \\ for a path from the top folder)',
      value: entry.name,
      okLabel: 'Rename',
      validate: (value) => (resolveTarget(this.segments, value) ? null : 'Type a name or a path.'),
    });
    if (text === null) return;
    const source = childPath(this.segments, entry.name);
    const target = resolveTarget(this.segments, text);
    if (target === source) return;
    try {
      const outcome = moveOutcome(await client.moveItem(source, target), entry.name, target);
      this.notices.outcome(outcome);
      if (outcome.ok) {
        this.selected.delete(entry.name);
        await this.refresh();
      }
    } catch (error) {
      this.notices.error(describeError(error));
    }
  }

  async deleteSelected() {
    const entries = this.selectedEntries();
    if (entries.length === 0) return;
    const items = entries.map((e) => (e.isFolder ? `Folder "${e.name}" and everything in it` : `File "${e.name}"`));
    const confirmed = await confirmDialog({
      title: entries.length === 1 ? `Delete "${entries[0].name}"?` : `Delete ${entries.length} items?`,
      message: 'These will be deleted from the handheld. This cannot be undone.',
      items,
      okLabel: 'Delete',
      danger: true,
    });
    if (!confirmed) return;
    for (const entry of entries) {
      const path = childPath(this.segments, entry.name);
      try {
        const word = entry.isFolder ? await client.deleteFolder(path) : await client.deleteFile(path);
        this.notices.outcome(deleteOutcome(word, entry.name, entry.isFolder));
      } catch (error) {
        this.notices.error(`Delete "${entry.name}": ${describeError(error)}`);
      }
    }
    this.selected.clear();
    await this.refresh();
  }
}

function saveBlob(blob, name) {
  const url = URL.createObjectURL(blob);
  const link = el('a', { href: url, download: name, hidden: true });
  document.body.append(link);
  link.click();
  link.remove();
  setTimeout(() => URL.revokeObjectURL(url), 60_000);
}
