// SPDX-License-Identifier: Apache-2.0
// The page's pictures for README, taken in headless Chromium at 1366 × 768:
// at start, with the 1:1万 sheets around Beijing, with the sheet of a point
// and its 接图表, with an area, and with China at 1:1万.
// Usage: node web/screenshots.mjs BUILD OUT_DIR
import { resolve } from 'node:path';

const [build = 'build', out = 'docs/screenshots'] = process.argv.slice(2);
process.env.KARVENTO_PAGE = resolve(build, 'web/karvento.html');
const { openPage, type, generate } = await import('./tests/browser.mjs');

const t = await openPage();
const shot = (name) => t.page.screenshot({ path: resolve(out, `web-${name}.png`) });
await shot('empty');
await generate(t.page);
await t.page.evaluate(() => {
  const s = window.karvento.sheets;
  for (let i = 40; i < 52; i++) s.checked[i] = 1;
  window.karvento.list.render();
  window.karvento.list.handlers.onChecked();
});
await t.page.evaluate(() => window.karvento.list.select(45, true));
await new Promise((r) => setTimeout(r, 300));
await shot('beijing');
await t.page.click('button[data-tab="point"]');
await t.page.click('#lookup');
await t.page.waitForSelector('#point-neighbours table');
await shot('point');
await t.page.click('button[data-tab="extent"]');
// An area: a made-up L-shaped county with a lake, as a GeoJSON file.
const { mkdtempSync, writeFileSync } = await import('node:fs');
const { tmpdir } = await import('node:os');
const county = resolve(mkdtempSync(resolve(tmpdir(), 'karvento-')), 'county.geojson');
writeFileSync(county, JSON.stringify({ type: 'Polygon', coordinates: [
  [[116.05, 39.71], [116.52, 39.71], [116.52, 39.86], [116.27, 39.86], [116.27, 40.13], [116.05, 40.13], [116.05, 39.71]],
  [[116.10, 39.90], [116.20, 39.90], [116.20, 40.00], [116.10, 40.00], [116.10, 39.90]]] }));
await (await t.page.$('#area-file')).uploadFile(county);
await t.page.waitForFunction(() => document.querySelector('#area-name').textContent !== '');
await generate(t.page);
await shot('area');
await t.page.click('#clear-area');
for (const [id, v] of [['west', '73'], ['south', '18'], ['east', '135'], ['north', '54']]) await type(t.page, id, v);
await generate(t.page);
await shot('china');
await t.close();
