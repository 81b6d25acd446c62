// Remote control records (12 bytes: message, wParam, lParam) and the mapping of browser events to them.

import {
  WM_KEYDOWN, WM_KEYUP, WM_LBUTTONDOWN, WM_LBUTTONUP, WM_MOUSEMOVE, WM_RBUTTONDOWN, WM_RBUTTONUP,
} from './constants.js';

export const INPUT_EVENT_SIZE = 12;

export function encodeInputEvent(message, wParam, lParam) {
  const bytes = new Uint8Array(INPUT_EVENT_SIZE);
  const view = new DataView(bytes.buffer);
  view.setUint32(0, message >>> 0, true);
  view.setUint32(4, wParam >>> 0, true);
  view.setUint32(8, lParam >>> 0, true);
  return bytes;
}

// Reads a record back; used by tests and by the fake server.
export function decodeInputEvent(bytes, offset = 0) {
  const view = new DataView(bytes.buffer, bytes.byteOffset + offset, INPUT_EVENT_SIZE);
  const lParam = view.getUint32(8, true);
  return { message: view.getUint32(0, true), wParam: view.getUint32(4, true), lParam, x: lParam & 0xffff, y: lParam >>> 16 };
}

// x in the low 16 bits, y in the high 16 bits, both unsigned.
export function mouseLParam(x, y) {
  return ((x & 0xffff) | ((y & 0xffff) << 16)) >>> 0;
}

// Mouse button (0 left, 2 right) and direction to the message number; null for other buttons.
export function mouseButtonMessage(button, isDown) {
  if (button === 0) return isDown ? WM_LBUTTONDOWN : WM_LBUTTONUP;
  if (button === 2) return isDown ? WM_RBUTTONDOWN : WM_RBUTTONUP;
  return null;
}

export function mouseRecord(message, x, y) {
  return encodeInputEvent(message, 0, mouseLParam(x, y));
}

export function mouseMoveRecord(x, y) {
  return mouseRecord(WM_MOUSEMOVE, x, y);
}

export function keyRecord(isDown, virtualKey) {
  return encodeInputEvent(isDown ? WM_KEYDOWN : WM_KEYUP, virtualKey & 0xff, 0);
}

// Maps a point in the canvas's CSS box to a pixel of the handheld's screen, clamped to the screen.
export function canvasToScreenPoint(offsetX, offsetY, boxWidth, boxHeight, screenWidth, screenHeight) {
  const clamp = (value, limit) => Math.min(Math.max(value, 0), limit - 1);
  return {
    x: clamp(Math.floor((offsetX * screenWidth) / boxWidth), screenWidth),
    y: clamp(Math.floor((offsetY * screenHeight) / boxHeight), screenHeight),
  };
}

// Virtual-key codes by physical key (KeyboardEvent.code), so that the layout of the desktop's
// keyboard does not change which key the handheld sees.
const NAMED_KEYS = {
  Backspace: 0x08, Tab: 0x09, Enter: 0x0d, NumpadEnter: 0x0d, ShiftLeft: 0x10, ShiftRight: 0x10,
  ControlLeft: 0x11, ControlRight: 0x11, AltLeft: 0x12, AltRight: 0x12, Pause: 0x13, CapsLock: 0x14,
  Escape: 0x1b, Space: 0x20, PageUp: 0x21, PageDown: 0x22, End: 0x23, Home: 0x24, ArrowLeft: 0x25,
  ArrowUp: 0x26, ArrowRight: 0x27, ArrowDown: 0x28, PrintScreen: 0x2c, Insert: 0x2d, Delete: 0x2e,
  MetaLeft: 0x5b, MetaRight: 0x5c, ContextMenu: 0x5d, NumpadMultiply: 0x6a, NumpadAdd: 0x6b,
  NumpadSubtract: 0x6d, NumpadDecimal: 0x6e, NumpadDivide: 0x6f, NumLock: 0x90, ScrollLock: 0x91,
  Semicolon: 0xba, Equal: 0xbb, Comma: 0xbc, Minus: 0xbd, Period: 0xbe, Slash: 0xbf, Backquote: 0xc0,
  BracketLeft: 0xdb, Backslash: 0xdc, BracketRight: 0xdd, Quote: 0xde, IntlBackslash: 0xe2,
};

// The virtual-key code of a keyboard event ({ code, keyCode }), or 0 when it has none.
export function virtualKeyFor(event) {
  const code = event.code ?? '';
  let match = /^Key([A-Z])$/.exec(code);
  if (match) return match[1].charCodeAt(0);
  match = /^Digit([0-9])$/.exec(code);
  if (match) return 0x30 + Number(match[1]);
  match = /^Numpad([0-9])$/.exec(code);
  if (match) return 0x60 + Number(match[1]);
  match = /^F([0-9]{1,2})$/.exec(code);
  if (match && Number(match[1]) >= 1 && Number(match[1]) <= 24) return 0x6f + Number(match[1]);
  if (code in NAMED_KEYS) return NAMED_KEYS[code];
  // Keys without a known physical code: browsers report Windows virtual-key numbers in keyCode.
  const keyCode = event.keyCode ?? 0;
  return keyCode > 0 && keyCode < 0xff ? keyCode : 0;
}
