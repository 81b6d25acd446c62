// Test harness of the browser tests: the real server on loopback, Chromium through playwright-core, Xvfb.
import { spawn, execFile } from 'node:child_process';
import { createRequire } from 'node:module';
import fs from 'node:fs';
import net from 'node:net';
import os from 'node:os';
import path from 'node:path';
import { fileURLToPath } from 'node:url';
import { promisify } from 'node:util';

export const sourceDir = process.env.KELVANE_SOURCE_DIR ?? path.resolve(path.dirname(fileURLToPath(import.meta.url)), '../../..');
export const binDir = process.env.KELVANE_BIN_DIR ?? path.join(sourceDir, 'build/bin');

// playwright-core lives with the web client's npm packages; it never downloads a browser.
process.env.PLAYWRIGHT_SKIP_BROWSER_DOWNLOAD = '1';
const { chromium } = createRequire(path.join(sourceDir, 'client/web/package.json'))('playwright-core');

const run = promisify(execFile);
export const sleep = (milliseconds) => new Promise((resolve) => setTimeout(resolve, milliseconds));

// Polls check() until it returns a truthy value; fails with `message` and the last value after `timeout`.
export async function waitFor(check, { timeout = 10000, interval = 100, message = 'condition' } = {}) {
  const deadline = Date.now() + timeout;
  let last;
  for (;;) {
    last = await check();
    if (last) return last;
    if (Date.now() > deadline) throw new Error(`timed out waiting for ${message} (last: ${JSON.stringify(last)})`);
    await sleep(interval);
  }
}

// Every test folder is removed by the cleanup list its test registers.
export function temporaryFolder(prefix) {
  return fs.mkdtempSync(path.join(os.tmpdir(), `kelvane-web-${prefix}-`));
}

export function freePort() {
  return new Promise((resolve, reject) => {
    const server = net.createServer();
    server.on('error', reject);
    server.listen(0, '127.0.0.1', () => {
      const { port } = server.address();
      server.close(() => resolve(port));
    });
  });
}

// Writes the settings store in the text form that regedit exports.
export function writeRegistry(file, values) {
  const escape = (text) => text.replaceAll('\\', '\\\\').replaceAll('"', '\\"');
  const lines = ['Windows Registry Editor Version 5.00', '', '[HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Kelvane]'];
  for (const [name, value] of Object.entries(values)) {
    lines.push(typeof value === 'number'
      ? `"${name}"=dword:${value.toString(16).padStart(8, '0')}`
      : `"${name}"="${escape(value)}"`);
  }
  fs.writeFileSync(file, `${lines.join('\r\n')}\r\n`);
}

function portAccepts(port) {
  return new Promise((resolve) => {
    const socket = net.connect({ host: '127.0.0.1', port }, () => { socket.destroy(); resolve(true); });
    socket.on('error', () => resolve(false));
  });
}

// Starts kelvane-server (headless) on a free loopback port. `program` defaults to the build's binary.
export async function startServer({ root, registry, program = path.join(binDir, 'kelvane-server'), env = {} }) {
  const port = await freePort();
  const log = [];
  const child = spawn(program, ['--port', String(port), '--root', root, '--registry', registry, '--headless'], {
    env: { ...process.env, ...env },
    stdio: ['ignore', 'pipe', 'pipe'],
  });
  child.stdout.on('data', (chunk) => log.push(chunk.toString()));
  child.stderr.on('data', (chunk) => log.push(chunk.toString()));
  let exited = false;
  const exit = new Promise((resolve) => child.on('exit', () => { exited = true; resolve(); }));
  await waitFor(async () => exited || portAccepts(port), { timeout: 10000, message: `kelvane-server on port ${port}` });
  if (exited) throw new Error(`kelvane-server did not start:\n${log.join('')}`);
  return {
    port,
    url: `http://127.0.0.1:${port}/`,
    log: () => log.join(''),
    async stop() {
      if (exited) return;
      child.kill('SIGTERM');
      if (await Promise.race([exit.then(() => true), sleep(5000).then(() => false)])) return;
      child.kill('SIGKILL');
      await exit;
    },
  };
}

// Starts Xvfb on a free display number (-noreset keeps the screen when its last client leaves).
export async function startXvfb({ width = 320, height = 240, depth = 24 } = {}) {
  for (let number = 90 + (process.pid % 50); number < 250; number++) {
    if (fs.existsSync(`/tmp/.X${number}-lock`) || fs.existsSync(`/tmp/.X11-unix/X${number}`)) continue;
    const display = `:${number}`;
    const child = spawn('Xvfb', [display, '-screen', '0', `${width}x${height}x${depth}`, '-noreset', '-nolisten', 'tcp'], { stdio: 'ignore' });
    let exited = false;
    const exit = new Promise((resolve) => child.on('exit', () => { exited = true; resolve(); }));
    const ready = await waitFor(async () => {
      if (exited) return 'exited';
      try {
        await run('xdpyinfo', ['-display', display]);
        return 'ready';
      } catch {
        return false;
      }
    }, { timeout: 10000, message: `Xvfb on ${display}` });
    if (ready === 'exited') continue; // another server took the number first
    return {
      display,
      async stop() {
        if (exited) return;
        child.kill('SIGTERM');
        if (!(await Promise.race([exit.then(() => true), sleep(3000).then(() => false)]))) child.kill('SIGKILL');
        await exit;
      },
    };
  }
  throw new Error('no free X display number');
}

export async function xCommand(display, program, ...args) {
  const { stdout } = await run(program, args, { env: { ...process.env, DISPLAY: display } });
  return stdout;
}

// Debian's Chromium, headless, in a fresh profile; never anything but loopback.
// Locale and time zone are fixed so that sizes and converted times read the same on every machine.
export async function launchBrowser({ viewport = { width: 1100, height: 720 }, timezoneId = 'UTC' } = {}) {
  const profile = temporaryFolder('profile');
  const context = await chromium.launchPersistentContext(profile, {
    executablePath: '/usr/bin/chromium',
    headless: true,
    args: ['--headless', '--no-sandbox', '--disable-gpu', '--disable-background-networking', '--disable-component-update',
      '--disable-sync', '--no-first-run', '--disable-quic'],
    viewport,
    locale: 'en-US',
    timezoneId,
    acceptDownloads: true,
  });
  const problems = [];
  // Each page records script errors and refused loads (a page-policy refusal is a console error).
  const watch = (page) => {
    page.setDefaultTimeout(10000);
    page.on('pageerror', (error) => problems.push(`page error: ${error.message}`));
    page.on('console', (message) => { if (message.type() === 'error') problems.push(`console: ${message.text()}`); });
    return page;
  };
  const page = watch(context.pages()[0] ?? await context.newPage());
  return {
    context,
    page,
    problems,
    // A further tab of the same browser: starting Chromium costs seconds, a tab almost nothing.
    newPage: async () => watch(await context.newPage()),
    async close() {
      await context.close();
      fs.rmSync(profile, { recursive: true, force: true });
    },
  };
}

// Screenshots go to KELVANE_WEB_SCREENSHOTS when it is set (the docs/ pictures are made that way).
export async function screenshot(page, name) {
  const folder = process.env.KELVANE_WEB_SCREENSHOTS;
  if (!folder) return;
  fs.mkdirSync(folder, { recursive: true });
  await page.screenshot({ path: path.join(folder, name) });
}
