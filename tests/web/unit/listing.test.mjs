// Presentation rules of the file view: sizes, kinds, sort order and the paths that commands carry.
import test from 'node:test';
import assert from 'node:assert/strict';
import { load } from './paths.mjs';

const { humanSize, kindLabel } = await load('ui/format.js');
const { sortEntries } = await load('ui/sorting.js');
const { childPath, isPlainName, resolveTarget, splitPath } = await load('ui/paths.js');

test('sizes in human units', () => {
  const cases = [
    [0, '0 bytes'], [1, '1 byte'], [1023, '1023 bytes'], [1024, '1.0 KB'], [3000, '2.9 KB'], [70000, '68.4 KB'],
    [150 * 1024, '150 KB'], [5000000000, '4.7 GB'], [2 ** 60, '1024 PB'],
  ];
  for (const [bytes, text] of cases) assert.equal(humanSize(bytes), text, String(bytes));
});

test('kinds', () => {
  const cases = [
    [{ name: 'Docs', isFolder: true }, 'Folder'], [{ name: 'a.txt' }, 'TXT file'], [{ name: 'README' }, 'File'],
    [{ name: '.profile' }, 'File'], [{ name: 'trailing.' }, 'File'], [{ name: 'x.tar.gz' }, 'GZ file'],
  ];
  for (const [entry, label] of cases) assert.equal(kindLabel(entry), label, entry.name);
});

test('folders first, then the chosen column', () => {
  const entries = [
    { name: 'b.txt', isFolder: false, size: 10, lastWriteMs: 3 },
    { name: 'Zeta', isFolder: true, size: 0, lastWriteMs: 1 },
    { name: 'a10.txt', isFolder: false, size: 5, lastWriteMs: null },
    { name: 'a9.txt', isFolder: false, size: 5, lastWriteMs: 2 },
    { name: 'alpha', isFolder: true, size: 0, lastWriteMs: 5 },
  ];
  const cases = [
    { key: 'name', ascending: true, order: ['alpha', 'Zeta', 'a9.txt', 'a10.txt', 'b.txt'] },
    { key: 'name', ascending: false, order: ['Zeta', 'alpha', 'b.txt', 'a10.txt', 'a9.txt'] },
    { key: 'size', ascending: true, order: ['alpha', 'Zeta', 'a9.txt', 'a10.txt', 'b.txt'] },
    { key: 'time', ascending: false, order: ['alpha', 'Zeta', 'b.txt', 'a9.txt', 'a10.txt'] },
  ];
  for (const row of cases) {
    assert.deepEqual(sortEntries(entries, row.key, row.ascending).map((e) => e.name), row.order, `${row.key} ${row.ascending}`);
  }
});

test('paths', () => {
  assert.deepEqual(splitPath('\\My Documents\\Notes\\'), ['My Documents', 'Notes']);
  assert.deepEqual(splitPath(''), []);
  assert.equal(childPath([], 'a.txt'), 'a.txt');
  assert.equal(childPath(['My Documents'], 'a.txt'), 'My Documents\\a.txt');
  for (const [name, plain] of [['a.txt', true], ['a\\b', false], ['a/b', false], ['..', false], ['', false]]) {
    assert.equal(isPlainName(name), plain, name);
  }
  const cases = [
    { text: 'new.txt', target: 'Docs\\new.txt' }, { text: 'Sub\\new.txt', target: 'Docs\\Sub\\new.txt' },
    { text: '\\Top.txt', target: 'Top.txt' }, { text: '/A/B', target: 'A\\B' }, { text: '  ', target: null },
    { text: '..\\escape', target: null },
  ];
  for (const row of cases) assert.equal(resolveTarget(['Docs'], row.text), row.target, row.text);
});
