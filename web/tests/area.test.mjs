// SPDX-License-Identifier: Apache-2.0
// One corpus of area files, good, broken and hostile, through both front
// ends: the page (in a real browser, the file chosen as a user chooses it)
// and karvento-cli sheets --aoi must give the same verdict and, where they
// accept it, the same sheets. A refusal on the page is Chinese and names
// what is wrong with the file; no file holds the page up.
import { test, before, after } from 'node:test';
import assert from 'node:assert/strict';
import { execFileSync, spawnSync } from 'node:child_process';
import { mkdtempSync, readFileSync, rmSync, writeFileSync } from 'node:fs';
import { tmpdir } from 'node:os';
import { join } from 'node:path';
import { Zip, ZipDeflate, zipSync } from 'fflate';
import { openPage, generate } from './browser.mjs';

const CLI = process.env.KARVENTO_CLI || new URL('../../build/cli/karvento-cli', import.meta.url).pathname;
const dir = mkdtempSync(join(tmpdir(), 'karvento-areas-'));

// karvento-cli's verdict: the sheets' numbers, or its refusal.
function cliVerdict(file) {
  const r = spawnSync(CLI, ['sheets', '--aoi', file, '--scale', '1:1万', '--datum', '2000', '--format', 'csv'],
    { encoding: 'utf8', maxBuffer: 1 << 30 });
  if (r.status !== 0) return { error: r.stderr.trim() };
  return { numbers: r.stdout.replace(/^\uFEFF/, '').trim().split(/\r?\n/).slice(1).map((l) => l.split(',')[0]) };
}

let t;
before(async () => {
  t = await openPage();
  await t.page.click('button[data-tab="extent"]');
  await t.page.select('#datum', '2');
  await t.page.select('#scale', await t.page.$eval('#scale', (s) => [...s.options].find((o) => o.text === '1:1万').value));
});
after(async () => {
  await t?.close();
  rmSync(dir, { recursive: true, force: true });
});

// The page's verdict on a file chosen in 导入范围: the sheets it lists, or
// the refusal in its status line; the status line of an accepted file is
// kept in pageNotice.
let pageNotice = '';
async function pageVerdict(file) {
  await t.page.click('#clear-area');
  await t.page.$eval('#status', (s) => { s.textContent = ''; s.classList.remove('error'); });
  await (await t.page.$('#area-file')).uploadFile(file);
  await t.page.waitForFunction(() => {
    const s = document.querySelector('#status');
    return s.textContent !== '' && !s.textContent.startsWith('正在读取');
  }, { timeout: 30000 });
  const refusal = await t.page.$eval('#status', (s) => (s.classList.contains('error') ? s.textContent : ''));
  if (refusal) return { error: refusal };
  pageNotice = await t.page.$eval('#status', (s) => s.textContent);
  await generate(t.page);
  return { numbers: await t.page.evaluate(() => window.karvento.sheets.numbers) };
}

const square = [[116.1, 39.8], [116.3, 39.8], [116.3, 40.0], [116.1, 40.0], [116.1, 39.8]];
const polygonFile = (name, ring) => {
  const file = join(dir, name);
  writeFileSync(file, `{"type":"Polygon","coordinates":[${JSON.stringify(ring)}]}`);
  return file;
};

// A zipped Shapefile of the square, written by GDAL, its .shp and .shx
// passed to edit (DataViews over their bytes) before they are zipped; named
// .shp.zip, as GDAL reads a zipped Shapefile.
function zippedShapefile(name, edit = () => {}) {
  const shp = join(dir, `${name}.shp`);
  execFileSync('ogr2ogr', ['-f', 'ESRI Shapefile', shp, polygonFile(`${name}.geojson`, square)]);
  const members = {};
  for (const ext of ['shp', 'shx', 'dbf', 'prj']) members[`${name}.${ext}`] = new Uint8Array(readFileSync(join(dir, `${name}.${ext}`)));
  edit(new DataView(members[`${name}.shp`].buffer), new DataView(members[`${name}.shx`].buffer));
  const zip = join(dir, `${name}.shp.zip`);
  writeFileSync(zip, zipSync(members));
  return zip;
}

// 400 MB of zeros in a zip of a few hundred kilobytes.
function zipBomb() {
  const bomb = join(dir, 'bomb.shp.zip');
  const chunks = [];
  const zip = new Zip((err, chunk) => { if (err) throw err; chunks.push(chunk); });
  const member = new ZipDeflate('bomb.shp', { level: 9 });
  zip.add(member);
  const block = new Uint8Array(1 << 20);
  for (let i = 0; i < 400; i++) member.push(block, i === 399);
  zip.end();
  writeFileSync(bomb, Buffer.concat(chunks));
  return bomb;
}

const geojson = (name, text) => {
  const f = join(dir, name);
  writeFileSync(f, text);
  return f;
};

const bowTie = [[116.1, 39.8], [116.3, 40.0], [116.3, 39.8], [116.1, 40.0], [116.1, 39.8]];
const featureOf = (ring) => `{"type":"Feature","properties":{},"geometry":{"type":"Polygon","coordinates":[${JSON.stringify(ring)}]}}`;
const shifted = square.map(([x, y]) => [x + 0.13, y + 0.07]);

test('one corpus of area files: the page and karvento-cli give the same verdict and the same sheets', async () => {
  // Each file, and the page's refusal ('accept': both list the square's
  // sheets; a notice: both list the same sheets, and the page says that).
  const corpus = [
    ['a square', polygonFile('square.geojson', square), 'accept'],
    ['a null vertex', geojson('null.geojson', '{"type":"Polygon","coordinates":[[[116.1,39.8],[116.3,39.8],null,[116.1,40.0],[116.1,39.8]]]}'),
      /第 3 个坐标 null 不是经度和纬度两个数/],
    ['a one-point polygon', polygonFile('point.geojson', [[116.1, 39.8]]), /第 1 个多边形的外环只有 1 个不同的点，围不成面/],
    ['a segment drawn out and back', polygonFile('segment.geojson', [[116.1, 39.8], [116.3, 39.8], [116.1, 39.8]]),
      /第 1 个多边形的外环只有 2 个不同的点，围不成面/],
    ['three points on a line', polygonFile('line.geojson', [[116.1, 39.8], [116.2, 39.8], [116.3, 39.8], [116.1, 39.8]]),
      /多边形没有面积/],
    ['text coordinates', polygonFile('text.geojson', square.map(([x, y], i) => (i === 0 ? [String(x), y] : [x, y]))),
      /第 1 个坐标 \["116.1",39.8\] 不是经度和纬度两个数/],
    ['a feature without coordinates', geojson('bare.geojson', '{"type":"Feature","geometry":{"type":"Polygon"}}'),
      /Polygon 的坐标不是数组（缺少）/],
    // 1e999 is read as infinity by both front ends' readers.
    ['an infinite longitude in a KML', geojson('infinite.kml', `<?xml version="1.0"?><kml xmlns="http://www.opengis.net/kml/2.2"><Placemark><Polygon><outerBoundaryIs><LinearRing><coordinates>${
      square.map(([x, y], i) => (i === 2 ? '1e999,40' : `${x},${y}`)).join(' ')}</coordinates></LinearRing></outerBoundaryIs></Polygon></Placemark></kml>`),
    /含有不是有限数的坐标（NaN 或无穷大）/],
    // GDAL's KML driver would drop this tuple and read a triangle.
    ['a nan vertex in a KML', geojson('nan.kml', `<?xml version="1.0"?><kml xmlns="http://www.opengis.net/kml/2.2"><Placemark><Polygon><outerBoundaryIs><LinearRing><coordinates>${
      square.map(([x, y], i) => (i === 2 ? 'nan,40' : `${x},${y}`)).join(' ')}</coordinates></LinearRing></outerBoundaryIs></Polygon></Placemark></kml>`),
    /第 3 个坐标“nan,40”不是经度,纬度/],
    ['a zipped Shapefile', zippedShapefile('good'), 'accept'],
    // The record headers of the .shp are not what GDAL reads a record by
    // (its .shx is): a content length of −4 words there, which once held
    // the page in an endless loop, or one past the file's end.
    ['a record header of length −4', zippedShapefile('minus4', (shp) => shp.setInt32(104, -4, false)), 'accept'],
    ['a record header past the end', zippedShapefile('long', (shp) => shp.setInt32(104, 1 << 28, false)), 'accept'],
    ['a part count past the record', zippedShapefile('parts', (shp) => shp.setInt32(108 + 36, 1 << 30, true)),
      /\.shp 的第 1 条记录已损坏：1073741824 个部分、5 个点超出记录的长度/],
    ['an index entry past the end', zippedShapefile('index', (shp, shx) => shx.setInt32(104, 1 << 28, false)),
      /\.shp 的第 1 条记录已损坏：索引所记的位置 100、内容长度 536870912 字节与 \.shp 不符/],
    ['an index entry of length −4', zippedShapefile('index4', (shp, shx) => shx.setInt32(104, -4, false)),
      /\.shp 的第 1 条记录已损坏：索引所记的位置 100、内容长度 -8 字节与 \.shp 不符/],
    ['400 MB of zeros', zipBomb(), /bomb\.shp 解压后有 400 MiB，超过本页读取范围文件的上限 256 MiB/],
    // Repaired and merged by the one routine of both front ends.
    ['a bow-tie', polygonFile('bowtie.geojson', bowTie), { notice: /自相交的多边形已修复，重叠或相接的多边形已合并/ }],
    ['two overlapping polygons',
      geojson('overlap.geojson', `{"type":"FeatureCollection","features":[${featureOf(square)},${featureOf(shifted)}]}`),
      { notice: /^重叠或相接的多边形已合并/ }],
  ];
  const want = cliVerdict(corpus[0][1]).numbers;
  assert.ok(want.length > 10);
  for (const [name, file, expected] of corpus) {
    const cli = cliVerdict(file);
    const page = await pageVerdict(file);
    if (expected === 'accept') {
      assert.deepEqual(cli, { numbers: want }, `${name}: karvento-cli`);
      assert.deepEqual(page, { numbers: want }, `${name}: the page`);
    } else if (expected.notice) {
      assert.ok(cli.numbers?.length > 0, `${name}: karvento-cli says ${JSON.stringify(cli)}`);
      assert.deepEqual(page, cli, `${name}: the page and karvento-cli`);
      assert.notDeepEqual(cli.numbers, want, `${name}: the square's sheets`);
      assert.match(pageNotice, expected.notice, `${name}: the page's notice`);
    } else {
      assert.ok(cli.error, `${name}: karvento-cli accepted it`);
      assert.match(page.error ?? '', expected, `${name}: the page says ${JSON.stringify(page)}`);
      assert.ok(page.error.startsWith(`范围文件 “${file.split('/').pop()}”：`), page.error);
      assert.doesNotMatch(page.error, /Cannot|undefined|DataView|Offset is|TypeError|RangeError|properties of|Unexpected|JSON at/,
        `${name}: the browser's own text`);
    }
    // The page answers at once afterwards: its main thread was never held.
    assert.equal(await t.page.evaluate(() => 1 + 1), 2);
  }
  // A file past the page's bound is refused unread (a sparse file: no disk).
  const huge = join(dir, 'huge.geojson');
  execFileSync('truncate', ['-s', '600M', huge]);
  assert.deepEqual(await pageVerdict(huge), { error: '范围文件 “huge.geojson”：有 600 MiB，超过本页读取范围文件的上限 512 MiB' });
  // Nothing of the 400 MB came into the page's own heap (Chromium tells).
  const heap = await t.page.evaluate(() => (performance.memory ? performance.memory.usedJSHeapSize : 0));
  assert.ok(heap < 200e6, `heap ${heap}`);
});
