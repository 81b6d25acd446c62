// Byte-level encodings of the protocol: little-endian words, NUL-terminated narrow strings, path lines.

const encoder = new TextEncoder();
// Narrow text is UTF-8 on the server; a stray byte must never stop a listing, so decoding is lenient.
const decoder = new TextDecoder('utf-8', { fatal: false });

// Thrown when a reply ends before the bytes that its layout promises.
export class ShortReplyError extends Error {
  constructor(what) {
    super(`The connection closed before the ${what} was complete.`);
    this.name = 'ShortReplyError';
  }
}

// Thrown when a path or password cannot be carried in one CR LF line.
export class UnsendableTextError extends Error {
  constructor(text) {
    super(`"${text}" holds a line break or a NUL character and cannot be sent to the handheld.`);
    this.name = 'UnsendableTextError';
  }
}

export function concatBytes(parts) {
  let total = 0;
  for (const part of parts) total += part.length;
  const result = new Uint8Array(total);
  let offset = 0;
  for (const part of parts) {
    result.set(part, offset);
    offset += part.length;
  }
  return result;
}

export function encodeWord(value) {
  const bytes = new Uint8Array(4);
  new DataView(bytes.buffer).setUint32(0, value >>> 0, true);
  return bytes;
}

// The server reads one line up to CR LF, so a CR, LF or NUL inside the text would make it act
// on a different path than the one shown (a file named "a\nb" would become "a"). Refuse those.
export function encodeLine(text) {
  if (/[\r\n\0]/.test(text)) throw new UnsendableTextError(text);
  return encoder.encode(`${text}\r\n`);
}

export function encodeLines(...texts) {
  return concatBytes(texts.map(encodeLine));
}

export function decodeText(bytes) {
  return decoder.decode(bytes);
}

// Sequential reader over one reply body; every read past the end throws ShortReplyError.
export class ByteReader {
  constructor(bytes, what = 'reply') {
    this.bytes = bytes;
    this.view = new DataView(bytes.buffer, bytes.byteOffset, bytes.byteLength);
    this.offset = 0;
    this.what = what;
  }

  get remaining() {
    return this.bytes.length - this.offset;
  }

  atEnd() {
    return this.offset >= this.bytes.length;
  }

  need(count) {
    if (this.remaining < count) throw new ShortReplyError(this.what);
  }

  uint32() {
    this.need(4);
    const value = this.view.getUint32(this.offset, true);
    this.offset += 4;
    return value;
  }

  int32() {
    this.need(4);
    const value = this.view.getInt32(this.offset, true);
    this.offset += 4;
    return value;
  }

  // 64-bit unsigned, low word first.
  uint64() {
    const low = this.uint32();
    const high = this.uint32();
    return high * 2 ** 32 + low;
  }

  narrowString() {
    const end = this.bytes.indexOf(0, this.offset);
    if (end < 0) throw new ShortReplyError(this.what);
    const text = decodeText(this.bytes.subarray(this.offset, end));
    this.offset = end + 1;
    return text;
  }
}
