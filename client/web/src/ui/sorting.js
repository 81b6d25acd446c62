// Order of the listing: folders first, then by the chosen column.

import { kindLabel } from './format.js';

const collator = new Intl.Collator(undefined, { numeric: true, sensitivity: 'base' });

function compareEntries(a, b, key) {
  switch (key) {
    case 'kind': return collator.compare(kindLabel(a), kindLabel(b)) || collator.compare(a.name, b.name);
    case 'size': return a.size - b.size || collator.compare(a.name, b.name);
    case 'time': return (a.lastWriteMs ?? -Infinity) - (b.lastWriteMs ?? -Infinity) || collator.compare(a.name, b.name);
    default: return collator.compare(a.name, b.name);
  }
}

// Folders always come first; the chosen column orders each group.
export function sortEntries(entries, key, ascending) {
  const direction = ascending ? 1 : -1;
  return [...entries].sort((a, b) => (Number(b.isFolder) - Number(a.isFolder)) || direction * compareEntries(a, b, key));
}
