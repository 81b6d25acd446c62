// Incremental parser of the remote display stream: the screen header, then frame records.

import { isSupportedDepth, rowStride } from './pixels.js';

// Larger screens than this are refused rather than allocated.
const MAX_SIDE = 16384;

export class DisplayStreamError extends Error {
  constructor(message) {
    super(message);
    this.name = 'DisplayStreamError';
  }
}

// A queue of received chunks from which exact byte counts are taken without copying whole streams.
class ChunkQueue {
  constructor() {
    this.chunks = [];
    this.available = 0;
  }

  push(chunk) {
    if (chunk.length === 0) return;
    this.chunks.push(chunk);
    this.available += chunk.length;
  }

  take(count) {
    const first = this.chunks[0];
    if (first && first.length >= count) {
      const part = first.subarray(0, count);
      if (first.length === count) this.chunks.shift();
      else this.chunks[0] = first.subarray(count);
      this.available -= count;
      return part;
    }
    const result = new Uint8Array(count);
    let filled = 0;
    while (filled < count) {
      const chunk = this.chunks[0];
      const used = Math.min(chunk.length, count - filled);
      result.set(chunk.subarray(0, used), filled);
      filled += used;
      if (used === chunk.length) this.chunks.shift();
      else this.chunks[0] = chunk.subarray(used);
    }
    this.available -= count;
    return result;
  }
}

function readInt32(bytes, offset) {
  return new DataView(bytes.buffer, bytes.byteOffset, bytes.byteLength).getInt32(offset, true);
}

// Feed it the body chunks as they arrive; each call returns the events completed so far:
//   { type: 'screen', width, height, bitsPerPixel, stride }
//   { type: 'band', firstRow, lastRow, compressed, data }
// A stream that breaks the layout throws DisplayStreamError; the caller then ends the session.
export class DisplayStreamParser {
  constructor() {
    this.queue = new ChunkQueue();
    this.screen = null;
    this.pendingBand = null;
  }

  feed(chunk) {
    this.queue.push(chunk);
    const events = [];
    for (;;) {
      const event = this.next();
      if (!event) return events;
      events.push(event);
    }
  }

  // True when the stream may end here: nothing half-received.
  get atBoundary() {
    return this.queue.available === 0 && this.pendingBand === null;
  }

  next() {
    if (!this.screen) return this.readScreenHeader();
    if (!this.pendingBand) {
      if (this.queue.available < 12) return null;
      this.pendingBand = this.readBandHeader(this.queue.take(12));
    }
    const band = this.pendingBand;
    if (this.queue.available < band.byteCount) return null;
    this.pendingBand = null;
    return {
      type: 'band',
      firstRow: band.firstRow,
      lastRow: band.lastRow,
      compressed: band.compressed,
      data: this.queue.take(band.byteCount),
    };
  }

  readScreenHeader() {
    if (this.queue.available < 12) return null;
    const header = this.queue.take(12);
    const width = readInt32(header, 0);
    const height = readInt32(header, 4);
    const bitsPerPixel = readInt32(header, 8) >>> 0;
    if (width < 1 || height < 1 || width > MAX_SIDE || height > MAX_SIDE) {
      throw new DisplayStreamError(`The handheld reported an impossible screen size of ${width} × ${height}.`);
    }
    if (!isSupportedDepth(bitsPerPixel)) {
      throw new DisplayStreamError(`The handheld's screen has ${bitsPerPixel} bits per pixel, which this client cannot show.`);
    }
    const stride = rowStride(width, bitsPerPixel);
    this.screen = { width, height, bitsPerPixel, stride, imageSize: stride * height };
    return { type: 'screen', width, height, bitsPerPixel, stride };
  }

  readBandHeader(header) {
    const firstRow = readInt32(header, 0);
    const lastRow = readInt32(header, 4);
    const length = readInt32(header, 8) >>> 0;
    const { height, stride, imageSize } = this.screen;
    if (firstRow < 0 || lastRow < firstRow || lastRow >= height) {
      throw new DisplayStreamError(`The handheld sent a band of rows ${firstRow} to ${lastRow} on a screen of ${height} rows.`);
    }
    // Compressed bands are written into a buffer of one image, so they can never be longer than that.
    if (length > imageSize) {
      throw new DisplayStreamError(`The handheld sent a compressed band of ${length} bytes, more than a whole screen.`);
    }
    const rawSize = (lastRow - firstRow + 1) * stride;
    return { firstRow, lastRow, compressed: length !== 0, byteCount: length !== 0 ? length : rawSize, rawSize };
  }
}
