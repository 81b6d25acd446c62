// Queues remote control records and sends them in batches, one control request in flight at a time.

import { INPUT_EVENT_SIZE, decodeInputEvent } from '../protocol/inputEvents.js';
import { WM_MOUSEMOVE } from '../protocol/constants.js';
import { concatBytes } from '../protocol/bytes.js';

// A browser cannot keep streaming a request body over HTTP/1.1, so records gathered while a request
// is on its way wait and go out together as the body of the next one.
export class ControlSender {
  // sendBatch(bytes) returns a promise that settles once that request is over; onError(error) hears
  // of a batch that failed (its records are dropped: replaying stale input later would be worse).
  constructor(sendBatch, { onError = () => {}, maxRecordsPerBatch = 1024 } = {}) {
    this.sendBatch = sendBatch;
    this.onError = onError;
    this.maxRecordsPerBatch = maxRecordsPerBatch;
    this.pending = [];
    this.inFlight = null;
    this.closed = false;
  }

  get busy() {
    return this.inFlight !== null;
  }

  // Consecutive mouse moves collapse into the latest one: only where the pointer ends up matters.
  enqueue(record) {
    if (this.closed) return;
    if (record.length !== INPUT_EVENT_SIZE) throw new RangeError('A control record is 12 bytes.');
    const last = this.pending[this.pending.length - 1];
    if (last && isMouseMove(last) && isMouseMove(record)) this.pending[this.pending.length - 1] = record;
    else this.pending.push(record);
    this.pump();
  }

  // Resolves when everything queued so far has been sent (or failed).
  async drain() {
    while (this.inFlight) await this.inFlight;
  }

  close() {
    this.closed = true;
    this.pending = [];
  }

  pump() {
    if (this.inFlight || this.pending.length === 0 || this.closed) return;
    const batch = this.pending.splice(0, this.maxRecordsPerBatch);
    this.inFlight = (async () => {
      try {
        await this.sendBatch(concatBytes(batch));
      } catch (error) {
        this.onError(error);
      } finally {
        this.inFlight = null;
        this.pump();
      }
    })();
  }
}

function isMouseMove(record) {
  return decodeInputEvent(record).message === WM_MOUSEMOVE;
}
