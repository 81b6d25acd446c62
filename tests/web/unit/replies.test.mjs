// Parsing of the command replies: configuration, folder listing, words, free space, file times.
import test from 'node:test';
import assert from 'node:assert/strict';
import { load } from './paths.mjs';

const { parseConfiguration, parseFolderListing, parseWord, parseDiskSpace } = await load('protocol/replies.js');
const { ShortReplyError, encodeLine, encodeLines, UnsendableTextError } = await load('protocol/bytes.js');
const { fileTimeToUnixMs, unixMsToFileTime } = await load('protocol/filetime.js');

const bytes = (...values) => Uint8Array.from(values);
const word = (value) => { const b = new Uint8Array(4); new DataView(b.buffer).setUint32(0, value >>> 0, true); return [...b]; };
const text = (value) => [...new TextEncoder().encode(value), 0];

test('configuration reply', async (t) => {
  const cases = [
    { name: 'nothing stored', body: bytes(...word(1), ...word(0), 0, 0),
      expected: { usePass: false, desktopInitPath: '', pocketPcInitPath: '' } },
    { name: 'password on and a handheld folder', body: bytes(...word(1), ...word(1), ...text('C:\\Temp'), ...text('My Documents')),
      expected: { usePass: true, desktopInitPath: 'C:\\Temp', pocketPcInitPath: 'My Documents' } },
    { name: 'UTF-8 folder name', body: bytes(...word(1), ...word(0), 0, ...text('Dokumente\\Übersicht')),
      expected: { usePass: false, desktopInitPath: '', pocketPcInitPath: 'Dokumente\\Übersicht' } },
  ];
  for (const row of cases) {
    await t.test(row.name, () => assert.deepEqual(parseConfiguration(row.body), row.expected));
  }
  for (const length of [0, 4, 8, 9]) {
    await t.test(`cut after ${length} bytes`, () => {
      assert.throws(() => parseConfiguration(bytes(...word(1), ...word(1), 0, 0).subarray(0, length)), ShortReplyError);
    });
  }
});

const record = (name, kind, sizeHigh, sizeLow, timeHigh, timeLow) =>
  [...text(name), ...word(kind), ...word(sizeHigh), ...word(sizeLow), ...word(timeHigh), ...word(timeLow)];

test('folder listing records', () => {
  const time = unixMsToFileTime(Date.UTC(2024, 0, 2, 3, 4, 5));
  const body = bytes(
    ...record('Notes', 4, 0, 0, time.high, time.low),
    ...record('big.bin', 3, 1, 0x2a05f200, time.high, time.low),
    ...record('zero-time', 3, 0, 7, 0, 0),
  );
  const { entries, truncated } = parseFolderListing(body);
  assert.equal(truncated, false);
  assert.deepEqual(entries, [
    { name: 'Notes', isFolder: true, size: 0, lastWriteMs: Date.UTC(2024, 0, 2, 3, 4, 5) },
    { name: 'big.bin', isFolder: false, size: 5000000000, lastWriteMs: Date.UTC(2024, 0, 2, 3, 4, 5) },
    { name: 'zero-time', isFolder: false, size: 7, lastWriteMs: null },
  ]);
});

test('folder listing: an empty body is an empty folder', () => {
  assert.deepEqual(parseFolderListing(new Uint8Array(0)), { entries: [], truncated: false });
});

test('folder listing cut inside a record keeps the whole records', () => {
  const whole = record('a.txt', 3, 0, 1, 0, 1);
  const cut = record('b.txt', 3, 0, 2, 0, 1);
  for (const keep of [1, 6, 10, cut.length - 1]) {
    const { entries, truncated } = parseFolderListing(bytes(...whole, ...cut.slice(0, keep)));
    assert.equal(truncated, true, `cut after ${keep} bytes`);
    assert.deepEqual(entries.map((e) => e.name), ['a.txt']);
  }
});

test('result words and free space', () => {
  assert.equal(parseWord(bytes(...word(4005))), 4005);
  assert.equal(parseWord(bytes(...word(-3))), -3, 'a password comparison may be negative');
  assert.throws(() => parseWord(bytes(1, 2, 3)), ShortReplyError);
  assert.equal(parseDiskSpace(bytes(0, 0, 0, 0xc0, 0, 0, 0, 0)), 3 * 2 ** 30);
  assert.equal(parseDiskSpace(bytes(0, 0, 0, 0, 1, 0, 0, 0)), 2 ** 32);
  assert.throws(() => parseDiskSpace(bytes(0, 0, 0, 0)), ShortReplyError);
});

test('file time conversion', async (t) => {
  const cases = [
    { name: 'Unix epoch', high: 0x019db1de, low: 0xd53e8000, ms: 0 },
    { name: '2000-01-01', high: 0x01bf53eb, low: 0x256d4000, ms: Date.UTC(2000, 0, 1) },
    { name: 'sub-millisecond ticks are dropped', high: 0x019db1de, low: 0xd53e8000 + 9999, ms: 0 },
    { name: '1601 itself', high: 0, low: 0, ms: -11644473600000 },
    { name: 'largest count', high: 0xffffffff, low: 0xffffffff, ms: Number((2n ** 64n - 1n) / 10000n - 11644473600000n) },
  ];
  for (const row of cases) {
    await t.test(row.name, () => assert.equal(fileTimeToUnixMs(row.high, row.low), row.ms));
  }
  await t.test('round trip', () => {
    const ms = Date.UTC(2031, 11, 31, 23, 59, 59, 999);
    const { high, low } = unixMsToFileTime(ms);
    assert.equal(fileTimeToUnixMs(high, low), ms);
  });
});

test('path lines', () => {
  assert.deepEqual([...encodeLine('a\\b')], [0x61, 0x5c, 0x62, 13, 10]);
  assert.deepEqual([...encodeLine('')], [13, 10]);
  assert.deepEqual([...encodeLines('x', 'é')], [0x78, 13, 10, 0xc3, 0xa9, 13, 10]);
  for (const bad of ['a\nb', 'a\rb', 'a\0b']) {
    assert.throws(() => encodeLine(bad), UnsendableTextError, JSON.stringify(bad));
  }
});
