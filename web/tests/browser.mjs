// SPDX-License-Identifier: Apache-2.0
// Opens the built page in Debian's Chromium, headless, from file:// as a
// user who double-clicks it would.
import puppeteer from 'puppeteer-core';
import { mkdtempSync, rmSync } from 'node:fs';
import { tmpdir } from 'node:os';
import { join } from 'node:path';

export const PAGE = process.env.KARVENTO_PAGE || new URL('../../build/web/karvento.html', import.meta.url).pathname;

export async function openPage({ width = 1366, height = 768 } = {}) {
  const profile = mkdtempSync(join(tmpdir(), 'karvento-chromium-'));
  const browser = await puppeteer.launch({
    executablePath: process.env.CHROMIUM || '/usr/bin/chromium',
    headless: true,
    userDataDir: profile,
    args: ['--no-sandbox', '--disable-gpu', '--disable-quic', '--no-first-run',
      '--disable-background-networking', '--disable-component-update', '--disable-sync',
      `--window-size=${width},${height}`],
    defaultViewport: { width, height },
  });
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
  };
  return { browser, page, errors, requests, close };
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
