// Errors of the connection to the handheld, worded for the person at the desktop.

export class ServerUnreachableError extends Error {
  constructor() {
    super('The handheld does not answer. Check that KelvaneServer is running and that this computer can reach it.');
    this.name = 'ServerUnreachableError';
  }
}

export class ConnectionClosedError extends Error {
  constructor(what = 'reply') {
    super(`The connection closed before the ${what} was complete.`);
    this.name = 'ConnectionClosedError';
  }
}
