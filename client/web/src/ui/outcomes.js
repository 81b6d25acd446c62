// What each reply word and each failure means, in words for the person at the desktop.

import { RESULT_EXISTS_FILE, RESULT_EXISTS_FOLDER, RESULT_FAILED, RESULT_OK } from '../protocol/constants.js';
import { ShortReplyError, UnsendableTextError } from '../protocol/bytes.js';
import { ConnectionClosedError, ServerUnreachableError } from '../net/errors.js';
import { DisplayStreamError } from '../protocol/displayStream.js';

export function createFolderOutcome(word, name) {
  switch (word) {
    case RESULT_OK: return { ok: true, text: `Folder "${name}" created.` };
    case RESULT_EXISTS_FOLDER: return { ok: false, text: `A folder named "${name}" already exists here.` };
    case RESULT_EXISTS_FILE: return { ok: false, text: `A file named "${name}" already exists here, so no folder of that name can be made.` };
    case RESULT_FAILED: return { ok: false, text: `The handheld could not create the folder "${name}".` };
    default: return { ok: false, text: `The handheld answered an unknown result (${word}) when creating "${name}".` };
  }
}

export function deleteOutcome(word, name, isFolder) {
  if (word === RESULT_OK) return { ok: true, text: `Deleted "${name}".` };
  if (word === RESULT_FAILED) {
    return {
      ok: false,
      text: isFolder
        ? `The folder "${name}" could not be deleted, or not all of it: something inside it may be in use or protected.`
        : `The file "${name}" could not be deleted: it may be in use, protected or already gone.`,
    };
  }
  return { ok: false, text: `The handheld answered an unknown result (${word}) when deleting "${name}".` };
}

export function moveOutcome(moved, source, target) {
  return moved
    ? { ok: true, text: `"${source}" is now "${target}".` }
    : { ok: false, text: `"${source}" was not moved: "${target}" already exists, or "${source}" is no longer there.` };
}

export function uploadOutcome(word, name) {
  if (word === 0) return { ok: true, text: `Uploaded "${name}".` };
  if (word === 1) return { ok: false, text: `Upload of "${name}" failed: the handheld could not write the file (its folder may be missing, the file protected or the storage full).` };
  return { ok: false, text: `Upload of "${name}": the handheld answered an unknown result (${word}).` };
}

// Any thrown error as a sentence; errors of our own already carry one.
export function describeError(error) {
  if (error instanceof ServerUnreachableError || error instanceof ConnectionClosedError
      || error instanceof ShortReplyError || error instanceof UnsendableTextError
      || error instanceof DisplayStreamError) {
    return error.message;
  }
  return `Something went wrong: ${error?.message ?? error}`;
}
