// Handheld paths: segments joined by "\"; the empty path is the top folder.

export const SEPARATOR = '\\';

export function splitPath(text) {
  return text.split(/[\\/]+/).filter((segment) => segment.length > 0);
}

export function joinPath(segments) {
  return segments.join(SEPARATOR);
}

export function childPath(segments, name) {
  return joinPath([...segments, name]);
}

// A name typed or picked on the desktop becomes one path segment only if it has no separator.
export function isPlainName(name) {
  return name.length > 0 && !/[\\/]/.test(name) && name !== '.' && name !== '..';
}

// The target of a rename: a text starting with a separator is a path from the top folder,
// any other text is taken inside the current folder (it may name a sub-folder on the way).
export function resolveTarget(segments, text) {
  const trimmed = text.trim();
  const fromTop = /^[\\/]/.test(trimmed);
  const parts = splitPath(trimmed);
  if (parts.length === 0 || parts.some((part) => part === '.' || part === '..')) return null;
  return joinPath(fromTop ? parts : [...segments, ...parts]);
}
