// SPDX-License-Identifier: Apache-2.0
// Areas of interest read in the page from the files users draw them in:
// GeoJSON, KML and zipped Shapefiles of polygons (holes and multipolygons),
// in longitude and latitude. Nothing leaves the page.
import polygonClipping from 'polygon-clipping';

// An area: polygons, each an array of rings (outer first), each ring an
// array of [lon, lat]; the datum the file's coordinates are on.
export async function readAreaFile(file) {
  const name = file.name.toLowerCase();
  if (name.endsWith('.zip')) return readZippedShapefile(new Uint8Array(await file.arrayBuffer()));
  const text = await file.text();
  if (name.endsWith('.kml')) return readKml(text);
  if (name.endsWith('.geojson') || name.endsWith('.json')) return readGeoJson(text);
  throw new Error(`“${file.name}”不是本页能读的范围文件（GeoJSON、KML 或压缩的 Shapefile）`);
}

function finite(ring, file) {
  for (const [x, y] of ring) {
    if (!Number.isFinite(x) || !Number.isFinite(y)) throw new Error(`${file}：有一个坐标不是数`);
  }
  return ring;
}

export function readGeoJson(text, file = 'GeoJSON') {
  let doc;
  try {
    doc = JSON.parse(text);
  } catch (e) {
    throw new Error(`${file} 不是 JSON：${e.message}`);
  }
  const crs = doc.crs?.properties?.name || '';
  if (crs && !/CRS84|EPSG:+4326|EPSG:+4490/.test(crs)) {
    throw new Error(`${file} 的坐标系 ${crs} 不是经纬度：请先转为 WGS 84 或 CGCS2000 经纬度`);
  }
  const polygons = [];
  const add = (g) => {
    if (!g) return;
    if (g.type === 'Polygon') polygons.push(g.coordinates.map((r) => finite(r.map((p) => [Number(p[0]), Number(p[1])]), file)));
    else if (g.type === 'MultiPolygon') g.coordinates.forEach((c) => add({ type: 'Polygon', coordinates: c }));
    else if (g.type === 'GeometryCollection') g.geometries.forEach(add);
    else if (g.type === 'Feature') add(g.geometry);
    else if (g.type === 'FeatureCollection') g.features.forEach(add);
  };
  add(doc);
  if (!polygons.length) throw new Error(`${file} 里没有多边形`);
  return { polygons, datum: crs.includes('4490') ? 'CGCS2000' : 'WGS 84' };
}

export function readKml(text, file = 'KML') {
  const doc = new DOMParser().parseFromString(text, 'application/xml');
  if (doc.querySelector('parsererror')) throw new Error(`${file} 不是完整的 XML`);
  const ring = (el) => finite(el.textContent.trim().split(/\s+/).filter(Boolean).map((t) => {
    const [x, y] = t.split(',').map(Number);
    return [x, y];
  }), file);
  const polygons = [...doc.getElementsByTagNameNS('*', 'Polygon')].map((p) => {
    const outer = p.getElementsByTagNameNS('*', 'outerBoundaryIs')[0];
    const inner = [...p.getElementsByTagNameNS('*', 'innerBoundaryIs')];
    const first = (b) => b.getElementsByTagNameNS('*', 'coordinates')[0];
    return [ring(first(outer)), ...inner.map((b) => ring(first(b)))];
  });
  if (!polygons.length) throw new Error(`${file} 里没有多边形`);
  return { polygons, datum: 'WGS 84' };
}

// The entries of a zip file, inflated with the browser's own decompressor.
async function unzip(bytes) {
  const view = new DataView(bytes.buffer, bytes.byteOffset, bytes.byteLength);
  let end = bytes.length - 22;
  while (end >= 0 && view.getUint32(end, true) !== 0x06054b50) end--;
  if (end < 0) throw new Error('不是 zip 文件');
  const count = view.getUint16(end + 10, true);
  let p = view.getUint32(end + 16, true);
  const files = new Map();
  for (let i = 0; i < count; i++) {
    if (view.getUint32(p, true) !== 0x02014b50) throw new Error('zip 文件的目录已损坏');
    const method = view.getUint16(p + 10, true);
    const size = view.getUint32(p + 20, true);
    const nameLength = view.getUint16(p + 28, true);
    const extra = view.getUint16(p + 30, true);
    const comment = view.getUint16(p + 32, true);
    const local = view.getUint32(p + 42, true);
    const name = new TextDecoder().decode(bytes.subarray(p + 46, p + 46 + nameLength));
    const start = local + 30 + view.getUint16(local + 26, true) + view.getUint16(local + 28, true);
    const data = bytes.subarray(start, start + size);
    files.set(name.toLowerCase(), { method, data });
    p += 46 + nameLength + extra + comment;
  }
  return async (suffix) => {
    const entry = [...files].find(([n]) => n.endsWith(suffix));
    if (!entry) return null;
    const { method, data } = entry[1];
    if (method === 0) return data;
    if (method !== 8) throw new Error(`zip 文件的压缩方式 ${method} 本页不支持`);
    const stream = new Blob([data]).stream().pipeThrough(new DecompressionStream('deflate-raw'));
    return new Uint8Array(await new Response(stream).arrayBuffer());
  };
}

function signedArea(ring) {
  let a = 0;
  for (let i = 0, j = ring.length - 1; i < ring.length; j = i++) a += (ring[j][0] - ring[i][0]) * (ring[j][1] + ring[i][1]);
  return a / 2;
}

export async function readZippedShapefile(bytes, file = 'Shapefile') {
  const get = await unzip(bytes);
  const shp = await get('.shp');
  if (!shp) throw new Error(`${file}：zip 里没有 .shp 文件`);
  const prj = await get('.prj');
  const wkt = prj ? new TextDecoder().decode(prj) : '';
  if (/^\s*PROJCS|^\s*PROJCRS/.test(wkt)) {
    throw new Error(`${file} 是投影坐标：本页只读经纬度的 Shapefile，请先转为经纬度或用桌面版导入`);
  }
  const view = new DataView(shp.buffer, shp.byteOffset, shp.byteLength);
  const polygons = [];
  let p = 100;
  while (p + 12 <= shp.length) {
    const length = view.getInt32(p + 4, false) * 2;
    const type = view.getInt32(p + 8, true);
    if (type === 5 || type === 15 || type === 25) {
      const parts = view.getInt32(p + 44, true);
      const points = view.getInt32(p + 48, true);
      const starts = [];
      for (let k = 0; k < parts; k++) starts.push(view.getInt32(p + 52 + 4 * k, true));
      starts.push(points);
      const base = p + 52 + 4 * parts;
      for (let k = 0; k < parts; k++) {
        const ring = [];
        for (let q = starts[k]; q < starts[k + 1]; q++) ring.push([view.getFloat64(base + 16 * q, true), view.getFloat64(base + 16 * q + 8, true)]);
        finite(ring, file);
        // Outer rings run clockwise in a Shapefile, holes anticlockwise; a
        // hole belongs to the outer ring before it.
        if (signedArea(ring) < 0 || !polygons.length) polygons.push([ring]);
        else polygons[polygons.length - 1].push(ring);
      }
    }
    p += 8 + length;
  }
  if (!polygons.length) throw new Error(`${file} 里没有多边形`);
  return { polygons, datum: /CGCS|China_2000|4490/i.test(wkt) ? 'CGCS2000' : 'WGS 84' };
}

function polygonArea(rings) {
  return rings.reduce((sum, ring, i) => sum + (i ? -1 : 1) * Math.abs(signedArea(ring)), 0);
}

function sameArea(a, b) {
  const x = a.reduce((s, p) => s + polygonArea(p), 0);
  const y = b.reduce((s, p) => s + polygonArea(p), 0);
  const rings = (ps) => ps.reduce((n, p) => n + p.length, 0);
  return a.length === b.length && rings(a) === rings(b) && Math.abs(x - y) <= 1e-9 * Math.max(Math.abs(x), Math.abs(y));
}

// The area as the selection wants it, as the desktop reads it: polygons that
// do not overlap and rings that do not cross themselves. An area that is so
// already is kept as the file gives it, to the last bit; otherwise a
// self-intersecting ring (a bow-tie) keeps every lobe and overlapping or
// touching polygons are merged, so that a sheet under two of them is covered
// once. The notice says what was done.
export function settleArea(polygons, file = '范围文件') {
  let merged;
  try {
    merged = polygonClipping.union(polygons);
  } catch (e) {
    throw new Error(`${file}：无法合并重叠的多边形（${e.message}）`);
  }
  if (sameArea(polygons, merged)) return { polygons, notice: '' };
  const repaired = polygons.some((p) => !sameArea([p], polygonClipping.union([p])));
  const notice = `${repaired ? '自相交的多边形已修复，' : ''}重叠或相接的多边形已合并，覆盖比例按合并后的范围计算。`;
  return { polygons: merged, notice };
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
