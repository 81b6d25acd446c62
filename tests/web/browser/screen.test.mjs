// The remote screen against the real server on an Xvfb screen: pixels, compression, and pointer control.
import { after, before, describe, it } from 'node:test';
import assert from 'node:assert/strict';
import { spawn } from 'node:child_process';
import fs from 'node:fs';
import path from 'node:path';
import {
  binDir, launchBrowser, screenshot, startServer, startXvfb, temporaryFolder, waitFor, writeRegistry, xCommand,
} from './harness.mjs';

const WIDTH = 320;
const HEIGHT = 240;
const TOP = [0xd0, 0x3c, 0x2a];
const BOTTOM = [0x2a, 0x6f, 0xd0];
const LATER = [0x30, 0xa0, 0x50];
const hex = (rgb) => `#${rgb.map((c) => c.toString(16).padStart(2, '0')).join('')}`;

// A two-colour picture for xsetroot: the top third and a disc low on the right in the first colour,
// the rest in the second. Bits run from the least significant, rows padded to whole bytes.
function writePattern(file) {
  const rowBytes = Math.ceil(WIDTH / 8);
  const bits = new Uint8Array(rowBytes * HEIGHT);
  for (let y = 0; y < HEIGHT; y++) {
    for (let x = 0; x < WIDTH; x++) {
      const inDisc = (x - 250) ** 2 + (y - 170) ** 2 < 40 ** 2;
      if (y < HEIGHT / 3 || inDisc) bits[y * rowBytes + (x >> 3)] |= 1 << (x & 7);
    }
  }
  // Xlib reads the declaration line whole, so the numbers start on the next line, twelve a line.
  const numbers = [...bits].map((b) => `0x${b.toString(16).padStart(2, '0')}`);
  const lines = [];
  for (let at = 0; at < numbers.length; at += 12) lines.push(`  ${numbers.slice(at, at + 12).join(', ')}`);
  fs.writeFileSync(file, `#define p_width ${WIDTH}\n#define p_height ${HEIGHT}\nstatic unsigned char p_bits[] = {\n${lines.join(',\n')}};\n`);
}

// The latest action of each worker, from the status lines that a headless server prints.
function workerActions(log) {
  const actions = {};
  for (const match of log.matchAll(/^Thread (\d+): .*Action "([^"]*)"$/gm)) actions[match[1]] = match[2];
  return actions;
}

// A copy of the program folder without libquodra.so: the server then sends every band raw.
function programFolderWithoutCompression(folder) {
  // The remote screen module comes with the program; only the compression library stays behind.
  for (const name of ['kelvane-server', 'libkelvane-remote.so', 'default.html', 'Qormix.cab']) fs.copyFileSync(path.join(binDir, name), path.join(folder, name));
  fs.chmodSync(path.join(folder, 'kelvane-server'), 0o755);
  return path.join(folder, 'kelvane-server');
}

const variants = [
  { name: '24-bit screen with the compression library, shown at 200 %', depth: 24, compressed: true, zoom: 2, picture: 'web-screen.png' },
  { name: '16-bit screen without the compression library', depth: 16, compressed: false, zoom: 1 },
];

describe('remote screen', () => {
  let browser;
  before(async () => {
    browser = await launchBrowser();
  });
  after(async () => {
    await browser?.close();
  });

  for (const variant of variants) describe(variant.name, () => {
    const cleanups = [];
    after(async () => {
      for (const cleanup of cleanups.reverse()) await cleanup();
    });

    let xvfb; let server; let page;

    const canvasPixel = (x, y) => page.evaluate(([px, py]) => {
      const canvas = document.querySelector('canvas');
      return [...canvas.getContext('2d').getImageData(px, py, 1, 1).data.slice(0, 3)];
    }, [x, y]);
    // 5-bit channels are widened on the way; allow for the loss of the low bits.
    const near = (actual, expected) => actual.every((value, index) => Math.abs(value - expected[index]) <= 10);
    const waitForColour = (x, y, expected, what) => waitFor(async () => near(await canvasPixel(x, y), expected), { timeout: 10000, message: what });
    const bytesReceived = async () => Number((await page.locator('.screen-bytes').getAttribute('title')).replace(/\D/g, ''));

    it('shows the colours drawn on the screen, right side up', async () => {
      xvfb = await startXvfb({ width: WIDTH, height: HEIGHT, depth: variant.depth });
      cleanups.push(() => xvfb.stop());
      const work = temporaryFolder('screen');
      cleanups.push(() => fs.rmSync(work, { recursive: true, force: true }));
      fs.mkdirSync(path.join(work, 'root'));
      writePattern(path.join(work, 'pattern.xbm'));
      await xCommand(xvfb.display, 'xsetroot', '-bitmap', path.join(work, 'pattern.xbm'), '-fg', hex(TOP), '-bg', hex(BOTTOM));

      const registry = path.join(work, 'registry.reg');
      writeRegistry(registry, { UsePass: 0 });
      let program;
      if (!variant.compressed) {
        fs.mkdirSync(path.join(work, 'program'));
        program = programFolderWithoutCompression(path.join(work, 'program'));
      }
      server = await startServer({ root: path.join(work, 'root'), registry, program, env: { DISPLAY: xvfb.display } });
      cleanups.push(() => server.stop());
      page = await browser.newPage();
      cleanups.push(() => page.close());

      await page.goto(server.url);
      await page.getByRole('button', { name: 'Remote screen' }).click();
      await page.getByText(`${WIDTH} × ${HEIGHT}`).waitFor();
      await page.getByLabel('Zoom').selectOption(String(variant.zoom));
      await waitForColour(160, 20, TOP, 'the top of the screen');
      await waitForColour(40, 200, BOTTOM, 'the bottom of the screen');
      await waitForColour(250, 170, TOP, 'the disc low on the right');
      if (variant.picture) await screenshot(page, variant.picture);
      assert.deepEqual(browser.problems, []);
    });

    it(variant.compressed ? 'receives the frames compressed' : 'receives the frames raw', async () => {
      const rawScreen = WIDTH * HEIGHT * (variant.depth === 16 ? 2 : 4);
      // The figure is refreshed twice a second; wait until it counts the whole first frame.
      const received = await waitFor(async () => {
        const count = await bytesReceived();
        return (variant.compressed ? count > 0 : count >= rawScreen) && count;
      }, { message: 'the received byte count' });
      if (variant.compressed) assert.ok(received < rawScreen / 4, `${received} bytes for a screen of ${rawScreen}`);
      else assert.ok(received >= rawScreen, `${received} bytes for a screen of ${rawScreen}`);
    });

    it('follows a change of the screen', async () => {
      await xCommand(xvfb.display, 'xsetroot', '-solid', hex(LATER));
      await waitForColour(160, 20, LATER, 'the new colour at the top');
      await waitForColour(250, 170, LATER, 'the new colour in place of the disc');
      assert.match(await page.locator('.screen-rate').textContent(), /^\d+\.\d frames\/s$/);
    });

    it('presses and releases on the handheld the keys typed on the canvas', async () => {
      // xev reports the key events that reach the root window, which has the focus on a bare X server.
      const xev = spawn('xev', ['-root', '-event', 'keyboard'], { env: { ...process.env, DISPLAY: xvfb.display } });
      let seen = '';
      xev.stdout.on('data', (chunk) => { seen += chunk; });
      try {
        await page.locator('canvas').focus();
        // xev needs a moment to start listening; a press it missed is simply typed again.
        await waitFor(async () => {
          if (/KeyPress event[^]*keysym 0x62, b[^]*KeyRelease event[^]*keysym 0x62, b/.test(seen)) return true;
          await page.keyboard.press('KeyB');
          return false;
        }, { timeout: 10000, interval: 700, message: 'a press and a release of B' });
      } finally {
        xev.kill();
      }
    });

    it('moves the pointer to where the canvas is clicked', async () => {
      const box = await page.locator('canvas').boundingBox();
      for (const [x, y] of [[200, 50], [17, 230]]) {
        // Canvas pixels are device pixels times the zoom; aim at the middle of the device pixel.
        await page.mouse.click(box.x + (x + 0.5) * variant.zoom, box.y + (y + 0.5) * variant.zoom);
        await waitFor(async () => {
          const location = Object.fromEntries((await xCommand(xvfb.display, 'xdotool', 'getmouselocation', '--shell'))
            .trim().split('\n').map((line) => line.split('=')));
          return Math.abs(location.X - x) <= 1 && Math.abs(location.Y - y) <= 1;
        }, { timeout: 10000, message: `the pointer at ${x},${y}` });
      }
    });

    it('ends the display request when the view closes, and leaves no control session open', async () => {
      assert.ok(Object.values(workerActions(server.log())).includes('RAD Session'));
      await page.getByRole('button', { name: 'Close screen' }).click();
      await page.locator('table').waitFor();
      // The handheld notices a closed display connection when it next sends a band, so keep changing the screen.
      let flip = false;
      await waitFor(async () => {
        flip = !flip;
        await xCommand(xvfb.display, 'xsetroot', '-solid', hex(flip ? TOP : BOTTOM));
        const busy = Object.values(workerActions(server.log())).filter((action) => action.endsWith('Session'));
        return busy.length === 0;
      }, { timeout: 15000, interval: 400, message: 'every screen session to end' });
    });
  });
});
