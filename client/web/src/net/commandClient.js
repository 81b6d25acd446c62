// Sends commands to the server: one HTTP request per command, Command-ID header, binary reply to the close.

import {
  CMD_CHECK_DISK_SPACE, CMD_CHECK_PASSWORD, CMD_CREATE_FOLDER, CMD_DELETE_FILE, CMD_DELETE_FOLDER,
  CMD_DOWNLOAD_FILE, CMD_GET_CONFIGURE, CMD_LIST_FOLDER, CMD_MOVE, CMD_REMOTE_CONTROL, CMD_REMOTE_DISPLAY,
  CMD_UPLOAD_FILE,
} from '../protocol/constants.js';
import { concatBytes, encodeLine, encodeLines } from '../protocol/bytes.js';
import { parseConfiguration, parseDiskSpace, parseFolderListing, parseWord } from '../protocol/replies.js';
import { ConnectionClosedError, ServerUnreachableError } from './errors.js';

// The server routes by Command-ID alone, so every command goes to the page's own origin.
const COMMAND_URL = '/';

async function openCommand(commandId, body, signal) {
  try {
    return await fetch(COMMAND_URL, {
      method: 'POST',
      headers: { 'Command-ID': String(commandId) },
      body: body ?? new Uint8Array(0),
      cache: 'no-store',
      signal,
    });
  } catch (error) {
    if (error.name === 'AbortError') throw error;
    throw new ServerUnreachableError();
  }
}

// Reads a reply body to its end (the server's close), calling onBytes(total) as it grows.
async function readBody(response, what, onBytes = () => {}) {
  const reader = response.body.getReader();
  const chunks = [];
  let total = 0;
  try {
    for (;;) {
      const { value, done } = await reader.read();
      if (done) break;
      chunks.push(value);
      total += value.length;
      onBytes(total);
    }
  } catch (error) {
    if (error.name === 'AbortError') throw error;
    throw new ConnectionClosedError(what);
  }
  return { chunks, total };
}

async function commandBytes(commandId, body, what) {
  const response = await openCommand(commandId, body);
  const { chunks } = await readBody(response, what);
  return concatBytes(chunks);
}

// Thrown replies of the byte parsers say the same as ConnectionClosedError; callers show either.
export async function getConfiguration() {
  return parseConfiguration(await commandBytes(CMD_GET_CONFIGURE, null, 'configuration reply'));
}

// Resolves true when the password is right (the comparison word is 0).
export async function checkPassword(password) {
  return parseWord(await commandBytes(CMD_CHECK_PASSWORD, encodeLine(password), 'password reply')) === 0;
}

export async function listFolder(path) {
  return parseFolderListing(await commandBytes(CMD_LIST_FOLDER, encodeLine(path), 'folder listing'));
}

export async function freeSpace(path) {
  return parseDiskSpace(await commandBytes(CMD_CHECK_DISK_SPACE, encodeLine(path), 'free-space reply'));
}

export async function createFolder(path) {
  return parseWord(await commandBytes(CMD_CREATE_FOLDER, encodeLine(path), 'reply'));
}

export async function deleteFile(path) {
  return parseWord(await commandBytes(CMD_DELETE_FILE, encodeLine(path), 'reply'));
}

export async function deleteFolder(path) {
  return parseWord(await commandBytes(CMD_DELETE_FOLDER, encodeLine(path), 'reply'));
}

// Resolves true when moved (word 1).
export async function moveItem(source, target) {
  return parseWord(await commandBytes(CMD_MOVE, encodeLines(source, target), 'reply')) === 1;
}

// Downloads a file; the reply carries no length, so the listing's size is what progress is measured
// against. Resolves { blob, received }.
export async function downloadFile(path, { onProgress = () => {}, signal } = {}) {
  const response = await openCommand(CMD_DOWNLOAD_FILE, encodeLine(path), signal);
  const { chunks, total } = await readBody(response, 'download', onProgress);
  return { blob: new Blob(chunks), received: total };
}

// Posts a body with XMLHttpRequest, the one browser API that reports upload progress.
// onUploaded runs once the whole body has left; resolves the reply body's bytes.
function postWithProgress(commandId, body, { onUploadProgress = () => {}, onUploaded = null, what = 'reply' } = {}) {
  return new Promise((resolve, reject) => {
    const request = new XMLHttpRequest();
    request.open('POST', COMMAND_URL);
    request.setRequestHeader('Command-ID', String(commandId));
    request.responseType = 'arraybuffer';
    request.upload.addEventListener('progress', (event) => onUploadProgress(event.loaded));
    if (onUploaded) request.upload.addEventListener('load', () => onUploaded(request));
    request.addEventListener('load', () => resolve(new Uint8Array(request.response ?? new ArrayBuffer(0))));
    request.addEventListener('error', () => reject(request.upload.loaded > 0 ? new ConnectionClosedError(what) : new ServerUnreachableError()));
    request.addEventListener('abort', () => resolve(null));
    request.send(body);
  });
}

// Uploads one file: the path line, then the bytes, as one body (the browser sets Content-Length).
// onProgress(sentFileBytes). Resolves the reply word: 0 stored, 1 write failure.
export async function uploadFile(path, file, { onProgress = () => {} } = {}) {
  const line = encodeLine(path);
  const reply = await postWithProgress(CMD_UPLOAD_FILE, new Blob([line, file]), {
    onUploadProgress: (loaded) => onProgress(Math.max(0, Math.min(file.size, loaded - line.length))),
    what: 'upload reply',
  });
  return parseWord(reply, 'upload reply');
}

// One remote control request: the records as the body. The server reads records until the
// connection closes, so once the body has left, the request is closed, which ends the session.
export function sendControlRecords(records) {
  return postWithProgress(CMD_REMOTE_CONTROL, new Blob([records]), {
    onUploaded: (request) => request.abort(),
    what: 'control request',
  });
}

// Opens a remote display session; resolves the response whose body streams the screen.
export function openRemoteDisplay(signal) {
  return openCommand(CMD_REMOTE_DISPLAY, null, signal);
}
