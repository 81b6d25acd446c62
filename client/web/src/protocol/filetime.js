// Conversion of the platform's file time (100-ns intervals since 1 January 1601 UTC) to JavaScript time.

// Milliseconds between 1601-01-01 and 1970-01-01, both UTC.
const EPOCH_DIFFERENCE_MS = 11644473600000n;
const TICKS_PER_MS = 10000n;

// The two 32-bit halves as the listing carries them; the count exceeds 2^53, so the arithmetic is BigInt.
// Returns milliseconds since 1970 (may be negative for times before it).
export function fileTimeToUnixMs(high, low) {
  const ticks = (BigInt(high >>> 0) << 32n) | BigInt(low >>> 0);
  // Floor division, so that times before 1970 round towards the past like the later ones.
  const quotient = ticks / TICKS_PER_MS;
  return Number(quotient - EPOCH_DIFFERENCE_MS);
}

export function fileTimeToDate(high, low) {
  return new Date(fileTimeToUnixMs(high, low));
}

// Inverse, for tests and fakes: the halves of the file time of a JavaScript millisecond count.
export function unixMsToFileTime(milliseconds) {
  const ticks = (BigInt(Math.trunc(milliseconds)) + EPOCH_DIFFERENCE_MS) * TICKS_PER_MS;
  return { high: Number(ticks >> 32n), low: Number(ticks & 0xffffffffn) };
}
