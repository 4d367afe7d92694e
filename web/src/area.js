// SPDX-License-Identifier: Apache-2.0
// Areas of interest read in the page's worker from the files users draw them
// in: GeoJSON, KML and zipped Shapefiles of polygons (holes and
// multipolygons), in longitude and latitude. Nothing leaves the page.
//
// Every length and count read from a file is checked against the bytes that
// are there before it is used, and a zip entry is inflated only up to the
// size its directory states and to MAX_INFLATED in all: a damaged or hostile
// file is refused with what is wrong with it, never read past its end or
// expanded without bound. The polygons read are then checked, repaired and
// merged by the core as the command line does it with the polygons GDAL
// reads (worker.js).
import { Inflate } from 'fflate';

// The most bytes the members of one zipped Shapefile may inflate to, all
// together: far more than the boundary of any province at full detail, far
// less than the page's memory.
export const MAX_INFLATED = 256 * 1024 * 1024;

// A refusal of the file: its text names what is wrong and is shown as it is.
export class AreaFileError extends Error {}
const refuse = (text) => { throw new AreaFileError(text); };

const mib = (n) => `${Math.round(n / 1024 / 1024).toLocaleString('en-US')} MiB`;

// An area: polygons, each an array of rings (outer first), each ring an
// array of [lon, lat]; the datum the file's coordinates are on. name is the
// file's name, bytes its contents (a Uint8Array).
export function readAreaBytes(name, bytes) {
  const lower = name.toLowerCase();
  if (lower.endsWith('.zip')) return readZippedShapefile(bytes);
  const text = new TextDecoder().decode(bytes);
  if (lower.endsWith('.kml')) return readKml(text);
  if (lower.endsWith('.geojson') || lower.endsWith('.json')) return readGeoJson(text);
  return refuse('不是本页能读的范围文件（GeoJSON、KML 或压缩的 Shapefile）');
}

// A polygon as OGR keeps it: one without an outer ring, or with an empty
// one, is no polygon and is skipped, as the command line's reader skips it.
function keep(polygons, rings) {
  if (rings.length && rings[0].length) polygons.push(rings);
}

const describe = (v) => (v === undefined ? '缺少' : JSON.stringify(v).slice(0, 40));

export function readGeoJson(text) {
  let doc;
  try {
    doc = JSON.parse(text);
  } catch (e) {
    return refuse('不是完整的 JSON（GeoJSON 文件的语法有误）');
  }
  if (!doc || typeof doc !== 'object') return refuse('不是 GeoJSON：没有几何对象');
  const crs = doc.crs?.properties?.name;
  if (crs !== undefined && typeof crs !== 'string') return refuse('坐标系（crs）的名称不是文本');
  if (crs && !/CRS84|EPSG:+4326|EPSG:+4490/.test(crs)) {
    return refuse(`坐标系 ${crs} 不是经纬度：请先转为 WGS 84 或 CGCS2000 经纬度`);
  }
  const polygons = [];
  let count = 0;
  const list = (v, what) => (Array.isArray(v) ? v : refuse(`${what}不是数组（${describe(v)}）`));
  // A position is an array of two or three JSON numbers: null, text ("116.1")
  // or a missing value is no coordinate, as GDAL reads GeoJSON.
  const position = (p) => {
    count++;
    if (!Array.isArray(p) || p.length < 2 || typeof p[0] !== 'number' || typeof p[1] !== 'number') {
      refuse(`第 ${count} 个坐标 ${describe(p)} 不是经度和纬度两个数`);
    }
    return [p[0], p[1]];
  };
  const polygon = (c) => keep(polygons, list(c, 'Polygon 的坐标').map((r) => list(r, '环').map(position)));
  const add = (g, depth) => {
    if (g === null) return;  // a feature without geometry
    if (typeof g !== 'object' || depth > 64) refuse('几何对象的结构有误');
    if (g.type === 'Polygon') polygon(g.coordinates);
    else if (g.type === 'MultiPolygon') list(g.coordinates, 'MultiPolygon 的坐标').forEach(polygon);
    else if (g.type === 'GeometryCollection') list(g.geometries, 'GeometryCollection 的 geometries').forEach((x) => add(x, depth + 1));
    else if (g.type === 'Feature') add(g.geometry ?? null, depth + 1);
    else if (g.type === 'FeatureCollection') list(g.features, 'FeatureCollection 的 features').forEach((x) => add(x, depth + 1));
  };
  add(doc, 0);
  if (!polygons.length) refuse('没有多边形');
  return { polygons, datum: (crs || '').includes('4490') ? 'CGCS2000' : 'WGS 84' };
}

// KML read without a DOM (the worker has none): the coordinates of each
// Polygon's outerBoundaryIs and innerBoundaryIs, namespace prefixes allowed,
// comments and CDATA-free text as KML writers make it.
export function readKml(text) {
  const body = text.replace(/<!--[\s\S]*?-->/g, '');
  if (!/<(\w+:)?kml\b/.test(body)) refuse('不是 KML：没有 <kml> 元素');
  const element = (name) => new RegExp(`<(?:\\w+:)?${name}\\b[^>]*>([\\s\\S]*?)</(?:\\w+:)?${name}\\s*>`, 'g');
  let count = 0;
  const ring = (boundary) => {
    const m = /<(?:\w+:)?coordinates\b[^>]*>([\s\S]*?)<\/(?:\w+:)?coordinates\s*>/.exec(boundary);
    if (!m) return refuse('有一个多边形的边界没有 <coordinates>');
    return m[1].trim().split(/\s+/).filter(Boolean).map((t) => {
      count++;
      const parts = t.split(',');
      // A coordinate is a decimal number as XML Schema writes one; anything
      // else ("abc", "1e", an empty field) is refused, not read as NaN or 0.
      const xy = parts.slice(0, 2).map((v) => (/^[+-]?(\d+\.?\d*|\.\d+)([eE][+-]?\d+)?$/.test(v) ? Number(v) : NaN));
      if (parts.length < 2 || parts.length > 3 || xy.some(Number.isNaN)) {
        refuse(`第 ${count} 个坐标“${t.slice(0, 40)}”不是经度,纬度`);
      }
      return xy;
    });
  };
  const polygons = [];
  for (const [, inside] of body.matchAll(element('Polygon'))) {
    const outer = [...inside.matchAll(element('outerBoundaryIs'))].map((m) => ring(m[1]));
    const inner = [...inside.matchAll(element('innerBoundaryIs'))].map((m) => ring(m[1]));
    if (outer.length !== 1) refuse('有一个多边形没有外边界（outerBoundaryIs）');
    keep(polygons, [outer[0], ...inner]);
  }
  if (!polygons.length) refuse('没有多边形');
  return { polygons, datum: 'WGS 84' };
}

// The bytes of a zip entry as stored, inflated (method 8) to exactly the
// size the directory states: more or fewer is a damaged entry, and the
// inflating stops at the first byte beyond it.
function inflateEntry(name, data, size, budget) {
  if (size > budget.left) {
    refuse(`zip 里的 ${name} 解压后有 ${mib(size)}，超过本页读取范围文件的上限 ${mib(MAX_INFLATED)}`);
  }
  const out = new Uint8Array(size);
  let at = 0;
  let over = false;
  const inflate = new Inflate();
  inflate.ondata = (chunk) => {
    if (at + chunk.length > size) over = true;
    else out.set(chunk, at);
    at += chunk.length;
  };
  try {
    // In small pieces, so that no piece inflates to much more than the
    // stated size before the next check.
    const piece = 4096;
    for (let p = 0; p < data.length && !over; p += piece) inflate.push(data.subarray(p, p + piece), p + piece >= data.length);
  } catch (e) {
    refuse(`zip 里的 ${name} 已损坏，无法解压`);
  }
  if (over || at !== size) refuse(`zip 里的 ${name} 已损坏：解压后的大小与目录所记的 ${size} 字节不符`);
  budget.left -= size;
  return out;
}

// The entries of a zip file: name → a function giving its bytes. Every
// offset and size of the directory is checked against the file.
function unzip(bytes) {
  const view = new DataView(bytes.buffer, bytes.byteOffset, bytes.byteLength);
  const damaged = (what) => refuse(`zip 文件已损坏：${what}`);
  // The end record lies in the last 22 bytes plus at most a 65,535-byte comment.
  let end = bytes.length - 22;
  const stop = Math.max(0, bytes.length - 22 - 65535);
  while (end >= stop && view.getUint32(end, true) !== 0x06054b50) end--;
  if (end < stop) refuse('不是 zip 文件（找不到 zip 的目录）');
  const count = view.getUint16(end + 10, true);
  const dirSize = view.getUint32(end + 12, true);
  let p = view.getUint32(end + 16, true);
  if (p + dirSize > end) damaged('目录的位置超出文件');
  const files = new Map();
  for (let i = 0; i < count; i++) {
    if (p + 46 > end || view.getUint32(p, true) !== 0x02014b50) damaged('目录的条目不完整');
    const flags = view.getUint16(p + 8, true);
    const method = view.getUint16(p + 10, true);
    const packed = view.getUint32(p + 20, true);
    const size = view.getUint32(p + 24, true);
    const nameLength = view.getUint16(p + 28, true);
    const extra = view.getUint16(p + 30, true);
    const comment = view.getUint16(p + 32, true);
    const local = view.getUint32(p + 42, true);
    if (p + 46 + nameLength > end) damaged('目录里的文件名超出目录');
    const name = new TextDecoder().decode(bytes.subarray(p + 46, p + 46 + nameLength));
    if (local + 30 > bytes.length || view.getUint32(local, true) !== 0x04034b50) damaged(`${name} 的位置不对`);
    const start = local + 30 + view.getUint16(local + 26, true) + view.getUint16(local + 28, true);
    if (start + packed > bytes.length) damaged(`${name} 的数据超出文件`);
    if (flags & 1) refuse(`zip 里的 ${name} 已加密：本页不读加密的 zip`);
    if (packed === 0xffffffff || size === 0xffffffff) refuse(`zip 里的 ${name} 是 ZIP64 格式，超过本页读取范围文件的上限 ${mib(MAX_INFLATED)}`);
    files.set(name.toLowerCase(), { name, method, data: bytes.subarray(start, start + packed), size });
    p += 46 + nameLength + extra + comment;
  }
  const budget = { left: MAX_INFLATED };
  return (suffix) => {
    const entry = [...files.values()].find((f) => f.name.toLowerCase().endsWith(suffix));
    if (!entry) return null;
    const { name, method, data, size } = entry;
    if (method === 0) {
      if (data.length !== size) damaged(`${name} 的大小与目录所记不符`);
      return data;
    }
    if (method !== 8) refuse(`zip 里的 ${name} 用了本页不支持的压缩方式 ${method}`);
    return inflateEntry(name, data, size, budget);
  };
}

function signedArea(ring) {
  let a = 0;
  for (let i = 0, j = ring.length - 1; i < ring.length; j = i++) a += (ring[j][0] - ring[i][0]) * (ring[j][1] + ring[i][1]);
  return a / 2;
}

// The polygons of a .shp, found as GDAL finds them: through its index, the
// .shx, whose 100-byte header is followed by one offset and content length
// per record (in 16-bit words, big-endian); the record headers in the .shp
// itself are not relied on. Every offset, length, part count and point
// count is checked against the record and the file before it is used.
export function readShp(shp, shx) {
  const view = new DataView(shp.buffer, shp.byteOffset, shp.byteLength);
  const index = new DataView(shx.buffer, shx.byteOffset, shx.byteLength);
  if (shp.length < 100 || view.getInt32(0, false) !== 9994) refuse('zip 里的 .shp 不是 Shapefile（文件头不对）');
  if (shx.length < 100 || index.getInt32(0, false) !== 9994 || (shx.length - 100) % 8 !== 0) {
    refuse('zip 里的 .shx 不是 Shapefile 的索引（文件头或长度不对）');
  }
  const polygons = [];
  const records = (shx.length - 100) / 8;
  for (let record = 1; record <= records; record++) {
    const bad = (what) => refuse(`.shp 的第 ${record} 条记录已损坏：${what}`);
    const offset = index.getInt32(100 + 8 * (record - 1), false) * 2;
    const length = index.getInt32(104 + 8 * (record - 1), false) * 2;
    if (offset < 100 || length < 4 || offset + 8 + length > shp.length) {
      bad(`索引所记的位置 ${offset}、内容长度 ${length} 字节与 .shp 不符`);
    }
    const content = offset + 8;
    const type = view.getInt32(content, true);
    if (type === 5 || type === 15 || type === 25) {
      if (length < 44) bad('多边形的记录太短');
      const parts = view.getInt32(content + 36, true);
      const points = view.getInt32(content + 40, true);
      if (parts < 0 || points < 0 || 44 + 4 * parts + 16 * points > length) bad(`${parts} 个部分、${points} 个点超出记录的长度`);
      const starts = [];
      for (let k = 0; k < parts; k++) starts.push(view.getInt32(content + 44 + 4 * k, true));
      starts.push(points);
      for (let k = 0; k < parts; k++) {
        if (!(starts[k] >= 0 && starts[k] <= starts[k + 1])) bad(`第 ${k + 1} 部分的起点 ${starts[k]} 不对`);
      }
      const base = content + 44 + 4 * parts;
      for (let k = 0; k < parts; k++) {
        const ring = [];
        for (let q = starts[k]; q < starts[k + 1]; q++) ring.push([view.getFloat64(base + 16 * q, true), view.getFloat64(base + 16 * q + 8, true)]);
        // Outer rings run clockwise in a Shapefile, holes anticlockwise; a
        // hole belongs to the outer ring before it.
        if (signedArea(ring) < 0 || !polygons.length) polygons.push([ring]);
        else polygons[polygons.length - 1].push(ring);
      }
    }  // other shapes (points, lines) bound no area and are skipped
  }
  const kept = [];
  for (const rings of polygons) keep(kept, rings);
  if (!kept.length) refuse('没有多边形');
  return kept;
}

export function readZippedShapefile(bytes) {
  const get = unzip(bytes);
  const shp = get('.shp');
  if (!shp) refuse('zip 里没有 .shp 文件');
  const shx = get('.shx');
  if (!shx) refuse('zip 里没有 .shx 文件（Shapefile 的索引）');
  const prj = get('.prj');
  const wkt = prj ? new TextDecoder().decode(prj) : '';
  if (/^\s*PROJCS|^\s*PROJCRS/.test(wkt)) {
    refuse('是投影坐标：本页只读经纬度的 Shapefile，请先转为经纬度或用桌面版导入');
  }
  return { polygons: readShp(shp, shx), datum: /CGCS|China_2000|4490/i.test(wkt) ? 'CGCS2000' : 'WGS 84' };
}

// The flat form the core takes: coordinates, and the shape (polygon count,
// then for each its ring count and each ring's point count).
export function flatten(polygons) {
  const coords = [];
  const shape = [polygons.length];
  for (const rings of polygons) {
    shape.push(rings.length);
    for (const ring of rings) {
      shape.push(ring.length);
      for (const [x, y] of ring) coords.push(x, y);
    }
  }
  return { coords, shape };
}

// The polygons of the flat form (as flatten gives it and the core hands back).
export function unflatten(coords, shape) {
  const polygons = [];
  let c = 1;
  let p = 0;
  for (let i = 0; i < shape[0]; i++) {
    const rings = [];
    for (let r = shape[c++]; r > 0; r--) {
      const ring = [];
      for (let k = shape[c++]; k > 0; k--, p += 2) ring.push([coords[p], coords[p + 1]]);
      rings.push(ring);
    }
    polygons.push(rings);
  }
  return polygons;
}
