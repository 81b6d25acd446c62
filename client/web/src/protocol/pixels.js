// Pixel layouts of the remote display: row stride, 5-5-5 / 24-bit / 32-bit conversion, bottom-up placement.

// Bytes of one pixel row, rounded up to a multiple of 4.
export function rowStride(width, bitsPerPixel) {
  return Math.trunc((width * bitsPerPixel + 31) / 32) * 4;
}

export function isSupportedDepth(bitsPerPixel) {
  return bitsPerPixel === 16 || bitsPerPixel === 24 || bitsPerPixel === 32;
}

// Widens a 5-bit channel to 8 bits so that 31 becomes 255 and 0 stays 0.
function widen5(value) {
  return (value << 3) | (value >> 2);
}

// One 16-bit pixel, masks 0x7C00 red, 0x03E0 green, 0x001F blue.
export function rgb555ToRgb(value) {
  return [widen5((value >> 10) & 0x1f), widen5((value >> 5) & 0x1f), widen5(value & 0x1f)];
}

// Rows are stored bottom-up: memory row r shows screen line (height - 1 - r). A band of memory rows
// firstRow..lastRow therefore starts on screen at line (height - 1 - lastRow).
export function bandTopLine(screenHeight, lastRow) {
  return screenHeight - 1 - lastRow;
}

// Converts the raw bytes of a band (rows in memory order, first row first, `stride` bytes each) into
// RGBA pixels in screen order (top line first), ready for ImageData.
export function bandToRgba(raw, width, bitsPerPixel, stride, rowCount) {
  const rgba = new Uint8ClampedArray(width * rowCount * 4);
  for (let line = 0; line < rowCount; line++) {
    const source = (rowCount - 1 - line) * stride;
    let target = line * width * 4;
    if (bitsPerPixel === 16) {
      for (let x = 0; x < width; x++) {
        const at = source + x * 2;
        const value = raw[at] | (raw[at + 1] << 8);
        rgba[target] = widen5((value >> 10) & 0x1f);
        rgba[target + 1] = widen5((value >> 5) & 0x1f);
        rgba[target + 2] = widen5(value & 0x1f);
        rgba[target + 3] = 255;
        target += 4;
      }
    } else {
      // 24 bits: blue, green, red; 32 bits: the same and one unused byte (masks 0xFF0000 red, 0x0000FF blue).
      const bytesPerPixel = bitsPerPixel / 8;
      for (let x = 0; x < width; x++) {
        const at = source + x * bytesPerPixel;
        rgba[target] = raw[at + 2];
        rgba[target + 1] = raw[at + 1];
        rgba[target + 2] = raw[at];
        rgba[target + 3] = 255;
        target += 4;
      }
    }
  }
  return rgba;
}
