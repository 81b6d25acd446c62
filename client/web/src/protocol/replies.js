// Parsers of the command replies: configuration, folder listing, result words and free space.

import { ByteReader, ShortReplyError } from './bytes.js';
import { KIND_FOLDER } from './constants.js';
import { fileTimeToUnixMs } from './filetime.js';

// Get Configure: word 1, word usePass, desktop folder, handheld folder.
export function parseConfiguration(bytes) {
  const reader = new ByteReader(bytes, 'configuration reply');
  reader.uint32();
  const usePass = reader.uint32() !== 0;
  const desktopInitPath = reader.narrowString();
  const pocketPcInitPath = reader.narrowString();
  return { usePass, desktopInitPath, pocketPcInitPath };
}

// Folder listing: records until the end of the body, each name NUL, kind, size high/low, time high/low.
// A record cut by the end of the connection is reported through `truncated`, the whole ones stand.
export function parseFolderListing(bytes) {
  const reader = new ByteReader(bytes, 'folder listing');
  const entries = [];
  while (!reader.atEnd()) {
    const start = reader.offset;
    try {
      const name = reader.narrowString();
      const kind = reader.uint32();
      const sizeHigh = reader.uint32();
      const sizeLow = reader.uint32();
      const timeHigh = reader.uint32();
      const timeLow = reader.uint32();
      entries.push({
        name,
        isFolder: kind === KIND_FOLDER,
        size: sizeHigh * 2 ** 32 + sizeLow,
        lastWriteMs: timeHigh === 0 && timeLow === 0 ? null : fileTimeToUnixMs(timeHigh, timeLow),
      });
    } catch (error) {
      if (!(error instanceof ShortReplyError)) throw error;
      reader.offset = start;
      return { entries, truncated: true };
    }
  }
  return { entries, truncated: false };
}

// A reply whose body is one word (result words, the move flag, the upload flag, the password comparison).
export function parseWord(bytes, what = 'reply') {
  return new ByteReader(bytes, what).int32();
}

// Check Disk Space: 64-bit unsigned, low half first.
export function parseDiskSpace(bytes) {
  return new ByteReader(bytes, 'free-space reply').uint64();
}
