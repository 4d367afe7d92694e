// SPDX-License-Identifier: Apache-2.0
// Opens the built page headless, from file:// as a user who double-clicks it
// would, in Debian's Chromium or, with KARVENTO_BROWSER=firefox, in Debian's
// Firefox (driven over WebDriver BiDi). Files the page offers as downloads
// are saved into a folder of the test's, t.downloads.
import puppeteer from 'puppeteer-core';
import { existsSync, mkdtempSync, readFileSync, readdirSync, rmSync, statSync } from 'node:fs';
import { tmpdir } from 'node:os';
import { join } from 'node:path';

export const PAGE = process.env.KARVENTO_PAGE || new URL('../../build/web/karvento.html', import.meta.url).pathname;
export const BROWSER = process.env.KARVENTO_BROWSER || 'chromium';

async function launch(width, height, profile, downloads) {
  if (BROWSER === 'firefox') {
    return puppeteer.launch({
      browser: 'firefox',
      executablePath: process.env.FIREFOX || '/usr/bin/firefox-esr',
      headless: true,
      userDataDir: profile,
      defaultViewport: { width, height },
      extraPrefsFirefox: {
        'browser.download.dir': downloads,
        'browser.download.folderList': 2,
        'browser.download.useDownloadDir': true,
        'browser.download.always_ask_before_handling_new_types': false,
        'browser.download.start_downloads_in_tmp_dir': false,
        'browser.download.alwaysOpenPanel': false,
      },
    });
  }
  const browser = await puppeteer.launch({
    executablePath: process.env.CHROMIUM || '/usr/bin/chromium',
    headless: true,
    userDataDir: profile,
    args: ['--no-sandbox', '--disable-gpu', '--disable-quic', '--no-first-run',
      '--disable-background-networking', '--disable-component-update', '--disable-sync',
      `--window-size=${width},${height}`],
    defaultViewport: { width, height },
  });
  const session = await browser.target().createCDPSession();
  await session.send('Browser.setDownloadBehavior', { behavior: 'allow', downloadPath: downloads });
  return browser;
}

export async function openPage({ width = 1366, height = 768 } = {}) {
  const profile = mkdtempSync(join(tmpdir(), `karvento-${BROWSER}-`));
  const downloads = mkdtempSync(join(tmpdir(), 'karvento-downloads-'));
  const browser = await launch(width, height, profile, downloads);
  const page = await browser.newPage();
  const errors = [];
  const requests = [];
  page.on('pageerror', (e) => errors.push(String(e)));
  page.on('console', (m) => { if (m.type() === 'error') errors.push(m.text()); });
  page.on('request', (r) => requests.push(r.url()));
  await page.goto(`file://${PAGE}`);
  await page.waitForSelector('body[data-ready="true"]', { timeout: 30000 });
  const close = async () => {
    await browser.close();
    rmSync(profile, { recursive: true, force: true });
    rmSync(downloads, { recursive: true, force: true });
  };
  return { browser, page, errors, requests, downloads, close };
}

// Resolves to the bytes of each of the named downloads in dir once all are
// complete: none is still being written (Chromium's .crdownload, Firefox's
// .part beside an empty placeholder), and none has grown for 100 ms.
export async function downloaded(dir, names, timeout = 60000) {
  const started = Date.now();
  let last = '';
  for (;;) {
    const partial = readdirSync(dir).some((f) => f.endsWith('.crdownload') || f.endsWith('.part'));
    const sizes = names.map((n) => (existsSync(join(dir, n)) ? statSync(join(dir, n)).size : 0));
    const now = sizes.join(',');
    if (!partial && sizes.every((n) => n > 0) && now === last) return names.map((n) => readFileSync(join(dir, n)));
    last = now;
    if (Date.now() - started > timeout) throw new Error(`downloads ${names} not complete in ${dir}: ${readdirSync(dir)}`);
    await new Promise((r) => setTimeout(r, 100));
  }
}

// Sets a text field as a user types it.
export async function type(page, id, text) {
  await page.$eval(`#${id}`, (el) => { el.value = ''; });
  await page.type(`#${id}`, text);
}

export async function generate(page) {
  const before = await page.$eval('body', (b) => b.dataset.generation || '0');
  await page.evaluate(() => { document.body.dataset.generated = ''; });
  await page.click('#generate');
  await page.waitForFunction(() => document.body.dataset.generated !== '' || document.querySelector('#status.error'), { timeout: 60000 });
  return before;
}
