// Turns one received band into its raw rows: compressed bands are zlib streams, inflated with bounds.

import { DisplayStreamError } from './displayStream.js';

// Inflates a zlib-format stream, refusing to produce more than `expectedSize` bytes.
export async function inflateBounded(data, expectedSize) {
  const stream = new Blob([data]).stream().pipeThrough(new DecompressionStream('deflate'));
  const reader = stream.getReader();
  const output = new Uint8Array(expectedSize);
  let filled = 0;
  try {
    for (;;) {
      const { value, done } = await reader.read();
      if (done) break;
      if (filled + value.length > expectedSize) {
        await reader.cancel();
        throw new DisplayStreamError('A compressed band unpacked to more rows than it announced.');
      }
      output.set(value, filled);
      filled += value.length;
    }
  } catch (error) {
    if (error instanceof DisplayStreamError) throw error;
    throw new DisplayStreamError('A compressed band could not be unpacked; its data is damaged.');
  }
  if (filled !== expectedSize) {
    throw new DisplayStreamError('A compressed band unpacked to fewer rows than it announced.');
  }
  return output;
}

// The raw rows of a band event for the screen described by the stream's header.
export async function bandRawRows(band, screen) {
  const rawSize = (band.lastRow - band.firstRow + 1) * screen.stride;
  return band.compressed ? inflateBounded(band.data, rawSize) : band.data;
}
