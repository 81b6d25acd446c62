// Human-readable sizes, dates and names for the file view.

const UNITS = ['KB', 'MB', 'GB', 'TB', 'PB'];

// 1,024-based units with one decimal below 100 (1.5 KB, 12.3 MB, 512 MB); exact below 1 KB.
export function humanSize(bytes) {
  if (bytes < 1024) return bytes === 1 ? '1 byte' : `${bytes} bytes`;
  let value = bytes;
  let unit = -1;
  do {
    value /= 1024;
    unit += 1;
  } while (value >= 1024 && unit < UNITS.length - 1);
  const digits = value < 100 ? 1 : 0;
  return `${value.toFixed(digits)} ${UNITS[unit]}`;
}

const dateFormat = new Intl.DateTimeFormat(undefined, { dateStyle: 'medium', timeStyle: 'short' });

export function localDateTime(milliseconds) {
  return milliseconds === null ? '' : dateFormat.format(new Date(milliseconds));
}

export function kindLabel(entry) {
  if (entry.isFolder) return 'Folder';
  const dot = entry.name.lastIndexOf('.');
  if (dot <= 0 || dot === entry.name.length - 1) return 'File';
  return `${entry.name.slice(dot + 1).toUpperCase()} file`;
}
