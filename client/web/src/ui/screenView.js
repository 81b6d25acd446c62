// The remote screen: streams the handheld's display onto a canvas and sends mouse and keys back.

import { openRemoteDisplay, sendControlRecords } from '../net/commandClient.js';
import { ControlSender } from '../net/controlSender.js';
import { DisplayStreamError, DisplayStreamParser } from '../protocol/displayStream.js';
import { bandRawRows } from '../protocol/bands.js';
import { bandTopLine, bandToRgba } from '../protocol/pixels.js';
import {
  canvasToScreenPoint, keyRecord, mouseButtonMessage, mouseMoveRecord, mouseRecord, virtualKeyFor,
} from '../protocol/inputEvents.js';
import { el } from './dom.js';
import { humanSize } from './format.js';
import { describeError } from './outcomes.js';

const RATE_WINDOW_MS = 2000;

export class ScreenView {
  constructor({ notices, onClose }) {
    this.notices = notices;
    this.onClose = onClose;
    this.session = null;
    this.canvas = el('canvas', {
      class: 'screen-canvas', width: 240, height: 320, tabindex: '0',
      'aria-label': 'Handheld screen. Mouse and keys here go to the handheld; Tab leaves.',
    });
    this.context = this.canvas.getContext('2d');
    this.state = el('p', { class: 'screen-state', role: 'status' }, 'Not connected');
    this.rate = el('span', { class: 'screen-rate' }, '0.0 frames/s');
    this.received = el('span', { class: 'screen-bytes' }, '0 bytes received');
    this.size = el('span', { class: 'screen-size' }, '');
    this.controlToggle = el('input', { type: 'checkbox', checked: true });
    this.zoom = el('select', { 'aria-label': 'Zoom', on: { change: () => this.applyZoom() } },
      el('option', { value: '1' }, '100 %'), el('option', { value: '2' }, '200 %'));
    this.element = el('section', { class: 'screen-view', 'aria-label': 'Remote screen', hidden: true },
      el('div', { class: 'toolbar' },
        el('button', { type: 'button', class: 'primary', on: { click: () => this.close() } }, 'Close screen'),
        el('label', { class: 'check' }, this.controlToggle, ' Send mouse and keys'),
        el('label', { class: 'check' }, 'Zoom ', this.zoom),
        el('span', { class: 'toolbar-gap' }),
        el('span', { class: 'screen-figures' }, this.size, this.rate, this.received)),
      this.state,
      el('div', { class: 'screen-frame' }, this.canvas));
    this.installInput();
  }

  open() {
    this.element.hidden = false;
    this.start();
    this.canvas.focus();
  }

  close() {
    this.stop();
    this.element.hidden = true;
    this.onClose();
  }

  // Aborting the display request closes its connection; the handheld ends the session at its next band.
  stop() {
    if (!this.session) return;
    this.session.abort.abort();
    this.session.control.close();
    clearInterval(this.session.timer);
    this.session = null;
  }

  start() {
    this.stop();
    const session = {
      abort: new AbortController(),
      control: new ControlSender(sendControlRecords, { onError: (error) => this.notices.error(`Remote control: ${describeError(error)}`) }),
      screen: null,
      failure: null,
      bytes: 0,
      drawTimes: [],
      timer: 0,
    };
    session.timer = setInterval(() => this.showFigures(session), 500);
    this.session = session;
    this.state.textContent = 'Connecting to the handheld’s screen…';
    this.showFigures(session);
    this.run(session).catch((error) => {
      if (error.name === 'AbortError' || this.session !== session) return;
      this.state.textContent = describeError(error);
      this.notices.error(`Remote screen: ${describeError(error)}`);
      session.abort.abort();
    });
  }

  async run(session) {
    const response = await openRemoteDisplay(session.abort.signal);
    const reader = response.body.getReader();
    const parser = new DisplayStreamParser();
    // Bands are drawn strictly in arrival order; unpacking is asynchronous, so they queue here.
    let drawing = Promise.resolve();
    for (;;) {
      let result;
      try {
        result = await reader.read();
      } catch (error) {
        if (session.abort.signal.aborted) return;
        throw new DisplayStreamError('The connection to the handheld’s screen closed unexpectedly.');
      }
      if (result.done) break;
      session.bytes += result.value.length;
      for (const event of parser.feed(result.value)) {
        if (event.type === 'screen') this.beginScreen(session, event);
        else drawing = drawing.then(() => this.drawBand(session, event)).catch((error) => { session.failure ??= error; });
      }
      if (session.failure) throw session.failure;
    }
    await drawing;
    if (session.failure) throw session.failure;
    if (!parser.atBoundary) throw new DisplayStreamError('The connection to the handheld’s screen closed in the middle of a frame.');
    if (this.session !== session) return;
    this.state.textContent = session.screen
      ? 'The screen session has ended. Close and reopen the screen to start again.'
      : 'The handheld cannot show its screen (no capture possible at its display depth).';
    this.showFigures(session);
  }

  beginScreen(session, screen) {
    session.screen = screen;
    this.canvas.width = screen.width;
    this.canvas.height = screen.height;
    this.context.fillStyle = '#000';
    this.context.fillRect(0, 0, screen.width, screen.height);
    this.applyZoom();
    this.size.textContent = `${screen.width} × ${screen.height}, ${screen.bitsPerPixel} bits`;
    this.state.textContent = 'Connected. Changes on the handheld appear here.';
  }

  async drawBand(session, band) {
    if (this.session !== session) return;
    const { screen } = session;
    const raw = await bandRawRows(band, screen);
    if (this.session !== session) return;
    const rowCount = band.lastRow - band.firstRow + 1;
    const rgba = bandToRgba(raw, screen.width, screen.bitsPerPixel, screen.stride, rowCount);
    this.context.putImageData(new ImageData(rgba, screen.width, rowCount), 0, bandTopLine(screen.height, band.lastRow));
    session.drawTimes.push(performance.now());
    this.showFigures(session);
  }

  showFigures(session) {
    const now = performance.now();
    session.drawTimes = session.drawTimes.filter((time) => now - time <= RATE_WINDOW_MS);
    this.rate.textContent = `${(session.drawTimes.length / (RATE_WINDOW_MS / 1000)).toFixed(1)} frames/s`;
    this.received.textContent = `${humanSize(session.bytes)} received`;
    this.received.title = `${session.bytes.toLocaleString()} bytes`;
  }

  applyZoom() {
    const factor = Number(this.zoom.value);
    this.canvas.style.width = `${this.canvas.width * factor}px`;
    this.canvas.style.height = `${this.canvas.height * factor}px`;
  }

  // --- Control ------------------------------------------------------------------------------------

  send(record) {
    if (this.session?.screen && this.controlToggle.checked) this.session.control.enqueue(record);
  }

  pointAt(event) {
    const box = this.canvas.getBoundingClientRect();
    const { width, height } = this.session.screen;
    return canvasToScreenPoint(event.clientX - box.left, event.clientY - box.top, box.width, box.height, width, height);
  }

  installInput() {
    const canvas = this.canvas;
    canvas.addEventListener('contextmenu', (event) => event.preventDefault());
    canvas.addEventListener('pointermove', (event) => {
      if (!this.session?.screen) return;
      const { x, y } = this.pointAt(event);
      this.send(mouseMoveRecord(x, y));
    });
    const button = (isDown) => (event) => {
      const message = mouseButtonMessage(event.button, isDown);
      if (message === null || !this.session?.screen) return;
      event.preventDefault();
      if (isDown) {
        canvas.focus();
        canvas.setPointerCapture(event.pointerId);
      }
      const { x, y } = this.pointAt(event);
      this.send(mouseRecord(message, x, y));
    };
    canvas.addEventListener('pointerdown', button(true));
    canvas.addEventListener('pointerup', button(false));
    const key = (isDown) => (event) => {
      // Tab keeps its desktop meaning, so the keyboard can always leave the screen.
      if (event.key === 'Tab') return;
      const virtualKey = virtualKeyFor(event);
      if (virtualKey === 0) return;
      event.preventDefault();
      this.send(keyRecord(isDown, virtualKey));
    };
    canvas.addEventListener('keydown', key(true));
    canvas.addEventListener('keyup', key(false));
  }
}
