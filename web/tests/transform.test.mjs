// SPDX-License-Identifier: Apache-2.0
// The 坐标转换 tab in a real browser against karvento-cli: the same common
// points give the same parameter file, bit for bit, and the same points
// moved; a refusal is shown as the core words it.
import { test, before, after } from 'node:test';
import assert from 'node:assert/strict';
import { execFileSync } from 'node:child_process';
import { mkdtempSync, readFileSync, rmSync, writeFileSync } from 'node:fs';
import { tmpdir } from 'node:os';
import { join } from 'node:path';
import { openPage } from './browser.mjs';

const CLI = process.env.KARVENTO_CLI || new URL('../../build/cli/karvento-cli', import.meta.url).pathname;

// Eight points on zone 39 with a blunder of 0.85 m on G05, as in the README.
const POINTS = `name,north1,east1,north2,east2
G01,4372600.000,39441200.000,4372513.749,39441233.378
G02,4375100.000,39463800.000,4375013.694,39463832.438
G03,4371900.000,39488500.000,4371813.904,39488531.428
G04,4398300.000,39445100.000,4398212.677,39445133.152
G05,4401700.000,39468900.000,4401613.455,39468932.145
G06,4397600.000,39490200.000,4397512.851,39490231.271
G07,4421800.000,39452700.000,4421711.729,39452732.762
G08,4424300.000,39479400.000,4424211.722,39479431.638
`;

let t;
before(async () => { t = await openPage(); });
after(async () => { await t?.close(); });

async function act(button) {
  const before = await t.page.$eval('body', (b) => b.dataset.xf || '0');
  await t.page.click(`#${button}`);
  await t.page.waitForFunction((n) => (document.body.dataset.xf || '0') !== n, { timeout: 60000 }, before);
}

test('坐标转换: the parameters and moved points of karvento-cli, and a refusal', async () => {
  const { page } = t;
  await page.click('header .tabs button[data-tab="transform"]');
  await page.$eval('#xf-points', (e, v) => { e.value = v; }, POINTS);
  await page.select('#xf-model', '0');
  await page.$eval('#xf-reject', (e) => { e.value = '3'; });
  await act('xf-solve');
  const rows = await page.$$eval('#xf-residuals tr', (trs) => trs.map((r) => [...r.children].map((c) => c.textContent)));
  assert.equal(rows.length, 9);
  assert.deepEqual(rows[5].slice(0, 1).concat(rows[5].slice(4)), ['G05', '剔除']);
  assert.match(await page.$eval('#xf-summary', (e) => e.textContent), /σ0 = 0\.0066 米（多余观测 14）；剔除：G05/);

  const dir = mkdtempSync(join(tmpdir(), 'karvento-xf-'));
  try {
    writeFileSync(join(dir, 'common.csv'), POINTS);
    execFileSync(CLI, ['transform', 'solve', join(dir, 'common.csv'), '--model', 'bursa7', '--from', '54', '--to', '2000',
      '--cm', '117', '--reject', '3', '--output', join(dir, 'bj.k7p')]);
    const want = readFileSync(join(dir, 'bj.k7p'), 'utf8');
    const strip = (text) => text.split('\n').filter((l) => !l.startsWith('#')).join('\n');
    // The page's file, as its download would hold it, less its comments.
    const got = await page.evaluate(() => window.karvento.ask('solveTransform', {
      points: document.getElementById('xf-points').value, model: 0, coordinateFrame: false, source: 0, target: 2,
      zone3: true, cmText: '117', rejectK: 3,
    }));
    // The same keys and texts; the numbers within 1e-7 of their units (0.1 µm,
    // 1e-7″, 1e-7 ppm): the browser's sin, cos and atan2 may round their last
    // bit otherwise than the C library's, which the Gauss-Newton steps carry on.
    const fields = (text) => strip(text).split('\n').filter(Boolean).map((l) => l.split(' = '));
    const [g, w] = [fields(got.params), fields(want)];
    assert.deepEqual(g.map(([k]) => k), w.map(([k]) => k));
    for (let i = 0; i < w.length; i++) {
      const [a, b] = [g[i][1].split('  #')[0], w[i][1].split('  #')[0]];
      if (Number.isNaN(Number(b))) assert.equal(a, b);
      else assert.ok(Math.abs(Number(a) - Number(b)) < 1e-7, `${w[i][0]}: ${a} against ${b}`);
    }

    const points = '39460000 4400000 well-3\n39470000,4410000\n';
    await page.$eval('#xf-input', (e, v) => { e.value = v; }, points);
    await act('xf-apply');
    const moved = execFileSync(CLI, ['transform', 'apply', '--params', join(dir, 'bj.k7p'), '--cm', '117', '--quiet'],
      { input: points, encoding: 'utf8' });
    assert.equal(await page.$eval('#xf-output', (e) => e.value), moved);
  } finally {
    rmSync(dir, { recursive: true, force: true });
  }

  // Two points for the affine model: the core's refusal in the status line.
  await page.$eval('#xf-points', (e) => { e.value = 'A 4420000 450000 4420010 450020\nB 4430000 460000 4430010 460020\n'; });
  await page.select('#xf-model', '3');
  await act('xf-solve');
  assert.match(await page.$eval('#status', (e) => e.textContent), /至少 3 个点，只给了 2 个/);
  assert.deepEqual(t.errors, []);
});
