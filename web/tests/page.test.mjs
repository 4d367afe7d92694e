// SPDX-License-Identifier: Apache-2.0
// The built page in a real browser (Chromium, or Firefox), from file://, driven as a user drives
// it, its answers compared with karvento-cli's for the same requests.
import { test, before, after } from 'node:test';
import assert from 'node:assert/strict';
import { execFileSync, spawnSync } from 'node:child_process';
import { readFileSync, rmSync, writeFileSync } from 'node:fs';
import { join } from 'node:path';
import { unzipSync } from 'fflate';
import { openPage, type, generate, downloaded } from './browser.mjs';

const CLI = process.env.KARVENTO_CLI || new URL('../../build/cli/karvento-cli', import.meta.url).pathname;
const cli = (...args) => execFileSync(CLI, args, { encoding: 'utf8', maxBuffer: 1 << 30 });

// karvento-cli's CSV: number, four edges, eight plane coordinates a row.
function cliSheets(args) {
  return cli('sheets', ...args, '--format', 'csv').replace(/^\uFEFF/, '').trim().split(/\r?\n/).slice(1)
    .map((line) => line.split(','));
}

// The most by which a plane coordinate of the page may differ from the
// command line's (metres): one unit in the last place of a coordinate of
// some 5,000 km is 9.3e-10 m, and a few corners round two units away.
const PLANE_BOUND = 2e-9;

let t;
before(async () => { t = await openPage(); });

// The files of an export of the list (of its checked sheets alone), as the
// browser downloaded them.
async function exportAs(id, names, checkedOnly = false) {
  for (const n of names) rmSync(join(t.downloads, n), { force: true });
  await t.page.$eval('#checked-only', (c, on) => { c.checked = on; }, checkedOnly);
  // The previous export's outcome must not pass for this one's.
  await t.page.evaluate(() => { document.body.dataset.exported = ''; });
  await t.page.click('#export');
  await t.page.click(`#export-menu button[data-export="${id}"]`);
  await t.page.waitForFunction(() => document.body.dataset.exported, { timeout: 120000 });
  assert.notEqual(await t.page.evaluate(() => document.body.dataset.exported), 'error',
    await t.page.$eval('#status', (e) => e.textContent));
  return downloaded(t.downloads, names, 120000);
}
after(async () => { await t?.close(); });

test('the page opens from file:// offline: no request leaves the file, no error', async () => {
  const outside = t.requests.filter((u) => !/^(file|blob|data):/.test(u));
  assert.deepEqual(outside, []);
  assert.deepEqual(t.errors, []);
});

test('sheets of an extent: the command line\'s numbers, edges and plane corners, every datum and standard', async () => {
  const cases = [
    { west: '116°00′00″', south: '39 40 0', east: '116:45:00', north: '40.1666667', scale: '1:1万', datum: '2000', zone: '3', standard: 'new', cm: '0' },
    { west: '115.5', south: '39.5', east: '117', north: '40.5', scale: '1:5万', datum: '54', zone: '6', standard: 'old', cm: '0' },
    { west: '116.2', south: '39.8', east: '116.3', north: '39.9', scale: '1:500', datum: '80', zone: '3', standard: 'new', cm: '117' },
  ];
  const datumValue = { 54: '0', 80: '1', 2000: '2' };
  for (const c of cases) {
    for (const id of ['west', 'south', 'east', 'north', 'cm']) await type(t.page, id, c[id]);
    const scaleIndex = await t.page.$eval('#scale', (s, caption) => [...s.options].find((o) => o.text === caption).value, c.scale);
    await t.page.select('#scale', scaleIndex);
    await t.page.select('#datum', datumValue[c.datum]);
    await t.page.select('#zone', c.zone);
    await t.page.select('#standard', c.standard);
    await generate(t.page);
    const got = await t.page.evaluate(() => {
      const s = window.karvento.sheets;
      return { numbers: s.numbers, edges: [...s.edges], plane: [...s.plane] };
    });
    const want = cliSheets(['--from', `${c.west},${c.south}`.replace(/′|″|°/g, (m) => ({ '°': ':', '′': ':', '″': '' }[m])).replace(/ /g, ':'),
      '--to', `${c.east},${c.north}`, '--scale', c.scale, '--datum', c.datum, '--zone', c.zone, '--standard', c.standard, '--cm', c.cm]);
    const label = JSON.stringify(c);
    assert.ok(want.length > 0, label);
    assert.deepEqual(got.numbers, want.map((r) => r[0]), label);
    want.forEach((r, i) => {
      for (let k = 0; k < 4; k++) assert.equal(got.edges[4 * i + k], Number(r[1 + k]), `${label} ${r[0]} edge ${k}`);
      // The browser's sine and arctangent may round a plane coordinate one
      // unit in the last place away from the C library's.
      for (let k = 0; k < 8; k++) assert.ok(Math.abs(got.plane[8 * i + k] - Number(r[5 + k])) < 1e-6, `${label} ${r[0]} plane ${k}`);
    });
    const count = await t.page.$eval('#count', (e) => e.textContent);
    assert.equal(count, `共 ${want.length.toLocaleString('en-US')} 幅，已选 0 幅`);
  }
});

test('a click on the map makes the sheet under it current; find and check act on the list', async () => {
  await t.page.evaluate(() => {
    const m = window.karvento.map;
    const e = window.karvento.sheets.edges;
    m.fitTo(e[0], e[1], e[2], e[3]);
  });
  const box = await t.page.$eval('#map', (c) => { const r = c.getBoundingClientRect(); return { x: r.x + r.width / 2, y: r.y + r.height / 2 }; });
  await t.page.mouse.click(box.x, box.y);
  const first = await t.page.evaluate(() => window.karvento.sheets.numbers[0]);
  await t.page.waitForFunction((n) => document.querySelector('#details h3')?.textContent === n, {}, first);
  const last = await t.page.evaluate(() => window.karvento.sheets.numbers.at(-1));
  await type(t.page, 'find-text', last.toLowerCase());
  await t.page.click('#find');
  await t.page.waitForFunction((n) => document.querySelector('#details h3')?.textContent === n, {}, last);
  await t.page.click('#invert');
  const n = await t.page.evaluate(() => window.karvento.sheets.count);
  assert.equal(await t.page.$eval('#count', (e) => e.textContent), `共 ${n.toLocaleString('en-US')} 幅，已选 ${n.toLocaleString('en-US')} 幅`);
  await type(t.page, 'find-text', 'X99');
  await t.page.click('#find');
  assert.equal(await t.page.$eval('#status', (e) => e.textContent), '未找到图幅号 X99');
});

test('the sheet of a point at every scale and its 接图表, as karvento-cli at gives them', async () => {
  await t.page.click('button[data-tab="point"]');
  await type(t.page, 'plon', '120:00:00');
  await type(t.page, 'plat', '40');
  await t.page.select('#datum', '0');
  await t.page.click('#lookup');
  await t.page.waitForSelector('#point-neighbours table');
  const rows = await t.page.$$eval('#point-table tr[data-scale]', (trs) => trs.map((tr) => [...tr.cells].map((c) => c.textContent)));
  const want = cli('at', '120:00:00,40', '--format', 'csv').replace(/^\uFEFF/, '').trim().split(/\r?\n/).slice(1).map((l) => l.split(','));
  assert.deepEqual(rows.map((r) => r[1]), want.map((r) => r[1]));
  assert.deepEqual(rows.map((r) => r[2]), want.map((r) => r[2]));
  const nine = await t.page.$$eval('#point-neighbours td', (tds) => tds.map((td) => td.textContent));
  const wantNine = cli('at', '120:00:00,40', '--scale', '1:1万', '--neighbours', '--format', 'csv').replace(/^\uFEFF/, '').trim().split(/\r?\n/).slice(1).map((l) => l.split(',')[1]);
  assert.deepEqual(nine, wantNine);
});

test('check and convert a pasted list, bad lines named and the rest converted', async () => {
  await t.page.click('button[data-tab="numbers"]');
  await t.page.$eval('#numbers', (el) => { el.value = 'J-50-5-(24)\nXYZ\nJ-50-1\n'; });
  await t.page.select('#direction', 'old2new');
  await t.page.click('#convert');
  await t.page.waitForFunction(() => document.querySelector('#converted').value !== '');
  const text = await t.page.$eval('#converted', (e) => e.value);
  const want = cli('convert', 'J-50-5-(24)', 'J-50-1', '--to-scale', '1:1万', '--format', 'csv').replace(/^\uFEFF/, '').trim().split(/\r?\n/).slice(1).map((l) => l.split(',')[1]);
  assert.deepEqual(text.split('\n').slice(0, want.length), want);
  assert.match(text, /XYZ\n以上不是标准图幅号！$/);
});

test('检查 and 转换 give the command line\'s verdicts; J-50 at 1:2000 converts whole', async () => {
  await t.page.click('button[data-tab="numbers"]');
  const numbers = ['j-50-5', 'J-50-145', 'X-99', 'Z-01', 'J-00', 'J50G000040', 'XYZ'];
  await t.page.$eval('#numbers', (el, v) => { el.value = v; }, numbers.join('\n'));
  await t.page.$eval('#converted', (el) => { el.value = ''; });
  await t.page.click('#check');
  await t.page.waitForFunction(() => document.querySelector('#converted').value !== '');
  const checked = (await t.page.$eval('#converted', (e) => e.value)).split('\n');
  const refusals = (() => {
    try {
      cli('check', ...numbers);
    } catch (e) {
      return String(e.stderr).trim().split('\n').map((l) => l.replace(/^karvento-cli check: /, ''));
    }
    return [];
  })();
  assert.deepEqual(checked, [
    'j-50-5\t旧图幅号', ...refusals.slice(0, 5).map((r, i) => `${numbers[i + 1]}\t${r}`), 'XYZ\t不是标准图幅号']);
  await t.page.select('#direction', 'old2new');
  await t.page.$eval('#converted', (el) => { el.value = ''; });
  await t.page.click('#convert');
  await t.page.waitForFunction(() => document.querySelector('#converted').value !== '');
  const converted = (await t.page.$eval('#converted', (e) => e.value)).split('\n');
  assert.deepEqual(converted.slice(-7), [...refusals.slice(0, 5), 'XYZ', '以上不是标准图幅号！']);
  assert.equal(converted[0], cli('convert', 'j-50-5', '--to-scale', '1:1万', '--format', 'csv').split(/\r?\n/)[1].split(',')[1]);
  const scaleOf = (caption) => t.page.$eval('#cscale', (s, c) => [...s.options].find((o) => o.text === c).value, caption);
  await t.page.select('#cscale', await scaleOf('1:2000'));
  await t.page.$eval('#numbers', (el) => { el.value = 'J-50'; });
  await t.page.$eval('#converted', (el) => { el.value = ''; });
  await t.page.click('#convert');
  await t.page.waitForFunction(() => document.querySelector('#converted').value !== '', { timeout: 120000 });
  assert.equal(await t.page.$eval('#status', (e) => e.textContent), '转换得到 331,776 幅');
  assert.equal(await t.page.$eval('#converted', (e) => e.value.split('\n').length), 331776);
});

test('中央经度 and 省略坐标大数 are read and refused as the command line reads --cm and --offset-x', async () => {
  await t.page.click('button[data-tab="extent"]');
  for (const [id, v] of [['west', '116'], ['south', '39'], ['east', '116.2'], ['north', '39.2']]) await type(t.page, id, v);
  const refusal = (...args) => {
    try {
      cli('sheets', '--from', '116,39', '--to', '116.2,39.2', ...args);
    } catch (e) {
      return String(e.stderr).trim().replace(/^karvento-cli sheets: --(cm|offset-x)：/, '');
    }
    return '';
  };
  for (const [id, v, option, caption] of [['cm', 'abc', '--cm', '中央经度'],
    ['cm', '200', '--cm', '中央经度'], ['cm', '-3', '--cm', '中央经度'], ['offx', '39,000,000', '--offset-x', '省略坐标大数 X'],
    ['offx', '39 000 000', '--offset-x', '省略坐标大数 X'], ['cm', '116:21:99', '--cm', '中央经度']]) {
    await type(t.page, id, v);
    await generate(t.page);
    assert.equal(await t.page.$eval('#status', (e) => e.textContent), `${caption}：${refusal(option, v)}`, `${id} ${v}`);
    await type(t.page, id, '0');
  }
  // A meridian in d:m:s, as --cm takes it: the corners of 117.5°.
  const cornersAt = async (cm) => {
    await type(t.page, 'cm', cm);
    await generate(t.page);
    return t.page.evaluate(() => Array.from(window.karvento.sheets.plane.slice(0, 8)));
  };
  const decimal = await cornersAt('117.5');
  assert.ok(decimal[0] > 0);
  assert.deepEqual(await cornersAt('117:30'), decimal);
  await type(t.page, 'cm', '0');
});

test('China at 1:1万: 857,088 sheets listed and drawn; a request the page cannot hold is refused', async () => {
  await t.page.click('button[data-tab="extent"]');
  for (const [id, v] of [['west', '73'], ['south', '18'], ['east', '135'], ['north', '54'], ['cm', '0']]) await type(t.page, id, v);
  const scaleOf = (caption) => t.page.$eval('#scale', (s, c) => [...s.options].find((o) => o.text === c).value, caption);
  await t.page.select('#scale', await scaleOf('1:1万'));
  await t.page.select('#standard', 'new');
  await t.page.select('#datum', '2');
  await t.page.select('#zone', '3');
  await generate(t.page);
  assert.equal(await t.page.$eval('#count', (e) => e.textContent), '共 857,088 幅，已选 0 幅');
  assert.ok(await t.page.evaluate(() => window.karvento.map.lastDrawMs > 0));
  // Its CSV against karvento-cli's: every number and geographic edge to the
  // byte; a plane coordinate where the WebAssembly build's C library (musl)
  // rounds a sine, arctangent or hypotenuse one unit in the last place away
  // from glibc's differs in its last digits, by at most PLANE_BOUND metres.
  const first = await t.page.evaluate(() => window.karvento.sheets.numbers[0]);
  const [csv] = await exportAs('csv', [`${first}等857088幅_1万_CGCS2000.csv`]);
  const page = csv.toString('utf8').split('\r\n');
  const want = execFileSync(CLI, ['sheets', '--from', '73,18', '--to', '135,54', '--scale', '1:1万', '--standard', 'new',
    '--datum', '2000', '--format', 'csv', '--quiet'], { encoding: 'utf8', maxBuffer: 1 << 30 }).split('\r\n');
  assert.equal(page.length, want.length);
  let rows = 0;
  let most = 0;
  const columns = new Set();
  for (let i = 0; i < want.length; i++) {
    if (page[i] === want[i]) continue;
    rows++;
    const a = page[i].split(','), b = want[i].split(',');
    assert.deepEqual(a.slice(0, 5), b.slice(0, 5), `row ${i}`);
    for (let k = 5; k < b.length; k++) {
      if (a[k] === b[k]) continue;
      columns.add(k);
      most = Math.max(most, Math.abs(Number(a[k]) - Number(b[k])));
    }
  }
  console.log(`China at 1:1万: ${rows} of ${want.length - 2} rows differ, in columns ${[...columns].sort((x, y) => x - y)}, by at most ${most} m`);
  assert.ok(most <= PLANE_BOUND, `${most} m`);
  assert.ok(rows < (want.length - 2) / 4, `${rows} rows`);
  await t.page.select('#scale', await scaleOf('1:5000'));
  await generate(t.page);
  assert.match(await t.page.$eval('#status', (e) => e.textContent), /超过本页能容纳的 2,000,000 幅/);
  assert.equal(await t.page.$eval('#count', (e) => e.textContent), '共 857,088 幅，已选 0 幅');
});

test('an area file dropped on the page: GeoJSON, KML and zipped Shapefile select the command line\'s sheets', async () => {
  const { mkdtempSync, writeFileSync } = await import('node:fs');
  const { join } = await import('node:path');
  const { tmpdir } = await import('node:os');
  const dir = mkdtempSync(join(tmpdir(), 'karvento-area-'));
  // An L-shaped county with a lake, drawn by hand.
  const geojson = join(dir, 'county.geojson');
  writeFileSync(geojson, JSON.stringify({ type: 'FeatureCollection', features: [{ type: 'Feature', properties: {}, geometry: { type: 'Polygon', coordinates: [
    [[116.05, 39.71], [116.52, 39.71], [116.52, 39.86], [116.27, 39.86], [116.27, 40.13], [116.05, 40.13], [116.05, 39.71]],
    [[116.10, 39.90], [116.20, 39.90], [116.20, 40.00], [116.10, 40.00], [116.10, 39.90]]] } }] }));
  const kml = join(dir, 'county.kml');
  execFileSync('ogr2ogr', ['-f', 'KML', kml, geojson]);
  execFileSync('ogr2ogr', ['-f', 'ESRI Shapefile', join(dir, 'county.shp'), geojson]);
  execFileSync('python3', ['-c', `import zipfile,glob\nwith zipfile.ZipFile('${join(dir, 'county.zip')}','w',zipfile.ZIP_DEFLATED) as z:\n  [z.write(f, f.split('/')[-1]) for f in glob.glob('${join(dir, 'county')}.*') if not f.endswith(('.zip','.kml','.geojson'))]`]);
  const want = cliSheets(['--aoi', geojson, '--scale', '1:1万', '--datum', '2000']).map((r) => r[0]);
  assert.ok(want.length > 20);
  await t.page.click('button[data-tab="extent"]');
  await t.page.select('#datum', '2')
  await t.page.select('#scale', await t.page.$eval('#scale', (s) => [...s.options].find((o) => o.text === '1:1万').value));
  for (const file of ['county.geojson', 'county.kml', 'county.zip']) {
    const input = await t.page.$('#area-file');
    await input.uploadFile(join(dir, file));
    await t.page.waitForFunction((f) => document.querySelector('#area-name').textContent.includes(f), {}, file);
    assert.equal(await t.page.$eval('#area-name', (e) => e.textContent), `范围：${file}，1 个多边形`);
    await generate(t.page);
    assert.deepEqual(await t.page.evaluate(() => window.karvento.sheets.numbers), want, file);
  }
  await t.page.click('#clear-area');
});

test('an area of overlapping polygons and a bow-tie: merged and repaired, the command line\'s sheets and cover', async () => {
  const { mkdtempSync, writeFileSync } = await import('node:fs');
  const { join } = await import('node:path');
  const { tmpdir } = await import('node:os');
  const file = join(mkdtempSync(join(tmpdir(), 'karvento-area-')), 'messy.geojson');
  const square = (x, y, d) => [[[x, y], [x + d, y], [x + d, y + d], [x, y + d], [x, y]]];
  writeFileSync(file, JSON.stringify({ type: 'MultiPolygon', coordinates: [
    square(116.02, 39.71, 0.2), square(116.13, 39.78, 0.2),
    [[[116.4, 39.7], [116.6, 39.9], [116.6, 39.7], [116.4, 39.9], [116.4, 39.7]]]] }));
  const want = cliSheets(['--aoi', file, '--scale', '1:1万', '--datum', '2000', '--cover']);
  assert.ok(want.length > 20);
  await t.page.select('#datum', '2');
  await t.page.select('#scale', await t.page.$eval('#scale', (s) => [...s.options].find((o) => o.text === '1:1万').value));
  await (await t.page.$('#area-file')).uploadFile(file);
  await t.page.waitForFunction(() => document.querySelector('#area-name').textContent.includes('messy'));
  assert.match(await t.page.$eval('#status', (e) => e.textContent), /自相交的多边形已修复，重叠或相接的多边形已合并/);
  await generate(t.page);
  const got = await t.page.evaluate(() => ({ numbers: window.karvento.sheets.numbers, covers: [...window.karvento.sheets.covers] }));
  assert.deepEqual(got.numbers, want.map((r) => r[0]));
  got.covers.forEach((c, i) => assert.ok(Math.abs(c - Number(want[i].at(-1))) < 1e-9, `${got.numbers[i]}: ${c} against ${want[i].at(-1)}`));
  await t.page.click('#clear-area');
});

test('exports: CSV (UTF-8 and GBK), GeoJSON and MIF/MID are karvento-cli\'s bytes; checked sheets alone', async () => {
  const dir = t.downloads;
  // A Beijing 1954 request with its offsets and an old-standard one on
  // CGCS2000: every file holds plane corners, and at these the browser's
  // sine and arctangent round as the C library's, so every file is compared
  // byte for byte.
  const cases = [
    { west: '116:00:00', south: '39:40:00', east: '116:45:00', north: '40:10:00', scale: '1:1万', datum: '54', zone: '3', standard: 'new', cm: '0', offx: '39000000', offy: '0' },
    { west: '115.5', south: '39.5', east: '117', north: '40.5', scale: '1:5万', datum: '2000', zone: '6', standard: 'old', cm: '117', offx: '0', offy: '0' },
  ];
  const datumValue = { 54: '0', 80: '1', 2000: '2' };
  for (const c of cases) {
    await t.page.click('button[data-tab="extent"]');
    for (const id of ['west', 'south', 'east', 'north', 'cm', 'offx', 'offy']) await type(t.page, id, c[id]);
    await t.page.select('#scale', await t.page.$eval('#scale', (s, caption) => [...s.options].find((o) => o.text === caption).value, c.scale));
    await t.page.select('#datum', datumValue[c.datum]);
    await t.page.select('#zone', c.zone);
    await t.page.select('#standard', c.standard);
    await generate(t.page);
    const request = ['sheets', '--from', `${c.west},${c.south}`, '--to', `${c.east},${c.north}`, '--scale', c.scale,
      '--datum', c.datum, '--zone', c.zone, '--standard', c.standard, '--cm', c.cm,
      '--offset-x', c.offx, '--offset-y', c.offy, '--quiet'];
    const cliBytes = (...more) => execFileSync(CLI, [...request, ...more], { maxBuffer: 1 << 30 });
    const cliFiles = (name, ...more) => {
      execFileSync(CLI, [...request, ...more, '--output', join(dir, name)]);
      return [readFileSync(join(dir, name)), readFileSync(join(dir, name.replace(/mif$/, 'mid')))];
    };
    const label = JSON.stringify(c);
    // Each download named after the request: its first sheet and count, the scale, the datum.
    const { first, count } = await t.page.evaluate(() => ({ first: window.karvento.sheets.numbers[0], count: window.karvento.sheets.count }));
    const stem = `${first}等${count}幅_${c.scale.slice(2)}_${{ 54: 'Beijing1954', 2000: 'CGCS2000' }[c.datum]}`;
    const [csv] = await exportAs('csv', [`${stem}.csv`]);
    assert.ok(csv.equals(cliBytes('--format', 'csv')), `${label} csv`);
    const [gbk] = await exportAs('csv-gbk', [`${stem}.csv`]);
    assert.ok(gbk.equals(cliBytes('--format', 'csv', '--encoding', 'gbk')), `${label} csv gbk`);
    const [geojson] = await exportAs('geojson', [`${stem}.geojson`]);
    assert.ok(geojson.equals(cliBytes('--format', 'geojson')), `${label} geojson`);
    const mifPair = async (id) => {
      const [zip] = await exportAs(id, [`${stem}.zip`]);
      const members = unzipSync(new Uint8Array(zip));
      assert.deepEqual(Object.keys(members).sort(), [`${stem}.mid`, `${stem}.mif`]);
      return [Buffer.from(members[`${stem}.mif`]), Buffer.from(members[`${stem}.mid`])];
    };
    const [mif, mid] = await mifPair('mif-plane');
    const [wantMif, wantMid] = cliFiles('cli-plane.mif', '--format', 'mif');
    assert.ok(mif.equals(wantMif), `${label} plane mif`);
    assert.ok(mid.equals(wantMid), `${label} plane mid`);
    const [geoMif, geoMid] = await mifPair('mif-geo');
    const [wantGeoMif, wantGeoMid] = cliFiles('cli-geo.mif', '--format', 'mif', '--coords', 'geo');
    assert.ok(geoMif.equals(wantGeoMif), `${label} geographic mif`);
    assert.ok(geoMid.equals(wantGeoMid), `${label} geographic mid`);
  }
  // The checked sheets alone: the command line's head and, in list order,
  // its lines of those sheets.
  await t.page.click('#none');
  const picked = [2, 7, 30];
  for (const i of picked) await t.page.evaluate((k) => { window.karvento.sheets.checked[k] = 1; }, i);
  const numbers = await t.page.evaluate((ks) => ks.map((k) => window.karvento.sheets.numbers[k]), picked);
  assert.equal(numbers.filter((n) => n).length, 3);
  const [checked] = await exportAs('csv', [`${numbers[0]}等3幅_5万_CGCS2000.csv`], true);
  const c = cases.at(-1);
  const all = execFileSync(CLI, ['sheets', '--from', `${c.west},${c.south}`, '--to', `${c.east},${c.north}`, '--scale', c.scale,
    '--datum', c.datum, '--zone', c.zone, '--standard', c.standard, '--cm', c.cm, '--format', 'csv', '--quiet'], { encoding: 'utf8' }).split('\r\n');
  const want = [all[0], ...all.filter((line) => numbers.includes(line.split(',')[0])), ''].join('\r\n');
  assert.equal(checked.toString('utf8'), want);
  assert.equal(await t.page.$eval('#status', (e) => e.textContent), `已导出 3 幅到 ${numbers[0]}等3幅_5万_CGCS2000.csv`);
  // One sheet: its number alone.
  await t.page.evaluate((k) => { window.karvento.sheets.checked.fill(0); window.karvento.sheets.checked[k] = 1; }, picked[1]);
  await exportAs('csv', [`${numbers[1]}_5万_CGCS2000.csv`], true);
  await t.page.click('#none');
});

test('the page and the command line agree on W-01, on inverted corners and on every meridian they take', async () => {
  await t.page.click('button[data-tab="numbers"]');
  const numbers = ['j-50-5', 'W-01', 'Z-01', 'J-00'];
  const cliCheck = spawnSync(CLI, ['check', ...numbers], { encoding: 'utf8' });
  const kinds = { old: '旧图幅号', new: '新图幅号' };
  const want = new Map(cliCheck.stdout.trim().split('\n').map((l) => l.split('\t')).map(([n, k]) => [n, kinds[k]]));
  for (const l of cliCheck.stderr.trim().split('\n')) {
    const m = /^karvento-cli check: ([^：]+)：/.exec(l);
    want.set(m[1], l.replace('karvento-cli check: ', ''));
  }
  await t.page.$eval('#numbers', (el, v) => { el.value = v; }, numbers.join('\n'));
  await t.page.$eval('#converted', (el) => { el.value = ''; });
  await t.page.click('#check');
  await t.page.waitForFunction(() => document.querySelector('#converted').value !== '');
  const checked = (await t.page.$eval('#converted', (e) => e.value)).split('\n');
  assert.deepEqual(checked, numbers.map((n) => `${n}\t${want.get(n.toUpperCase())}`));
  // 转换 takes what 检查 takes and refuses what it refuses, with its words.
  await t.page.select('#direction', 'old2new');
  await t.page.select('#cscale', await t.page.$eval('#cscale', (s) => [...s.options].find((o) => o.text === '1:1万').value));
  await t.page.$eval('#converted', (el) => { el.value = ''; });
  await t.page.click('#convert');
  await t.page.waitForFunction(() => document.querySelector('#converted').value !== '');
  const converted = (await t.page.$eval('#converted', (e) => e.value)).split('\n');
  const cliConvert = spawnSync(CLI, ['convert', ...numbers, '--to-scale', '1:1万', '--format', 'csv'], { encoding: 'utf8' });
  const refused = cliConvert.stderr.trim().split('\n').filter((l) => !l.includes('注意')).map((l) => l.replace('karvento-cli convert: ', ''));
  assert.deepEqual(converted.slice(-refused.length - 1), [...refused, '以上不是标准图幅号！']);
  assert.equal(converted.length - refused.length - 1, cliConvert.stdout.trim().split(/\r?\n/).length - 1);

  await t.page.click('button[data-tab="extent"]');
  await t.page.select('#datum', '2');
  await t.page.select('#zone', '3');
  await t.page.select('#standard', 'new');
  await t.page.select('#scale', await t.page.$eval('#scale', (s) => [...s.options].find((o) => o.text === '1:1万').value));
  // Corners in the wrong order: the command line's text, the page's fields named by their captions.
  for (const [from, to] of [[['116', '39'], ['114', '39.2']], [['116', '41'], ['116.2', '40']]]) {
    for (const [id, v] of [['west', from[0]], ['south', from[1]], ['east', to[0]], ['north', to[1]]]) await type(t.page, id, v);
    await generate(t.page);
    const r = spawnSync(CLI, ['sheets', '--from', from.join(','), '--to', to.join(','), '--scale', '1:1万'], { encoding: 'utf8' });
    assert.equal(await t.page.$eval('#status', (e) => e.textContent),
      r.stderr.trim().replace('karvento-cli sheets: ', '').replace('（--from）', '').replace('（--to）', ''));
  }
  // Each meridian the command line takes gives its corners on the page too.
  for (const [id, v] of [['west', '116'], ['south', '39'], ['east', '116.2'], ['north', '39.2']]) await type(t.page, id, v);
  for (const cm of ['117°', '117°20′', '117,5', '117:30']) {
    await type(t.page, 'cm', cm);
    await generate(t.page);
    const rows = cliSheets(['--from', '116,39', '--to', '116.2,39.2', '--scale', '1:1万', '--standard', 'new', '--zone', '3',
      '--datum', '2000', '--cm', cm]);
    const got = await t.page.evaluate(() => ({ numbers: window.karvento.sheets.numbers, plane: Array.from(window.karvento.sheets.plane) }));
    assert.deepEqual(got.numbers, rows.map((r) => r[0]), cm);
    rows.forEach((r, i) => r.slice(5, 13).forEach((x, k) => assert.ok(Math.abs(got.plane[8 * i + k] - Number(x)) < 1e-6, `${cm} ${r[0]}`)));
  }
  await type(t.page, 'cm', '0');
});

test('the list keeps the keyboard: the window\'s list keys, focus kept as it scrolls, 复制图幅号', async () => {
  await t.page.click('button[data-tab="extent"]');
  for (const [id, v] of [['west', '116'], ['south', '39'], ['east', '117'], ['north', '40'], ['cm', '0']]) await type(t.page, id, v);
  await t.page.select('#scale', await t.page.$eval('#scale', (s) => [...s.options].find((o) => o.text === '1:1万').value));
  await generate(t.page);
  const numbers = await t.page.evaluate(() => window.karvento.sheets.numbers);
  assert.equal(numbers.length, 384);
  await t.page.evaluate(() => {
    window.copied = [];
    window.addEventListener('copy', (e) => window.copied.push(e.clipboardData.getData('text/plain')));
  });
  const state = () => t.page.evaluate(() => ({
    focus: document.activeElement.id, current: window.karvento.list.current,
    count: document.querySelector('#count').textContent,
    shown: !!document.querySelector('#list .row.current'),
  }));
  await t.page.click('#list .row:nth-child(1)');
  for (let i = 0; i < 40; i++) await t.page.keyboard.press('ArrowDown');
  assert.deepEqual(await state(), { focus: 'list', current: 40, count: '共 384 幅，已选 0 幅', shown: true });
  await t.page.keyboard.press(' ');
  await t.page.keyboard.press('PageDown');
  await t.page.keyboard.press(' ');
  const second = (await state()).current;
  assert.ok(second > 45, String(second));
  await t.page.keyboard.down('Control');
  await t.page.keyboard.press('KeyC');
  await t.page.keyboard.up('Control');
  await t.page.keyboard.press('End');
  assert.deepEqual(await state(), { focus: 'list', current: 383, count: '共 384 幅，已选 2 幅', shown: true });
  await t.page.keyboard.press('Home');
  assert.equal((await state()).current, 0);
  await t.page.keyboard.down('Control');
  await t.page.keyboard.press('KeyA');
  assert.equal((await state()).count, '共 384 幅，已选 384 幅');
  await t.page.keyboard.down('Shift');
  await t.page.keyboard.press('KeyA');
  await t.page.keyboard.up('Shift');
  await t.page.keyboard.up('Control');
  assert.equal((await state()).count, '共 384 幅，已选 0 幅');
  // With none checked the current sheet is copied, here by the button.
  await t.page.click('#copy');
  assert.deepEqual(await t.page.evaluate(() => window.copied),
    [`${numbers[40]}\n${numbers[second]}\n`, `${numbers[0]}\n`]);
  assert.equal(await t.page.$eval('#status', (e) => e.textContent), '已复制 1 个图幅号');
});

test('the page\'s Content-Security-Policy lets no request leave it but the images of a tile address', async () => {
  const r = await t.page.evaluate(async () => {
    const seen = [];
    document.addEventListener('securitypolicyviolation', (e) => seen.push(e.effectiveDirective));
    const fetched = await fetch('https://example.invalid/x').then(() => 'fetched', () => 'refused');
    const framed = document.createElement('iframe');
    framed.src = 'https://example.invalid/';
    document.body.appendChild(framed);
    await new Promise((done) => setTimeout(done, 300));
    framed.remove();
    return { fetched, seen: [...new Set(seen)].sort() };
  });
  assert.deepEqual(r, { fetched: 'refused', seen: ['connect-src', 'frame-src'] });
  assert.match(await t.page.$eval('meta[http-equiv="Content-Security-Policy"]', (m) => m.content), /img-src data: blob: http: https:;/);
});

test('one limit of sheets on the page, stated with the count, however large the request', async () => {
  await t.page.click('button[data-tab="extent"]');
  for (const [id, v] of [['west', '73'], ['south', '18'], ['east', '135'], ['north', '54'], ['cm', '0']]) await type(t.page, id, v);
  const scaleOf = (caption) => t.page.$eval('#scale', (s, c) => [...s.options].find((o) => o.text === c).value, caption);
  await t.page.select('#standard', 'new');
  for (const [scale, count] of [['1:5000', '3,428,352'], ['1:2000', '30,855,168'], ['1:500', '493,682,688']]) {
    await t.page.select('#scale', await scaleOf(scale));
    await generate(t.page);
    assert.equal(await t.page.$eval('#status', (e) => e.textContent),
      `该范围有 ${count} 幅图，超过本页能容纳的 2,000,000 幅；请缩小范围或改用桌面版和命令行`, scale);
  }
});

test('the point tab marks the point and outlines its sheet in red over its neighbours\' blue edges', async () => {
  await t.page.click('button[data-tab="point"]');
  await type(t.page, 'plon', '116.391');
  await type(t.page, 'plat', '39.907');
  await t.page.evaluate(() => { window.karvento.map.marks = []; });
  await t.page.click('#lookup');
  await t.page.waitForFunction(() => window.karvento.map.marks.length === 9);
  const colours = await t.page.evaluate(() => {
    const map = window.karvento.map;
    map.draw();
    const f = map.frame();
    const canvas = document.querySelector('#map');
    const dpr = canvas.width / canvas.getBoundingClientRect().width;
    const at = (lon, lat) => {
      const [x, y] = map.toPixel(lon, lat, f);
      const [r, g, b] = canvas.getContext('2d').getImageData(Math.round(x * dpr), Math.round(y * dpr), 1, 1).data;
      return r > 150 && g < 70 && b < 70 ? 'red' : b > 150 && r < 110 ? 'blue' : `${r},${g},${b}`;
    };
    const [w, s, e, n] = map.marks[4];
    const [, , east] = map.marks[5];
    return { point: at(116.391, 39.907), shared: at(e, (s + n) / 2), outer: at(east, (s + n) / 2), western: at(w, (s + n) / 2) };
  });
  assert.deepEqual(colours, { point: 'red', shared: 'red', outer: 'blue', western: 'red' });
});

test('the request travels in the page\'s address: 复制链接, and the link opened gives the same request and sheets', async () => {
  await t.page.click('button[data-tab="extent"]');
  for (const [id, v] of [['west', '116°20′'], ['south', '39.5'], ['east', '116:40'], ['north', '39°50′'], ['cm', '117:30'], ['offx', '39000000'], ['offy', '0']]) {
    await type(t.page, id, v);
  }
  await t.page.select('#datum', '1');
  await t.page.select('#zone', '6');
  await t.page.select('#standard', 'old');
  await t.page.select('#scale', await t.page.$eval('#scale', (s) => [...s.options].find((o) => o.text === '1:2.5万').value));
  await generate(t.page);
  const listed = await t.page.evaluate(() => ({ numbers: window.karvento.sheets.numbers, plane: Array.from(window.karvento.sheets.plane) }));
  assert.ok(listed.numbers.length > 4);
  await t.page.evaluate(() => {
    window.copied = [];
    window.addEventListener('copy', (e) => window.copied.push(e.clipboardData.getData('text/plain')));
  });
  await t.page.click('#copy-link');
  const [link] = await t.page.evaluate(() => window.copied);
  assert.equal(link, t.page.url());
  assert.match(link, /#w=116%C2%B020%E2%80%B2&s=39\.5&e=116%3A40&n=39%C2%B050%E2%80%B2&cm=117%3A30&ox=39000000&oy=0&scale=1%3A2\.5%E4%B8%87&standard=old&datum=80&zone=6$/);
  const other = await t.browser.newPage();
  try {
    await other.goto(link);
    await other.waitForFunction(() => window.karvento?.sheets, { timeout: 30000 });
    const fields = await other.evaluate(() => ['west', 'south', 'east', 'north', 'cm', 'offx', 'offy', 'datum', 'zone', 'standard']
      .map((id) => document.getElementById(id).value));
    assert.deepEqual(fields, ['116°20′', '39.5', '116:40', '39°50′', '117:30', '39000000', '0', '1', '6', 'old']);
    assert.deepEqual(await other.evaluate(() => ({ numbers: window.karvento.sheets.numbers, plane: Array.from(window.karvento.sheets.plane) })), listed);
    // A link naming no datum of the page is refused by name.
    await other.goto('about:blank');
    await other.goto(link.replace('datum=80', 'datum=84'));
    await other.waitForFunction(() => document.querySelector('#status.error'));
    assert.equal(await other.$eval('#status', (e) => e.textContent), '链接里的 datum=84 不是本页的坐标系（54、80 或 2000）');
  } finally {
    await other.close();
  }
});

test('独立坐标系 grids: karvento-cli grid\'s numbers and CSV bytes, its fields refused in its words', async () => {
  await t.page.click('button[data-tab="grid"]');
  const options = { gminx: '--min-x', gminy: '--min-y', gmaxx: '--max-x', gmaxy: '--max-y', gstepx: '--step-x',
    gstepy: '--step-y', gstartrow: '--start-row', gstartcol: '--start-col' };
  const captions = { gminx: '最小X', gstepx: '图幅宽度', gstartrow: '起始行号' };
  const fill = async (c) => {
    for (const id of Object.keys(options)) await type(t.page, id, c[id]);
    await t.page.select('#gby', c.by);
    await type(t.page, 'gformat', c.format);
    await t.page.evaluate(() => { document.body.dataset.generated = ''; });
    await t.page.click('#grid-generate');
    await t.page.waitForFunction(() => document.body.dataset.generated !== '' || document.querySelector('#status.error'));
  };
  const args = (c) => [...Object.entries(options).flatMap(([id, o]) => [o, c[id]]), '--by', c.by,
    ...(c.format ? ['--format-string', c.format] : []), '--quiet'];
  const cases = [
    { gminx: '0', gminy: '0', gmaxx: '1000', gmaxy: '500', gstepx: '500', gstepy: '500', gstartrow: '1', gstartcol: '1', by: 'rowcol', format: '' },
    { gminx: '39525000', gminy: '3810000', gmaxx: '39527300', gmaxy: '3811000', gstepx: '500', gstepy: '250', gstartrow: '0', gstartcol: '0', by: 'coords', format: '图[y]-[X]号' },
  ];
  for (const c of cases) {
    await fill(c);
    const csv = (...more) => execFileSync(CLI, ['grid', ...args(c), '--format', 'csv', ...more]);
    const want = csv().toString('utf8').replace(/^\uFEFF/, '').trim().split('\r\n').slice(1).map((l) => l.split(',')[0]);
    assert.ok(want.length > 1);
    assert.deepEqual(await t.page.evaluate(() => window.karvento.sheets.numbers), want, c.by);
    const stem = `${want[0]}等${want.length}幅_独立坐标系`;
    assert.ok((await exportAs('csv', [`${stem}.csv`]))[0].equals(csv()), `${c.by} csv`);
    assert.ok((await exportAs('csv-gbk', [`${stem}.csv`]))[0].equals(csv('--encoding', 'gbk')), `${c.by} csv gbk`);
    assert.deepEqual(await t.page.$$eval('#export-menu button', (b) => b.map((e) => e.dataset.export)), ['csv', 'csv-gbk']);
  }
  // The checked sheets alone: the command line's head and their lines.
  await t.page.evaluate(() => { window.karvento.sheets.checked[1] = 1; window.karvento.sheets.checked[3] = 1; });
  const numbers = await t.page.evaluate(() => [1, 3].map((k) => window.karvento.sheets.numbers[k]));
  const [checked] = await exportAs('csv', [`${numbers[0]}等2幅_独立坐标系.csv`], true);
  const all = execFileSync(CLI, ['grid', ...args(cases[1]), '--format', 'csv'], { encoding: 'utf8' }).split('\r\n');
  assert.equal(checked.toString('utf8'), [all[0], ...all.filter((l) => numbers.includes(l.split(',')[0])), ''].join('\r\n'));
  await t.page.$eval('#checked-only', (c) => { c.checked = false; });
  // Refusals: the command line's words, the field's caption for the option.
  for (const [id, v] of [['gminx', 'abc'], ['gstartrow', '1.5'], ['gstepx', '0'], ['gminx', '2000']]) {
    const c = { ...cases[0], [id]: v };
    await fill(c);
    const r = spawnSync(CLI, ['grid', ...args(c)], { encoding: 'utf8' });
    assert.notEqual(r.status, 0);
    const words = r.stderr.trim().replace(/^karvento-cli grid: /, '').replace(options[id], captions[id]);
    assert.equal(await t.page.$eval('#status', (e) => e.textContent), words, `${id} ${v}`);
  }
});

test('图幅号赋值: pasted points given back with their sheet numbers, the bytes of karvento-cli at --input', async () => {
  const { mkdtempSync } = await import('node:fs');
  const { tmpdir } = await import('node:os');
  const dir = mkdtempSync(join(tmpdir(), 'karvento-points-'));
  await t.page.click('button[data-tab="tag"]');
  await t.page.select('#datum', '2');
  await t.page.select('#zone', '3');
  await type(t.page, 'cm', '0');
  const scales = await t.page.$eval('#tag-scales', (s) => [...s.options].filter((o) => ['1:1万', '1:5万'].includes(o.text)).map((o) => o.value));
  await t.page.select('#tag-scales', ...scales);
  const run = async (text, kind, x, y, name) => {
    await t.page.$eval('#tag-text', (el, v) => { el.value = v; el.dispatchEvent(new Event('input')); }, text);
    await t.page.select('#tag-kind', kind);
    await type(t.page, 'tag-x', x);
    await type(t.page, 'tag-y', y);
    rmSync(join(t.downloads, name), { force: true });
    await t.page.evaluate(() => { document.body.dataset.tagged = ''; });
    await t.page.click('#tag-run');
    await t.page.waitForFunction(() => document.body.dataset.tagged || document.querySelector('#status.error'));
    return (await downloaded(t.downloads, [name]))[0];
  };
  // Plain lines, a bad one marked and the rest going on; then a CSV whose
  // head names the point's columns, every column passed through.
  for (const [text, more] of [
    ['116.391,39.907,天安门\n116:28:00 39:54:00 控制点2\nabc,40,坏\n# 注释\n\n120,40\n', []],
    ['点名,经度,纬度,高程\nA,116.391,39.907,43.5\nB,"116.5",40.2,"12,5"\nC,200,40,1\n', ['--x', '经度', '--y', '纬度']],
  ]) {
    const file = join(dir, 'points.txt');
    writeFileSync(file, text);
    const want = spawnSync(CLI, ['at', '--input', file, '--scale', '1:5万,1:1万', '--datum', '2000', '--format', 'csv', ...more]);
    assert.equal(want.status, 1);
    const got = await run(text, 'geo', more[1] || '', more[3] || '', '点_图幅号_5万_1万.csv');
    assert.ok(got.equals(want.stdout), `${got}\n${want.stdout}`);
    assert.match(await t.page.$eval('#status', (e) => e.textContent), /1 行无法读取，已以 \* 标出（第 \d 行：/);
  }
  // X,Y on the tab's zone: the sheets of at --plane.
  await type(t.page, 'cm', '117');
  const got = (await run('39500000,4429607.368\n', 'plane', '', '', '点_图幅号_5万_1万.csv')).toString('utf8').split('\r\n')[1].split(',');
  const at = execFileSync(CLI, ['at', '--plane', '39500000,4429607.368', '--cm', '117', '--datum', '2000', '--format', 'csv'],
    { encoding: 'utf8' }).split('\r\n').map((l) => l.split(','));
  const row = (caption) => at.find((r) => r[0] === caption);
  assert.deepEqual(got, ['39500000', '4429607.368', row('1:5万')[1], row('1:5万')[2], row('1:1万')[1], row('1:1万')[2]]);
  await type(t.page, 'cm', '0');
});
