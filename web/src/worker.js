// SPDX-License-Identifier: Apache-2.0
// The page's computing thread: the C++ core compiled to WebAssembly, asked by
// message so that the page stays responsive while a large request is walked.
import { Zip, ZipDeflate } from 'fflate';
import KarventoCore from 'karvento-core';
import { AreaFileError, flatten, readAreaBytes, unflatten } from './area.js';
import { transformOps } from './transform_ops.js';

const ready = KarventoCore();

// The most sheets the page holds at once (their numbers, edges and plane
// corners take about 100 bytes each in the page).
const MAX_SHEETS = 2_000_000;

// Runs a core routine that hands over files one after the other
// (sink.begin(name), sink.write(bytes), sink.end()): with zip, each file is
// compressed into one ZIP as it comes, so that nothing uncompressed is held
// twice; without, the files are kept as they are. Returns { files, names }
// or the routine's { error }.
function collect(run, zip) {
  const chunks = [];
  const files = [];
  const names = [];
  let failure = null;
  const archive = zip ? new Zip((err, chunk) => {
    if (err) failure = err;
    else chunks.push(chunk);
  }) : null;
  let part = null;
  const r = run({
    begin: (name) => {
      names.push(name);
      if (archive) {
        part = new ZipDeflate(name, { level: 6 });
        archive.add(part);
      } else {
        part = [];
      }
    },
    // The bytes are a view into the core's memory: copied before the call ends.
    write: (bytes) => part.push(bytes.slice()),
    end: () => (archive ? part.push(new Uint8Array(0), true) : files.push(concat(part))),
  });
  if (r.error) return r;
  if (!archive) return { files, names };
  archive.end();
  if (failure) {
    console.error(failure);
    return { error: '压缩导出的文件时出错，未能导出' };
  }
  return { files: [concat(chunks)], names };
}

function concat(chunks) {
  const bytes = new Uint8Array(chunks.reduce((n, c) => n + c.length, 0));
  let at = 0;
  for (const c of chunks) {
    bytes.set(c, at);
    at += c.length;
  }
  return bytes;
}

function transferables(result) {
  if (result && result.files) return result.files.map((f) => f.buffer);
  if (result && result.boxes) return [result.boxes.buffer];
  if (result && result.bytes) return [result.bytes.buffer];
  return result && result.edges ? [result.edges.buffer, result.plane.buffer, ...(result.covers ? [result.covers.buffer] : [])] : [];
}

const ops = {
  generate: (core, { request }) => core.generate(request, MAX_SHEETS),
  neighbours: (core, { lon, lat, scale, newStandard, zone3, datum, cm }) =>
    core.neighbours(lon, lat, scale, newStandard, zone3, datum, cm),
  sheetsAtPoint: (core, { lon, lat, zone3, datum, cm }) => core.sheetsAtPoint(lon, lat, zone3, datum, cm),
  parseAngle: (core, { text }) => core.parseAngle(text),
  check: (core, { numbers }) => numbers.map((n) => core.check(n)),
  convert: (core, { numbers, oldToNew, scale, zone3, datum, cm }) => {
    const rows = [];
    for (const n of numbers) rows.push({ source: n, ...core.convert(n, oldToNew, scale, zone3, datum, cm) });
    return rows;
  },
  scaleCaptions: (core) => core.scaleCaptions(),
  datums: (core) => core.datums(),
  areaCorners: (core, { coords, shape, scale }) => core.areaCorners(coords, shape, scale),
  // An area file, read here and not in the page, so that no file, however
  // damaged, holds up the page: its polygons as read, checked by the core as
  // the command line checks GDAL's (non-finite coordinates, rings that bound
  // nothing), then repaired and merged by the command line's routine, and
  // the corners they ask for.
  readArea: (core, { name, bytes, scale }) => {
    const fail = (text) => ({ error: `范围文件 “${name}”：${text}` });
    let read;
    try {
      read = readAreaBytes(name, new Uint8Array(bytes));
    } catch (e) {
      if (e instanceof AreaFileError) return fail(e.message);
      // A fault of the reader itself: no internal text reaches the page.
      return fail('无法读取：文件的结构有误');
    }
    const asRead = flatten(read.polygons);
    const checked = core.checkArea(asRead.coords, asRead.shape);
    if (checked.error) return fail(checked.error);
    const settled = core.settleArea(asRead.coords, asRead.shape);
    if (settled.error) return fail(settled.error);
    // A valid area is kept as the file gives it, to the last bit.
    const flat = settled.notice ? { coords: Array.from(settled.coords), shape: settled.shape } : asRead;
    const polygons = settled.notice ? unflatten(flat.coords, flat.shape) : read.polygons;
    const corners = core.areaCorners(flat.coords, flat.shape, scale);
    if (corners.error) return fail(corners.error);
    return { polygons, count: read.polygons.length, datum: read.datum, notice: settled.notice,
      ...flat, corners: [0, 1, 2, 3].map((i) => corners[i]) };
  },
  generateInArea: (core, { request, coords, shape, minCover }) =>
    core.generateInArea(request, coords, shape, minCover, MAX_SHEETS),
  walkOnly: (core, { request }) => ({ count: core.walkOnly(request) }),
  // A file export of the listed sheets (all, or those of mask): the bytes of
  // each file, by the writers karvento-cli writes with.
  exportSheets: (core, { request, coords, shape, minCover, format, mask }) =>
    core.exportSheets(request, coords || [], shape || [], minCover || 0, format, mask || new Uint8Array(0)),
  // The files that karvento-cli writes through GDAL, by the GDAL-free
  // writers of export/: KML, and the members of a Shapefile.
  kmlFile: (core, { request, coords, shape, minCover, mask, stem, cornersOnly }) =>
    core.kmlFile(request, coords || [], shape || [], minCover || 0, mask || new Uint8Array(0), stem, cornersOnly),
  shapefileFiles: (core, { request, coords, shape, minCover, mask, geographic, cornersOnly, gbk }) =>
    core.shapefileFiles(request, coords || [], shape || [], minCover || 0, mask || new Uint8Array(0), geographic,
      cornersOnly, gbk),
  // The DXF drawing: its entities kept as they come, in pieces, and offered
  // with the head and tail as one Blob, never one contiguous copy.
  dxfFile: (core, { request, coords, shape, minCover, mask, geographic, cornersOnly }) => {
    const entities = [];
    const r = core.dxfFile(request, coords || [], shape || [], minCover || 0, mask || new Uint8Array(0), geographic,
      cornersOnly, (bytes) => entities.push(bytes.slice()));
    if (r.error) return r;
    return { blob: new Blob([r.head, ...entities, r.tail], { type: 'application/dxf' }) };
  },
  // The workbook, its parts compressed into the .xlsx as they come.
  xlsxFile: (core, { request, coords, shape, minCover, mask, fileName }) =>
    collect((sink) => core.xlsxFile(request, coords || [], shape || [], minCover || 0, mask || new Uint8Array(0),
      fileName, sink), true),
  // The map frames' drawings: one file, or several in one zip.
  frameFiles: (core, { request, coords, shape, minCover, mask, zip }) =>
    collect((sink) => core.frameFiles(request, coords || [], shape || [], minCover || 0, mask || new Uint8Array(0),
      sink), zip),
  // 独立坐标系: the grid of the form's fields, and its file.
  grid: (core, { grid }) => core.grid(grid, MAX_SHEETS),
  exportGrid: (core, { grid, format, mask }) => core.exportGrid(grid, format, mask || new Uint8Array(0)),
  // 图幅号赋值: the pasted points given back with their sheet numbers.
  tagPoints: (core, { text, scales, standard, plane, zone3, datum, cm, xColumn, yColumn }) =>
    core.tagPoints(text, scales, standard, plane, zone3, datum, cm, xColumn, yColumn),
  ...transformOps,
};

// The fields the page hands over as typed ({ cmText, offsetXText,
// offsetYText }, in the arguments or their request), read here by the core
// as the command line reads --cm, --offset-x and --offset-y; the first one
// refused is the request's { error }.
const FIELDS = [
  ['cmText', 'cm', '中央经度', 0, 180, true],
  ['offsetXText', 'offsetX', '省略坐标大数 X', -Infinity, Infinity, false],
  ['offsetYText', 'offsetY', '省略坐标大数 Y', -Infinity, Infinity, false],
];

function readFields(core, args) {
  for (const holder of [args, args.request]) {
    if (!holder) continue;
    for (const [text, key, caption, lo, hi, meridian] of FIELDS) {
      if (!(text in holder)) continue;
      const r = core.readNumber(String(holder[text]).trim(), caption, lo, hi, meridian);
      if (r.error) return r.error;
      holder[key] = r.value;
      delete holder[text];
    }
  }
  return null;
}

self.onmessage = async (event) => {
  const { id, op, args } = event.data;
  try {
    const core = await ready;
    const started = performance.now();
    const refused = readFields(core, args || {});
    if (refused) {
      self.postMessage({ id, result: { error: refused } });
      return;
    }
    const result = ops[op](core, args || {});
    const ms = performance.now() - started;
    self.postMessage({ id, result, ms }, transferables(result));
  } catch (e) {
    // A fault of the page itself, never of the user's input: said so, with
    // the internal text only in the console.
    console.error(e);
    self.postMessage({ id, result: { error: '本页内部出错，未能完成这次计算；请重新载入本页后再试' } });
  }
};
