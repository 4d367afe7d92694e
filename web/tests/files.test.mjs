// SPDX-License-Identifier: Apache-2.0
// The page's KML, zipped Shapefile and workbook downloaded from a real
// browser and compared with what karvento-cli writes for the same request:
// the KML byte for byte, the Shapefile as GDAL reads both back (fields,
// frames, system), the workbook as openpyxl reads both back.
import { test, before, after } from 'node:test';
import assert from 'node:assert/strict';
import { execFileSync } from 'node:child_process';
import { mkdtempSync, readFileSync, rmSync, writeFileSync } from 'node:fs';
import { tmpdir } from 'node:os';
import { join } from 'node:path';
import { unzipSync } from 'fflate';
import { openPage, type, generate, downloaded } from './browser.mjs';

const CLI = process.env.KARVENTO_CLI || new URL('../../build/cli/karvento-cli', import.meta.url).pathname;

let t;
before(async () => { t = await openPage(); });
after(async () => { await t?.close(); });

// Picks an export of the menu and waits for its file in the download folder.
async function download(id, name) {
  rmSync(join(t.downloads, name), { force: true });
  await t.page.evaluate(() => { document.body.dataset.exported = ''; });
  await t.page.click('#export');
  await t.page.click(`#export-menu button[data-export="${id}"]`);
  await t.page.waitForFunction(() => document.body.dataset.exported !== '', { timeout: 60000 });
  assert.equal(await t.page.$eval('body', (b) => b.dataset.exported), name,
    await t.page.$eval('#status', (e) => e.textContent));
  const [bytes] = await downloaded(t.downloads, [name]);
  return bytes;
}

async function request({ west, south, east, north, scale, datum }) {
  for (const [id, v] of Object.entries({ west, south, east, north, cm: '0' })) await type(t.page, id, v);
  const scaleIndex = await t.page.$eval('#scale', (s, caption) => [...s.options].find((o) => o.text === caption).value, scale);
  await t.page.select('#scale', scaleIndex);
  await t.page.select('#datum', datum);
  await t.page.select('#zone', '3');
  await t.page.select('#standard', 'new');
  await generate(t.page);
}

// A layer as GDAL reads it: its system and every feature's fields and ring.
function ogrRead(file) {
  const json = JSON.parse(execFileSync('ogr2ogr', ['-f', 'GeoJSON', '/vsistdout/', file], { maxBuffer: 1 << 28 }));
  const info = execFileSync('ogrinfo', ['-so', '-al', file], { encoding: 'utf8' });
  return { srs: info.slice(info.indexOf('Layer SRS WKT')), features: json.features };
}

test('KML: the bytes karvento-cli writes for the same request, densified edges', async () => {
  await request({ west: '116', south: '39.8333333', east: '116.25', north: '40', scale: '1:1万', datum: '2', cm: '0' });
  // Named after the request: the first sheet, the count, the scale, the datum.
  const stem = 'J50G001033等16幅_1万_CGCS2000';
  const got = await download('kml', `${stem}.kml`);
  const dir = mkdtempSync(join(tmpdir(), 'karvento-kml-'));
  try {
    execFileSync(CLI, ['sheets', '--from', '116,39.8333333', '--to', '116.25,40', '--scale', '1:1万', '--datum', '2000',
      '--output', join(dir, `${stem}.kml`), '--quiet']);
    const want = readFileSync(join(dir, `${stem}.kml`));
    assert.ok(want.length > 1000);
    assert.ok(got.equals(want), 'the page\'s KML differs from the command line\'s');
    // The checked sheets alone, in list order.
    await t.page.click('#none');
    const picked = [1, 6];
    for (const i of picked) await t.page.evaluate((k) => { window.karvento.sheets.checked[k] = 1; }, i);
    const numbers = await t.page.evaluate((ks) => ks.map((k) => window.karvento.sheets.numbers[k]), picked);
    await t.page.$eval('#checked-only', (c) => { c.checked = true; });
    const checked = (await download('kml', `${numbers[0]}等2幅_1万_CGCS2000.kml`)).toString('utf8');
    await t.page.$eval('#checked-only', (c) => { c.checked = false; });
    await t.page.click('#none');
    assert.deepEqual([...checked.matchAll(/<name>([^<]+)<\/name>\n\t<Style>/g)].map((m) => m[1]), numbers);
  } finally {
    rmSync(dir, { recursive: true, force: true });
  }
});

test('Shapefile (zip): GDAL reads the command line\'s features, frames and system from it', async () => {
  await request({ west: '116', south: '39.8333333', east: '116.25', north: '40', scale: '1:1万', datum: '0', cm: '0' });
  const dir = mkdtempSync(join(tmpdir(), 'karvento-shp-'));
  try {
    for (const [id, coords] of [['shp-plane', 'plane'], ['shp-geo', 'geo']]) {
      const stem = 'J50G001033等16幅_1万_Beijing1954';
      const members = unzipSync(new Uint8Array(await download(id, `${stem}.zip`)));
      assert.deepEqual(Object.keys(members).sort(), ['shp', 'shx', 'dbf', 'prj', 'cpg'].map((e) => `${stem}.${e}`).sort());
      for (const [name, bytes] of Object.entries(members)) writeFileSync(join(dir, `page-${name}`), bytes);
      execFileSync(CLI, ['sheets', '--from', '116,39.8333333', '--to', '116.25,40', '--scale', '1:1万', '--datum', '54',
        '--coords', coords, '--output', join(dir, `cli-${coords}.shp`), '--quiet']);
      const page = ogrRead(join(dir, `page-${stem}.shp`));
      const cli = ogrRead(join(dir, `cli-${coords}.shp`));
      assert.equal(page.srs, cli.srs, coords);
      assert.equal(page.features.length, 16, coords);
      assert.equal(page.features.length, cli.features.length, coords);
      page.features.forEach((f, i) => {
        const w = cli.features[i];
        const label = `${coords} ${w.properties['图幅号']}`;
        assert.deepEqual(Object.keys(f.properties), Object.keys(w.properties), label);
        for (const [k, v] of Object.entries(w.properties)) {
          // The browser's sine and arctangent may round a plane coordinate
          // one unit in the last place away from the C library's.
          if (typeof v === 'number') assert.ok(Math.abs(f.properties[k] - v) < 1e-6, `${label} ${k}`);
          else assert.equal(f.properties[k], v, `${label} ${k}`);
        }
        const ring = f.geometry.coordinates[0], want = w.geometry.coordinates[0];
        assert.equal(ring.length, want.length, label);
        ring.forEach((p, k) => assert.ok(Math.hypot(p[0] - want[k][0], p[1] - want[k][1]) < 1e-6, `${label} vertex ${k}`));
      });
    }
  } finally {
    rmSync(dir, { recursive: true, force: true });
  }
});

// A workbook as openpyxl reads it: one fact per line (tests/export/read_xlsx.py).
function xlsxFacts(file) {
  const script = new URL('../../tests/export/read_xlsx.py', import.meta.url).pathname;
  return execFileSync('/usr/bin/python3', [script, file], { encoding: 'utf8' }).trimEnd().split('\n');
}

test('Workbook: openpyxl reads the command line\'s cells, merge, borders and widths from it', async () => {
  await request({ west: '116', south: '39.8333333', east: '116.25', north: '40', scale: '1:1万', datum: '0', cm: '0' });
  const dir = mkdtempSync(join(tmpdir(), 'karvento-xlsx-'));
  try {
    writeFileSync(join(dir, 'page.xlsx'), await download('xlsx', 'J50G001033等16幅_1万_Beijing1954.xlsx'));
    execFileSync(CLI, ['sheets', '--from', '116,39.8333333', '--to', '116.25,40', '--scale', '1:1万', '--datum', '54',
      '--output', join(dir, 'cli.xlsx'), '--quiet']);
    const page = xlsxFacts(join(dir, 'page.xlsx'));
    const cli = xlsxFacts(join(dir, 'cli.xlsx'));
    assert.ok(page.includes('cell A1 s 图幅表（北京54坐标系） align=center border=-,-,-,-'), page.slice(0, 3).join('\n'));
    assert.equal(page.filter((l) => /^cell A\d+ s [A-Z]\d{2}[A-H]\d{6} /.test(l)).length, 16);
    assert.equal(page.length, cli.length);
    page.forEach((line, i) => {
      const number = /^(cell \S+ n )(\S+)( .*)$/.exec(line), want = /^(cell \S+ n )(\S+)( .*)$/.exec(cli[i]);
      // A plane coordinate may differ in its last place (the browser's sine).
      if (number && want && number[1] === want[1] && number[3] === want[3]) {
        const y = Number(want[2]);
        assert.ok(Math.abs(Number(number[2]) - y) <= 2e-14 * Math.abs(y), `${line} / ${cli[i]}`);
      } else {
        assert.equal(line, cli[i]);
      }
    });
  } finally {
    rmSync(dir, { recursive: true, force: true });
  }
});

// Two DXF drawings line by line: the same codes and texts, the same numbers
// but for the last place (the browser's sine and arctangent round a few
// projected points one unit away from the C library's).
function assertSameDrawing(got, want, label) {
  const a = Buffer.from(got).toString('latin1').split('\n'), b = Buffer.from(want).toString('latin1').split('\n');
  assert.equal(a.length, b.length, label);
  a.forEach((line, i) => {
    if (line === b[i]) return;
    const x = Number(line), y = Number(b[i]);
    assert.ok(line.trim() !== '' && Number.isFinite(x) && Math.abs(x - y) <= 2e-14 * Math.abs(y),
      `${label} line ${i + 1}: ${line} against ${b[i]}`);
  });
}

test('Map frames: each checked sheet\'s DXF drawing is karvento-cli frame\'s, one as .dxf, several in a zip', async () => {
  await request({ west: '116', south: '39.8333333', east: '116.25', north: '40', scale: '1:1万', datum: '0', cm: '0' });
  const dir = mkdtempSync(join(tmpdir(), 'karvento-frames-'));
  try {
    const numbers = await t.page.evaluate(() => window.karvento.sheets.numbers.slice(0, 3));
    execFileSync(CLI, ['frame', ...numbers, '--datum', '54', '--zone', '3', '--output', `${dir}/`]);
    await t.page.click('#none');
    await t.page.$eval('#checked-only', (c) => { c.checked = true; });
    await t.page.evaluate(() => { window.karvento.sheets.checked[0] = 1; });
    const one = await download('frame-dxf', `${numbers[0]}.dxf`);
    assertSameDrawing(one, readFileSync(join(dir, `${numbers[0]}.dxf`)), numbers[0]);
    await t.page.evaluate(() => { for (const k of [1, 2]) window.karvento.sheets.checked[k] = 1; });
    const members = unzipSync(new Uint8Array(await download('frame-dxf', `${numbers[0]}等3幅_1万_Beijing1954_图廓.zip`)));
    assert.deepEqual(Object.keys(members), numbers.map((n) => `${n}.dxf`));
    for (const n of numbers) assertSameDrawing(members[`${n}.dxf`], readFileSync(join(dir, `${n}.dxf`)), n);
  } finally {
    await t.page.$eval('#checked-only', (c) => { c.checked = false; });
    await t.page.click('#none');
    rmSync(dir, { recursive: true, force: true });
  }
});

test('DXF: the drawing karvento-cli writes for the same request, plane and geographic', async () => {
  await request({ west: '116', south: '39.8333333', east: '116.25', north: '40', scale: '1:1万', datum: '0', cm: '0' });
  const dir = mkdtempSync(join(tmpdir(), 'karvento-dxf-'));
  try {
    for (const [id, coords] of [['dxf', 'plane'], ['dxf-geo', 'geo']]) {
      const got = await download(id, 'J50G001033等16幅_1万_Beijing1954.dxf');
      execFileSync(CLI, ['sheets', '--from', '116,39.8333333', '--to', '116.25,40', '--scale', '1:1万', '--datum', '54',
        '--coords', coords, '--output', join(dir, 'cli.dxf'), '--quiet']);
      const want = readFileSync(join(dir, 'cli.dxf'));
      assert.ok(want.length > 10000);
      assertSameDrawing(got, want, `DXF ${coords}`);
    }
  } finally {
    rmSync(dir, { recursive: true, force: true });
  }
});
