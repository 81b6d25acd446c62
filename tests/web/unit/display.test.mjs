// Remote display decoding: stream parsing, pixel conversion, bottom-up placement and compressed bands.
import test from 'node:test';
import assert from 'node:assert/strict';
import zlib from 'node:zlib';
import { load } from './paths.mjs';

const { DisplayStreamParser, DisplayStreamError } = await load('protocol/displayStream.js');
const { rowStride, rgb555ToRgb, bandToRgba, bandTopLine } = await load('protocol/pixels.js');
const { bandRawRows, inflateBounded } = await load('protocol/bands.js');

const words = (...values) => {
  const b = new Uint8Array(values.length * 4);
  const view = new DataView(b.buffer);
  values.forEach((v, i) => view.setUint32(i * 4, v >>> 0, true));
  return b;
};
const join = (...parts) => Uint8Array.from(parts.flatMap((p) => [...p]));

test('row stride', () => {
  const cases = [
    { width: 240, bits: 16, stride: 480 }, { width: 3, bits: 16, stride: 8 }, { width: 3, bits: 24, stride: 12 },
    { width: 5, bits: 24, stride: 16 }, { width: 7, bits: 32, stride: 28 }, { width: 1, bits: 24, stride: 4 },
  ];
  for (const row of cases) assert.equal(rowStride(row.width, row.bits), row.stride, JSON.stringify(row));
});

test('stream parser: header and bands across any chunking', () => {
  // 3 × 4 screen at 16 bits: stride 8; one raw band of rows 1..2, one compressed band of row 0.
  const raw = Uint8Array.from({ length: 16 }, (_, i) => i);
  const stream = join(words(3, 4, 16), words(1, 2, 0), raw, words(0, 0, 5), [9, 8, 7, 6, 5]);
  for (const chunkSize of [1, 5, 12, 13, stream.length]) {
    const parser = new DisplayStreamParser();
    const events = [];
    for (let at = 0; at < stream.length; at += chunkSize) events.push(...parser.feed(stream.slice(at, at + chunkSize)));
    assert.equal(parser.atBoundary, true);
    assert.deepEqual(events.map((e) => e.type), ['screen', 'band', 'band'], `chunks of ${chunkSize}`);
    assert.deepEqual(events[0], { type: 'screen', width: 3, height: 4, bitsPerPixel: 16, stride: 8 });
    assert.deepEqual({ ...events[1], data: [...events[1].data] }, { type: 'band', firstRow: 1, lastRow: 2, compressed: false, data: [...raw] });
    assert.deepEqual({ ...events[2], data: [...events[2].data] }, { type: 'band', firstRow: 0, lastRow: 0, compressed: true, data: [9, 8, 7, 6, 5] });
  }
});

test('stream parser: a half-received band is not at a boundary', () => {
  const parser = new DisplayStreamParser();
  assert.equal(parser.feed(join(words(2, 2, 32), words(0, 0, 0), [1, 2, 3])).length, 1);
  assert.equal(parser.atBoundary, false);
});

test('stream parser refuses broken streams', async (t) => {
  const cases = [
    { name: 'zero width', bytes: words(0, 10, 16) },
    { name: 'negative height', bytes: words(10, -1, 16) },
    { name: 'huge screen', bytes: words(100000, 10, 16) },
    { name: '8-bit palette', bytes: words(10, 10, 8) },
    { name: 'band above the screen', bytes: join(words(4, 4, 16), words(0, 4, 0)) },
    { name: 'negative first row', bytes: join(words(4, 4, 16), words(-1, 2, 0)) },
    { name: 'last row below first', bytes: join(words(4, 4, 16), words(2, 1, 0)) },
    { name: 'compressed band longer than a screen', bytes: join(words(4, 4, 16), words(0, 0, 33)) },
  ];
  for (const row of cases) {
    await t.test(row.name, () => assert.throws(() => new DisplayStreamParser().feed(row.bytes), DisplayStreamError));
  }
});

test('5-5-5 pixels', () => {
  const cases = [
    { value: 0x7c00, rgb: [255, 0, 0] }, { value: 0x03e0, rgb: [0, 255, 0] }, { value: 0x001f, rgb: [0, 0, 255] },
    { value: 0x7fff, rgb: [255, 255, 255] }, { value: 0x0000, rgb: [0, 0, 0] },
    { value: 0x8000 | 0x4210, rgb: [132, 132, 132] }, // the top bit is unused; 16 in 5 bits is 132 in 8 bits
  ];
  for (const row of cases) assert.deepEqual(rgb555ToRgb(row.value), row.rgb, row.value.toString(16));
});

test('bands become top-down RGBA', async (t) => {
  // Two memory rows, two pixels each; memory row 0 (first in the data) is the lower screen line.
  const cases = [
    {
      name: '16-bit 5-5-5', bits: 16, stride: 4,
      raw: [0x00, 0x7c, 0xe0, 0x03, /* row 0: red, green */ 0x1f, 0x00, 0xff, 0x7f /* row 1: blue, white */],
      rgba: [0, 0, 255, 255, 255, 255, 255, 255, /* top line = row 1 */ 255, 0, 0, 255, 0, 255, 0, 255],
    },
    {
      name: '24-bit with row padding', bits: 24, stride: 8,
      raw: [0x30, 0x20, 0x10, 0x60, 0x50, 0x40, 0xee, 0xee, /* row 0 */ 3, 2, 1, 6, 5, 4, 0xee, 0xee /* row 1 */],
      rgba: [1, 2, 3, 255, 4, 5, 6, 255, 0x10, 0x20, 0x30, 255, 0x40, 0x50, 0x60, 255],
    },
    {
      name: '32-bit', bits: 32, stride: 8,
      raw: [0xcc, 0x66, 0x33, 0x00, 0, 0, 0xff, 0xff, /* row 0 */ 0xff, 0, 0, 0, 0, 0xff, 0, 0 /* row 1 */],
      rgba: [0, 0, 255, 255, 0, 255, 0, 255, 0x33, 0x66, 0xcc, 255, 255, 0, 0, 255],
    },
  ];
  for (const row of cases) {
    await t.test(row.name, () => {
      assert.deepEqual([...bandToRgba(Uint8Array.from(row.raw), 2, row.bits, row.stride, 2)], row.rgba);
    });
  }
});

test('band placement in bottom-up numbering', () => {
  // Memory row r shows screen line height - 1 - r; a band's top screen line comes from its last row.
  assert.equal(bandTopLine(320, 319), 0);
  assert.equal(bandTopLine(320, 0), 319);
  assert.equal(bandTopLine(240, 100), 139);
});

test('compressed bands inflate to exactly their rows', async () => {
  const screen = { stride: 8 };
  const raw = Uint8Array.from({ length: 24 }, (_, i) => i * 3);
  const packed = new Uint8Array(zlib.deflateSync(raw));
  const band = { firstRow: 5, lastRow: 7, compressed: true, data: packed };
  assert.deepEqual([...(await bandRawRows(band, screen))], [...raw]);
  const rawBand = { firstRow: 0, lastRow: 0, compressed: false, data: raw.subarray(0, 8) };
  assert.equal(await bandRawRows(rawBand, screen), rawBand.data);
});

test('damaged or mis-sized compressed bands are refused', async (t) => {
  const raw = new Uint8Array(64).fill(7);
  const packed = new Uint8Array(zlib.deflateSync(raw));
  const cases = [
    { name: 'too long', data: packed, size: 32 },
    { name: 'too short', data: packed, size: 128 },
    { name: 'not zlib', data: Uint8Array.from([1, 2, 3, 4, 5]), size: 64 },
    { name: 'cut stream', data: packed.subarray(0, packed.length - 3), size: 64 },
  ];
  for (const row of cases) {
    await t.test(row.name, () => assert.rejects(inflateBounded(row.data, row.size), DisplayStreamError));
  }
});
