// Remote control records, key and pointer mapping, and the one-request-in-flight sender.
import test from 'node:test';
import assert from 'node:assert/strict';
import { load } from './paths.mjs';

const events = await load('protocol/inputEvents.js');
const { ControlSender } = await load('net/controlSender.js');

test('record layout', () => {
  assert.deepEqual([...events.keyRecord(true, 0x41)], [0, 1, 0, 0, 0x41, 0, 0, 0, 0, 0, 0, 0]);
  assert.deepEqual([...events.keyRecord(false, 0x141)], [1, 1, 0, 0, 0x41, 0, 0, 0, 0, 0, 0, 0]);
  assert.deepEqual([...events.mouseMoveRecord(0x1234, 0x0102)], [0, 2, 0, 0, 0, 0, 0, 0, 0x34, 0x12, 0x02, 0x01]);
  assert.deepEqual(events.decodeInputEvent(events.mouseRecord(516, 239, 319)), { message: 516, wParam: 0, lParam: (319 << 16) | 239, x: 239, y: 319 });
  assert.equal(events.mouseLParam(65535, 65535), 0xffffffff, 'lParam is unsigned');
});

test('mouse buttons', () => {
  const cases = [
    { button: 0, down: true, message: 513 }, { button: 0, down: false, message: 514 },
    { button: 2, down: true, message: 516 }, { button: 2, down: false, message: 517 },
    { button: 1, down: true, message: null },
  ];
  for (const row of cases) assert.equal(events.mouseButtonMessage(row.button, row.down), row.message, JSON.stringify(row));
});

test('canvas points map to device pixels', () => {
  const cases = [
    { at: [0, 0], box: [240, 320], screen: [240, 320], point: { x: 0, y: 0 } },
    { at: [120, 160], box: [480, 640], screen: [240, 320], point: { x: 60, y: 80 } },
    { at: [479.9, 639.9], box: [480, 640], screen: [240, 320], point: { x: 239, y: 319 } },
    { at: [-5, 700], box: [240, 320], screen: [240, 320], point: { x: 0, y: 319 } },
  ];
  for (const row of cases) {
    assert.deepEqual(events.canvasToScreenPoint(...row.at, ...row.box, ...row.screen), row.point, JSON.stringify(row));
  }
});

test('virtual-key codes', () => {
  const cases = [
    { event: { code: 'KeyA', keyCode: 65 }, vk: 0x41 }, { event: { code: 'KeyZ' }, vk: 0x5a },
    { event: { code: 'Digit0' }, vk: 0x30 }, { event: { code: 'Numpad7' }, vk: 0x67 },
    { event: { code: 'F1' }, vk: 0x70 }, { event: { code: 'F12' }, vk: 0x7b }, { event: { code: 'F25', keyCode: 0 }, vk: 0 },
    { event: { code: 'Enter' }, vk: 0x0d }, { event: { code: 'ShiftRight' }, vk: 0x10 }, { event: { code: 'ArrowDown' }, vk: 0x28 },
    { event: { code: 'Slash' }, vk: 0xbf }, { event: { code: '', keyCode: 0xad }, vk: 0xad },
    { event: { code: 'Unidentified', keyCode: 229 }, vk: 229 },
  ];
  for (const row of cases) assert.equal(events.virtualKeyFor(row.event), row.vk, JSON.stringify(row.event));
});

// A transport whose requests finish only when the test says so.
function manualTransport() {
  const batches = [];
  const finishers = [];
  const send = (bytes) => new Promise((resolve, reject) => { batches.push(bytes); finishers.push({ resolve, reject }); });
  return { batches, finishers, send };
}
const messagesOf = (bytes) => Array.from({ length: bytes.length / 12 }, (_, i) => events.decodeInputEvent(bytes, i * 12).message);

test('one control request in flight; later records wait for the next', async () => {
  const transport = manualTransport();
  const sender = new ControlSender(transport.send);
  sender.enqueue(events.mouseRecord(513, 1, 1));
  sender.enqueue(events.mouseRecord(514, 1, 1));
  sender.enqueue(events.keyRecord(true, 0x41));
  assert.equal(transport.batches.length, 1);
  assert.deepEqual(messagesOf(transport.batches[0]), [513]);
  transport.finishers[0].resolve();
  await new Promise((r) => setImmediate(r));
  assert.equal(transport.batches.length, 2);
  assert.deepEqual(messagesOf(transport.batches[1]), [514, 256]);
  transport.finishers[1].resolve();
  await sender.drain();
  assert.equal(transport.batches.length, 2);
  assert.equal(sender.busy, false);
});

test('waiting mouse moves collapse into the last; other records keep their order', async () => {
  const transport = manualTransport();
  const sender = new ControlSender(transport.send);
  sender.enqueue(events.keyRecord(true, 0x10));
  for (const x of [1, 2, 3]) sender.enqueue(events.mouseMoveRecord(x, 0));
  sender.enqueue(events.mouseRecord(513, 3, 0));
  sender.enqueue(events.mouseMoveRecord(4, 0));
  sender.enqueue(events.mouseMoveRecord(5, 0));
  transport.finishers[0].resolve();
  await new Promise((r) => setImmediate(r));
  const second = transport.batches[1];
  assert.deepEqual(messagesOf(second), [512, 513, 512]);
  assert.equal(events.decodeInputEvent(second, 0).x, 3);
  assert.equal(events.decodeInputEvent(second, 24).x, 5);
});

test('a failed batch is reported and the next one still goes', async () => {
  const transport = manualTransport();
  const errors = [];
  const sender = new ControlSender(transport.send, { onError: (e) => errors.push(e.message) });
  sender.enqueue(events.keyRecord(true, 1));
  sender.enqueue(events.keyRecord(false, 1));
  transport.finishers[0].reject(new Error('unreachable'));
  await new Promise((r) => setImmediate(r));
  assert.deepEqual(errors, ['unreachable']);
  assert.equal(transport.batches.length, 2);
  sender.close();
  sender.enqueue(events.keyRecord(true, 2));
  transport.finishers[1].resolve();
  await sender.drain();
  assert.equal(transport.batches.length, 2, 'nothing is sent after close');
});
