// The file view against the real server: listing, folders, uploads, downloads and file-system commands.
import { after, before, describe, it } from 'node:test';
import assert from 'node:assert/strict';
import crypto from 'node:crypto';
import fs from 'node:fs';
import path from 'node:path';
import { launchBrowser, screenshot, startServer, temporaryFolder, waitFor, writeRegistry } from './harness.mjs';

const HOSTILE_NAME = '<img src=x onerror="window.kelvanePwned=1">.txt';

describe('file view', () => {
  let root; let state; let server; let browser; let page;

  const listedNames = () => page.$$eval('tbody tr[data-name]', (rows) => rows.map((row) => row.dataset.name));
  const row = (name) => page.locator('tbody tr').filter({ has: page.getByRole('button', { name, exact: true }) });
  const notice = (pattern) => page.locator('.notice').filter({ hasText: pattern });
  const waitListed = (names, message) => waitFor(async () => {
    const listed = await listedNames();
    return names.every((name) => listed.includes(name)) && listed;
  }, { message });
  const waitGone = (name) => waitFor(async () => !(await listedNames()).includes(name), { message: `${name} gone from the list` });
  const select = (name) => page.getByRole('checkbox', { name: `Select ${name}`, exact: true }).check();

  before(async () => {
    root = temporaryFolder('root');
    state = temporaryFolder('state');
    fs.mkdirSync(path.join(root, 'Docs'));
    fs.writeFileSync(path.join(root, 'Docs', 'inner.txt'), 'inside');
    fs.writeFileSync(path.join(root, 'hello.txt'), 'Hello, handheld!\n');
    fs.utimesSync(path.join(root, 'hello.txt'), new Date(Date.UTC(2021, 2, 4, 5, 6)), new Date(Date.UTC(2021, 2, 4, 5, 6)));
    fs.writeFileSync(path.join(root, HOSTILE_NAME), 'x');
    fs.writeFileSync(path.join(root, 'shrinking.bin'), crypto.randomBytes(50000));
    fs.mkdirSync(path.join(root, 'Vanishing'));
    const registry = path.join(state, 'registry.reg');
    writeRegistry(registry, { UsePass: 0 });
    server = await startServer({ root, registry });
    // A time zone east of UTC by a half hour shows that file times are converted to local time.
    browser = await launchBrowser({ timezoneId: 'Asia/Kolkata' });
    page = browser.page;
  });

  after(async () => {
    await browser?.close();
    await server?.stop();
    for (const folder of [root, state]) if (folder) fs.rmSync(folder, { recursive: true, force: true });
  });

  it('loads the package and lists the top folder', async () => {
    await page.goto(server.url);
    const host = `127.0.0.1:${server.port}`.slice(0, 15);
    assert.equal(await page.title(), `Kelvane on ${host}`);
    assert.equal(await page.locator('h1').textContent(), `Kelvane on ${host}`);
    await waitListed(['Docs', 'Vanishing', 'hello.txt', 'shrinking.bin', HOSTILE_NAME], 'the top folder');
    assert.deepEqual((await listedNames()).slice(0, 2), ['Docs', 'Vanishing'], 'folders come first');
    const hello = row('hello.txt');
    assert.equal(await hello.locator('.column-size').textContent(), '17 bytes');
    assert.equal(await hello.locator('.column-kind').textContent(), 'TXT file');
    assert.equal(await hello.locator('.column-time').textContent(), 'Mar 4, 2021, 10:36 AM');
    assert.equal(await row('shrinking.bin').locator('.column-size').textContent(), '48.8 KB');
    assert.equal(await row('shrinking.bin').locator('.column-size').getAttribute('title'), '50,000 bytes');
    await waitFor(async () => /\S+ [KMGTP]?B free$/.test(await page.locator('.free-space').textContent()), { message: 'free space' });
  });

  it('shows a file name full of markup as text and runs none of it', async () => {
    assert.equal(await row(HOSTILE_NAME).count(), 1);
    assert.equal(await page.locator('tbody img').count(), 0);
    assert.equal(await page.evaluate(() => window.kelvanePwned), undefined);
  });

  it('sorts by a column, folders first', async () => {
    await page.getByRole('button', { name: 'Size', exact: true }).click();
    assert.deepEqual(await listedNames(), ['Docs', 'Vanishing', HOSTILE_NAME, 'hello.txt', 'shrinking.bin']);
    await page.getByRole('button', { name: 'Size', exact: true }).click();
    // Descending reverses every tie-break too, so the two empty-sized folders swap.
    assert.deepEqual(await listedNames(), ['Vanishing', 'Docs', 'shrinking.bin', 'hello.txt', HOSTILE_NAME]);
    assert.equal(await page.locator('th[aria-sort="descending"]').textContent(), 'Size ▼');
    await page.getByRole('button', { name: 'Name', exact: true }).click();
  });

  it('opens a folder and comes back by the breadcrumb', async () => {
    await page.getByRole('button', { name: 'Docs', exact: true }).click();
    await waitFor(async () => JSON.stringify(await listedNames()) === '["inner.txt"]', { message: 'the Docs folder' });
    assert.equal(await page.locator('.crumb[aria-current]').textContent(), 'Docs');
    await page.getByRole('button', { name: 'Top folder' }).click();
    await waitListed(['Docs', 'hello.txt'], 'the top folder again');
  });

  const small = crypto.randomBytes(3000);
  const large = crypto.randomBytes(70000);

  it('uploads two files through the file picker', async () => {
    await page.locator('input[type=file]').setInputFiles([
      { name: 'small.bin', mimeType: 'application/octet-stream', buffer: small },
      { name: 'large.bin', mimeType: 'application/octet-stream', buffer: large },
    ]);
    await waitListed(['small.bin', 'large.bin'], 'the uploaded files');
    assert.equal(await row('small.bin').locator('.column-size').textContent(), '2.9 KB');
    assert.equal(await row('large.bin').locator('.column-size').textContent(), '68.4 KB');
    assert.ok(fs.readFileSync(path.join(root, 'small.bin')).equals(small));
    assert.ok(fs.readFileSync(path.join(root, 'large.bin')).equals(large));
    assert.equal(await page.locator('.transfer.done').count(), 2);
    await screenshot(page, 'web-files.png');
  });

  it('uploads files dropped on the view', async () => {
    const dataTransfer = await page.evaluateHandle(() => {
      const transfer = new DataTransfer();
      transfer.items.add(new File(['dropped text'], 'dropped.txt', { type: 'text/plain' }));
      transfer.items.add(new File([new Uint8Array(5000).fill(7)], 'dropped.bin'));
      return transfer;
    });
    const view = page.locator('.file-view');
    await view.dispatchEvent('dragover', { dataTransfer });
    assert.equal(await view.getAttribute('class'), 'file-view dragging');
    await view.dispatchEvent('drop', { dataTransfer });
    await waitListed(['dropped.txt', 'dropped.bin'], 'the dropped files');
    assert.equal(fs.readFileSync(path.join(root, 'dropped.txt'), 'utf8'), 'dropped text');
    assert.ok(fs.readFileSync(path.join(root, 'dropped.bin')).equals(Buffer.alloc(5000, 7)));
  });

  it('downloads a file with the bytes it holds', async () => {
    const [download] = await Promise.all([page.waitForEvent('download'), page.getByRole('button', { name: 'large.bin', exact: true }).click()]);
    assert.equal(download.suggestedFilename(), 'large.bin');
    assert.ok(fs.readFileSync(await download.path()).equals(large));
  });

  it('downloads several selected files, each with its progress bar', async () => {
    await select('small.bin');
    await select('hello.txt');
    const downloads = [];
    const twoDownloads = new Promise((resolve) => {
      const onDownload = (download) => { downloads.push(download); if (downloads.length === 2) { page.off('download', onDownload); resolve(); } };
      page.on('download', onDownload);
    });
    await page.getByRole('button', { name: 'Download', exact: true }).click();
    await twoDownloads;
    const saved = Object.fromEntries(await Promise.all(downloads.map(async (d) => [d.suggestedFilename(), fs.readFileSync(await d.path())])));
    assert.deepEqual(Object.keys(saved).sort(), ['hello.txt', 'small.bin']);
    assert.ok(saved['small.bin'].equals(small));
    assert.equal(saved['hello.txt'].toString(), 'Hello, handheld!\n');
    assert.equal(await page.locator('.transfer.done progress').count(), 7);
    for (const name of ['small.bin', 'hello.txt']) await page.getByRole('checkbox', { name: `Select ${name}`, exact: true }).uncheck();
  });

  it('says so when fewer bytes arrive than listed, and saves nothing', async () => {
    fs.truncateSync(path.join(root, 'shrinking.bin'), 1000);
    let downloads = 0;
    page.on('download', () => { downloads += 1; });
    await page.getByRole('button', { name: 'shrinking.bin', exact: true }).click();
    await notice('Only 1000 bytes of 48.8 KB of "shrinking.bin" arrived').waitFor();
    assert.equal(downloads, 0);
  });

  it('names the file whose upload the handheld could not write', async () => {
    await page.getByRole('button', { name: 'Vanishing', exact: true }).click();
    await page.getByText('This folder is empty, or it does not exist on the handheld.').waitFor();
    fs.rmdirSync(path.join(root, 'Vanishing'));
    await page.locator('input[type=file]').setInputFiles([{ name: 'late.txt', mimeType: 'text/plain', buffer: Buffer.from('too late') }]);
    await notice('Upload of "late.txt" failed').waitFor();
    await page.getByRole('button', { name: 'Top folder' }).click();
    await waitGone('Vanishing');
  });

  const newFolder = async (name) => {
    await page.getByRole('button', { name: 'New folder…' }).click();
    await page.getByLabel('Name of the new folder').fill(name);
    await page.keyboard.press('Enter');
  };

  it('creates a folder, and reports the name already taken', async () => {
    await newFolder('Reports');
    await notice('Folder "Reports" created.').waitFor();
    await waitListed(['Reports'], 'the new folder');
    assert.ok(fs.statSync(path.join(root, 'Reports')).isDirectory());
    await newFolder('Reports');
    await notice('A folder named "Reports" already exists here.').waitFor();
    await newFolder('hello.txt');
    await notice('A file named "hello.txt" already exists here').waitFor();
  });

  const rename = async (from, to) => {
    await select(from);
    await page.getByRole('button', { name: 'Rename or move…' }).click();
    await page.getByRole('textbox').fill(to);
    await page.getByRole('button', { name: 'Rename', exact: true }).click();
  };

  it('renames a folder, and refuses a name that exists', async () => {
    await rename('Reports', 'Reports 2024');
    await notice('"Reports" is now "Reports 2024".').waitFor();
    await waitListed(['Reports 2024'], 'the renamed folder');
    assert.ok(!(await listedNames()).includes('Reports'));
    assert.ok(fs.statSync(path.join(root, 'Reports 2024')).isDirectory());
    await rename('Reports 2024', 'hello.txt');
    await notice('"Reports 2024" was not moved: "hello.txt" already exists').waitFor();
    assert.equal(fs.readFileSync(path.join(root, 'hello.txt'), 'utf8'), 'Hello, handheld!\n');
  });

  it('deletes a folder with everything in it only after a confirmation naming it', async () => {
    fs.writeFileSync(path.join(root, 'Reports 2024', 'q1.txt'), 'numbers');
    await page.getByRole('button', { name: 'Delete…' }).click();
    const dialog = page.getByRole('dialog');
    await dialog.getByText('Folder "Reports 2024" and everything in it').waitFor();
    await page.keyboard.press('Escape');
    await dialog.waitFor({ state: 'detached' });
    assert.ok(fs.existsSync(path.join(root, 'Reports 2024', 'q1.txt')), 'cancelling deletes nothing');
    await page.getByRole('button', { name: 'Delete…' }).click();
    await dialog.getByRole('button', { name: 'Delete' }).click();
    await waitGone('Reports 2024');
    assert.ok(!fs.existsSync(path.join(root, 'Reports 2024')));
  });

  it('deletes a file by keyboard alone', async () => {
    await page.getByRole('checkbox', { name: 'Select small.bin', exact: true }).focus();
    await page.keyboard.press('Space');
    await page.keyboard.press('Delete');
    await page.getByRole('dialog').getByText('File "small.bin"').waitFor();
    await page.keyboard.press('Tab');
    await page.keyboard.press('Enter');
    await waitGone('small.bin');
    assert.ok(!fs.existsSync(path.join(root, 'small.bin')));
  });

  it('loaded nothing that the page policy refused and raised no script error', () => {
    assert.deepEqual(browser.problems, []);
  });

  it('tells when the handheld does not answer', async () => {
    await server.stop();
    await page.getByRole('button', { name: 'Refresh' }).click();
    await notice('The handheld does not answer.').waitFor();
  });
});
