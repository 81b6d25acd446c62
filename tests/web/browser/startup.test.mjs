// Start-up: the package loads or the page says why not; the password prompt only with UsePass 1.
import { after, before, describe, it } from 'node:test';
import assert from 'node:assert/strict';
import fs from 'node:fs';
import path from 'node:path';
import { binDir, launchBrowser, startServer, temporaryFolder, waitFor, writeRegistry } from './harness.mjs';

describe('start-up', () => {
  const cleanups = [];
  let browser;
  before(async () => {
    browser = await launchBrowser();
    cleanups.push(() => browser.close());
  });
  after(async () => {
    for (const cleanup of cleanups.reverse()) await cleanup();
  });

  // A server whose settings store holds `values`, over a root with a Start folder.
  async function open(values, { program } = {}) {
    const root = temporaryFolder('root');
    const state = temporaryFolder('state');
    cleanups.push(() => { fs.rmSync(root, { recursive: true, force: true }); fs.rmSync(state, { recursive: true, force: true }); });
    fs.mkdirSync(path.join(root, 'Start'));
    fs.writeFileSync(path.join(root, 'Start', 'welcome.txt'), 'hi');
    const registry = path.join(state, 'registry.reg');
    writeRegistry(registry, values);
    const server = await startServer({ root, registry, program });
    cleanups.push(() => server.stop());
    const page = await browser.newPage();
    await page.goto(server.url);
    return page;
  }

  it('asks for the password with UsePass 1 and accepts only the right one', async () => {
    const page = await open({ UsePass: 1, Password: 'Sesame "7"', PInitPath: '\\Start\\' });
    const password = page.getByLabel('Password', { exact: true });
    await password.waitFor();
    assert.equal(await page.locator('table').count(), 0, 'no files before the password');
    for (const wrong of ['sesame "7"', 'Sesame', '']) {
      await password.fill(wrong);
      await password.press('Enter');
      await page.getByText('Wrong password. Please try again.').waitFor();
      assert.equal(await page.locator('table').count(), 0, `no files after "${wrong}"`);
    }
    await password.fill('Sesame "7"');
    await password.press('Enter');
    await page.locator('tbody tr[data-name="welcome.txt"]').waitFor();
    assert.equal(await page.locator('.crumb[aria-current]').textContent(), 'Start', 'opens in the initial folder');
  });

  it('opens the files at once with UsePass 0, a password stored or not', async () => {
    const page = await open({ UsePass: 0, Password: 'Sesame', PInitPath: 'Missing\\Folder' });
    await page.getByText('This folder is empty, or it does not exist on the handheld.').waitFor();
    assert.equal(await page.getByLabel('Password', { exact: true }).count(), 0);
    assert.deepEqual(await page.locator('.crumb').allTextContents(), ['Top folder', 'Missing', 'Folder']);
    await page.getByRole('button', { name: 'Top folder' }).click();
    await waitFor(async () => (await page.locator('tbody tr[data-name="Start"]').count()) === 1, { message: 'the top folder' });
  });

  it('says so when the client package cannot be loaded', async () => {
    const folder = temporaryFolder('program');
    cleanups.push(() => fs.rmSync(folder, { recursive: true, force: true }));
    for (const name of ['kelvane-server', 'default.html']) fs.copyFileSync(path.join(binDir, name), path.join(folder, name));
    fs.chmodSync(path.join(folder, 'kelvane-server'), 0o755);
    const page = await open({ UsePass: 0 }, { program: path.join(folder, 'kelvane-server') });
    await page.getByText('The client package Qormix.cab could not be loaded from the handheld.').waitFor();
    // The refused fetch is the one console error this page may show.
    browser.problems.splice(0, browser.problems.length, ...browser.problems.filter((p) => !p.includes('Failed to load resource')));
  });

  it('raised no script error and loaded nothing that the page policy refused', () => {
    assert.deepEqual(browser.problems, []);
  });
});
