// SPDX-License-Identifier: Apache-2.0
// Karvento's page: the sheets of an extent, the sheet of a point, checking
// and converting numbers, and the index map, all computed by the program's
// own C++ core in a Web Worker.
import { IndexMap, formatAngle } from './map.js';
import { SheetList } from './list.js';
import { registeredExports, runExport, offerDownload } from './export.js';
import './sheet_exports.js';
import './file_exports.js';
import { installTransformTab } from './transform.js';

/* global WORKER_SOURCE */
const worker = new Worker(URL.createObjectURL(new Blob([WORKER_SOURCE], { type: 'text/javascript' })));
let nextId = 1;
const pending = new Map();
worker.onmessage = (e) => {
  const p = pending.get(e.data.id);
  pending.delete(e.data.id);
  const { result, ms } = e.data;
  if (result && typeof result === 'object' && !Array.isArray(result)) result.ms = ms;
  p?.(result);
};
function askWith(op, args, transfer) {
  return new Promise((resolve) => {
    const id = nextId++;
    pending.set(id, resolve);
    worker.postMessage({ id, op, args }, transfer);
  });
}
const ask = (op, args) => askWith(op, args, []);

const $ = (id) => document.getElementById(id);
let datums = [];  // the datum table's rows: value, caption, name, nearWgs84

function status(text, isError = false) {
  const s = $('status');
  s.textContent = text;
  s.title = text;
  s.classList.toggle('error', isError);
}

function fillSelect(select, items, chosen) {
  select.innerHTML = '';
  items.forEach(([value, caption]) => {
    const o = document.createElement('option');
    o.value = value;
    o.textContent = caption;
    select.appendChild(o);
  });
  select.value = chosen;
}

function planeSystem() {
  return {
    datum: Number($('datum').value),
    zone3: $('zone').value === '3',
    // Read by the core, as the command line reads --cm (see worker.js).
    cmText: $('cm').value,
  };
}

let sheets = null;  // the last generated list
const map = new IndexMap($('map'), {
  onBox: (west, south, east, north) => {
    const clamp = (v, hi) => Math.min(hi, Math.max(0, v));
    setCorners(clamp(west, 180), clamp(south, 90), clamp(east, 180), clamp(north, 90));
    showTab('extent');
    status('已按框选设置左下角和右上角');
  },
  onClick: (lon, lat, index) => {
    if (index >= 0) list.select(index, true);
    if (currentTab === 'point') {
      $('plon').value = lon.toFixed(6);
      $('plat').value = lat.toFixed(6);
      lookUpPoint();
    }
  },
  onHover: (lon, lat) => {
    $('cursor').textContent = `${lon.toFixed(5)}°E ${lat.toFixed(5)}°N`;
  },
});

// Text put on the clipboard by the copy command, as the browser hands the
// copy event to the page (from a key or a button alike).
let copying = null;
document.addEventListener('copy', (e) => {
  if (copying === null) return;
  e.clipboardData.setData('text/plain', copying);
  e.preventDefault();
});

// 复制图幅号: the checked numbers, or the current one, one a line.
function copyNumbers() {
  const text = list.checkedNumbersText();
  if (!text) {
    status('没有可复制的图幅号：请先生成图幅号并选中图幅', true);
    return;
  }
  copying = text;
  const done = document.execCommand('copy');
  copying = null;
  const n = text.split('\n').length - 1;
  if (done) status(`已复制 ${n.toLocaleString('en-US')} 个图幅号`);
  else status('浏览器不允许本页使用剪贴板，未能复制', true);
}

const list = new SheetList($('list'), {
  onCopy: () => copyNumbers(),
  onFind: (next) => {
    if (next && $('find-text').value.trim()) $('find').click();
    else $('find-text').focus();
  },
  onSelect: (i) => showSheet(i),
  onChecked: () => {
    updateCount();
    map.draw();
  },
});

function updateCount() {
  const n = sheets ? sheets.count : 0;
  $('count').textContent = `共 ${n.toLocaleString('en-US')} 幅，已选 ${list.checkedCount().toLocaleString('en-US')} 幅`;
}

function dms(deg) {
  const total = Math.round(deg * 3600 * 1000) / 1000;
  const d = Math.floor(total / 3600);
  const m = Math.floor((total - d * 3600) / 60);
  const s = total - d * 3600 - m * 60;
  return `${d}°${String(m).padStart(2, '0')}′${s.toFixed(3).padStart(6, '0')}″`;
}

async function showSheet(i) {
  if (!sheets || i < 0) return;
  sheets.current = i;
  if (sheets.grid) {
    const b = sheets.boxes;
    const metres = (v) => v.toFixed(3);
    $('details').innerHTML = `<h3></h3><table class="info"><tr><th></th><th>X（东）</th><th>Y（北）</th></tr>` +
      `<tr><td>最小</td><td>${metres(b[4 * i])}</td><td>${metres(b[4 * i + 1])}</td></tr>` +
      `<tr><td>最大</td><td>${metres(b[4 * i + 2])}</td><td>${metres(b[4 * i + 3])}</td></tr></table>`;
    // A grid's number is the user's own format: text, never markup.
    $('details').querySelector('h3').textContent = sheets.numbers[i];
    return;
  }
  const e = sheets.edges;
  const p = sheets.plane;
  const corners = ['西北', '东北', '东南', '西南'];
  let html = `<h3>${sheets.numbers[i]}</h3><table class="info"><tr><th></th><th>经度</th><th>纬度</th></tr>`;
  html += `<tr><td>西南角</td><td>${dms(e[4 * i])}</td><td>${dms(e[4 * i + 1])}</td></tr>`;
  html += `<tr><td>东北角</td><td>${dms(e[4 * i + 2])}</td><td>${dms(e[4 * i + 3])}</td></tr></table>`;
  html += '<table class="info"><tr><th></th><th>X（东）</th><th>Y（北）</th></tr>';
  for (let k = 0; k < 4; k++) {
    html += `<tr><td>${corners[k]}</td><td>${p[8 * i + 2 * k].toFixed(3)}</td><td>${p[8 * i + 2 * k + 1].toFixed(3)}</td></tr>`;
  }
  html += '</table><div id="sheet-neighbours"></div>';
  $('details').innerHTML = html;
  map.draw();
  const sys = planeSystem();
  const n = await ask('neighbours', {
    lon: (e[4 * i] + e[4 * i + 2]) / 2, lat: (e[4 * i + 1] + e[4 * i + 3]) / 2,
    scale: sheets.scale, newStandard: sheets.newStandard, ...sys,
  });
  if (!n.error && sheets.current === i) $('sheet-neighbours').replaceChildren(neighbourTable(n));
}

// The 接图表: the sheet and its eight neighbours, north-west to south-east.
function neighbourTable(n) {
  const numbers = n.numbers.split('\n');
  const t = document.createElement('table');
  t.className = 'neighbours';
  const caption = t.createCaption();
  caption.textContent = '接图表';
  for (let r = 0; r < 3; r++) {
    const tr = t.insertRow();
    for (let c = 0; c < 3; c++) {
      const td = tr.insertCell();
      td.textContent = numbers[3 * r + c] || '—';
      if (r === 1 && c === 1) td.className = 'self';
    }
  }
  return t;
}

let area = null;  // {name, polygons, coords, shape}

// The corner fields as the window shows them after an import: degrees,
// minutes and seconds.
function setCorners(west, south, east, north) {
  const text = (v) => formatAngle(v, 1 / 3600, '').trim();
  $('west').value = text(west);
  $('south').value = text(south);
  $('east').value = text(east);
  $('north').value = text(north);
}


// An area file, read in the worker (see worker.js): the page itself only
// hands over the file's bytes, so that no file can hold it up.
// The largest area file the page reads: ten times the boundary of any
// province at full detail, and far below what a tab can hold twice.
const MAX_AREA_FILE = 512 * 1024 * 1024;

async function importArea(file) {
  if (file.size > MAX_AREA_FILE) {
    status(`范围文件 “${file.name}”：有 ${Math.round(file.size / 1048576).toLocaleString('en-US')} MiB，超过本页读取范围文件的上限 512 MiB`, true);
    return;
  }
  status(`正在读取范围文件 ${file.name}……`);
  let bytes;
  try {
    bytes = await file.arrayBuffer();
  } catch (e) {
    status(`范围文件 “${file.name}”：无法读取这个文件`, true);
    return;
  }
  const read = await askWith('readArea', { name: file.name, bytes, scale: Number($('scale').value) }, [bytes]);
  if (read.error) {
    status(read.error, true);
    return;
  }
  const corners = read.corners;
  area = { name: file.name, polygons: read.polygons, coords: read.coords, shape: read.shape };
  setCorners(...corners);
  map.area = read.polygons;
  $('area-name').textContent = `范围：${file.name}，${read.count} 个多边形`;
  $('clear-area').disabled = false;
  const target = datums[planeSystem().datum];
  // WGS 84 and CGCS2000 against Beijing 1954 and Xi'an 1980: no official
  // transformation, the longitudes and latitudes are used as they are.
  const notice = !target.nearWgs84
    ? `范围文件的坐标系 ${read.datum} 与图幅的坐标系 ${target.name} 之间没有官方转换，经纬度按原值使用（边缘的图幅可能不同）。`
    : '';
  status(notice + read.notice || `已导入范围 ${file.name}：左下角和右上角已设为其外接图幅范围`);
  map.fitTo(...corners);
}

function clearArea() {
  area = null;
  map.area = null;
  $('area-name').textContent = '';
  $('clear-area').disabled = true;
  map.draw();
  status('已清除范围');
}

// The request in the page's address (#w=…&s=…): kept with the page's
// history and bookmarks, and sent to a colleague by 复制链接. Each field as
// typed; the datum as --datum names it, the scale by its caption. An area
// file is not part of it (the page sends nothing anywhere, and a link holds
// no file).
const LINK_FIELDS = [['w', 'west'], ['s', 'south'], ['e', 'east'], ['n', 'north'], ['cm', 'cm'], ['ox', 'offx'], ['oy', 'offy']];

function requestLink() {
  const p = new URLSearchParams();
  for (const [key, id] of LINK_FIELDS) p.set(key, $(id).value);
  p.set('scale', $('scale').selectedOptions[0]?.text || '');
  p.set('standard', $('standard').value);
  p.set('datum', datums[Number($('datum').value)]?.key || '');
  p.set('zone', $('zone').value);
  return `#${p.toString()}`;
}

// The request of the page's address, put into the form; false when the
// address holds none. A value that names no choice is refused by name.
function readRequestLink() {
  const p = new URLSearchParams(location.hash.slice(1));
  if (![...p.keys()].length) return false;
  const choose = (id, key, value) => {
    if (value === null) return;
    const option = [...$(id).options].find((o) => o.value === value || o.text === value);
    if (!option) throw new Error(`链接里的 ${key}=${value} 不是本页的选项`);
    $(id).value = option.value;
  };
  for (const [key, id] of LINK_FIELDS) if (p.has(key)) $(id).value = p.get(key);
  choose('scale', 'scale', p.get('scale'));
  choose('standard', 'standard', p.get('standard'));
  const datum = p.get('datum');
  if (datum !== null) {
    const row = datums.find((d) => d.key === datum);
    if (!row) throw new Error(`链接里的 datum=${datum} 不是本页的坐标系（54、80 或 2000）`);
    $('datum').value = String(row.value);
  }
  choose('zone', 'zone', p.get('zone'));
  return true;
}

function copyLink() {
  history.replaceState(null, '', requestLink());
  copying = location.href;
  const done = document.execCommand('copy');
  copying = null;
  if (!done) status('浏览器不允许本页使用剪贴板，未能复制', true);
  else status(area ? '已复制链接（链接不含范围文件：对方需另行导入）' : '已复制链接：在有本页文件的电脑上打开即得同样的请求');
}

// A list the core gave back (its numbers joined by line ends) becomes the
// page's list, nothing checked, with what the request says of it.
function showList(r, about) {
  const numbers = r.numbers.split('\n');
  numbers.length = r.count;
  map.marks = [];
  map.point = null;
  sheets = { ...r, numbers, checked: new Uint8Array(r.count), current: -1, ...about };
  list.setSheets(sheets);
  updateCount();
  $('details').textContent = '';
}

async function generate() {
  history.replaceState(null, '', requestLink());
  const sys = planeSystem();
  const request = {
    west: $('west').value, south: $('south').value, east: $('east').value, north: $('north').value,
    scale: Number($('scale').value), newStandard: $('standard').value === 'new',
    ...sys,
    offsetXText: $('offx').value, offsetYText: $('offy').value,
  };
  status('正在生成图幅号……');
  $('generate').disabled = true;
  const started = performance.now();
  const r = area
    ? await ask('generateInArea', { request, coords: area.coords, shape: area.shape, minCover: Number($('min-cover').value) || 0 })
    : await ask('generate', { request });
  $('generate').disabled = false;
  if (r.error) {
    status(r.error, true);
    return;
  }
  showList(r, {
    scaleCaption: $('scale').selectedOptions[0]?.text || '', datumName: datums[sys.datum]?.name || '',
    scale: request.scale, newStandard: request.newStandard, request,
    area: area ? { coords: area.coords, shape: area.shape } : null,
    minCover: area ? Number($('min-cover').value) || 0 : 0 });
  if (r.count) {
    const e = r.edges;
    let w = Infinity, s = Infinity, east = -Infinity, n = -Infinity;
    for (let i = 0; i < r.count; i++) {
      w = Math.min(w, e[4 * i]); s = Math.min(s, e[4 * i + 1]);
      east = Math.max(east, e[4 * i + 2]); n = Math.max(n, e[4 * i + 3]);
    }
    map.sheets = sheets;
    map.fitTo(w, s, east, n);
  } else {
    map.setSheets(sheets);
  }
  const total = performance.now() - started;
  status(`已生成 ${r.count.toLocaleString('en-US')} 幅（计算 ${Math.round(r.ms)} ms，共 ${Math.round(total)} ms）`);
  document.body.dataset.generated = String(r.count);
}

async function lookUpPoint() {
  const lon = await ask('parseAngle', { text: $('plon').value });
  const lat = await ask('parseAngle', { text: $('plat').value });
  if (typeof lon !== 'number' || typeof lat !== 'number' || Number.isNaN(lon) || Number.isNaN(lat)) {
    status(`“${typeof lon === 'number' ? $('plat').value : $('plon').value}”不是坐标`, true);
    return;
  }
  const rows = await ask('sheetsAtPoint', { lon, lat, ...planeSystem() });
  const t = $('point-table');
  t.innerHTML = '<tr><th>比例尺</th><th>新图幅号</th><th>旧图幅号</th></tr>';
  map.marks = [];
  Object.values(rows).filter((r) => r && r.scale).forEach((r, scale) => {
    const tr = t.insertRow();
    tr.insertCell().textContent = r.scale;
    tr.insertCell().textContent = r.error || r.number;
    tr.insertCell().textContent = r.old || '';
    tr.dataset.scale = scale;
    tr.onclick = () => pointNeighbours(lon, lat, scale);
  });
  status(`${lon.toFixed(6)}°E ${lat.toFixed(6)}°N 所在图幅`);
  await pointNeighbours(lon, lat, Number($('pscale').value));
}

async function pointNeighbours(lon, lat, scale) {
  $('pscale').value = scale;
  const n = await ask('neighbours', { lon, lat, scale, newStandard: true, ...planeSystem() });
  if (n.error) {
    status(n.error, true);
    return;
  }
  $('point-neighbours').replaceChildren(neighbourTable(n));
  const e = n.edges;
  map.marks = [];
  const numbers = n.numbers.split('\n');
  for (let k = 0; k < 9; k++) {
    if (e[4 * k + 2] > e[4 * k]) map.marks.push([e[4 * k], e[4 * k + 1], e[4 * k + 2], e[4 * k + 3], k === 4 ? 'point' : 'neighbour', numbers[k]]);
  }
  map.point = [lon, lat];
  map.fitTo(e[0] - (e[2] - e[0]), e[13] - (e[15] - e[13]) * 2, e[34] + (e[34] - e[32]), e[3] + (e[3] - e[1]));
}

function numberLines() {
  return $('numbers').value.split(/\r?\n/).map((s) => s.trim()).filter((s) => s);
}

async function checkNumbers() {
  const numbers = numberLines();
  const verdicts = await ask('check', { numbers });
  const kinds = ['不是标准图幅号', '旧图幅号', '新图幅号'];
  // A field out of range is named, as the command line names it.
  const out = numbers.map((n, i) => `${n}\t${verdicts[i].field ? verdicts[i].error : kinds[verdicts[i].kind]}`);
  $('converted').value = out.join('\n');
  const bad = verdicts.filter((v) => v.kind === 0).length;
  status(`已检查 ${numbers.length} 个图幅号，${bad} 个不是标准图幅号`, bad > 0);
}

async function convertNumbers() {
  const numbers = numberLines();
  const rows = await ask('convert', {
    numbers, oldToNew: $('direction').value === 'old2new', scale: Number($('cscale').value), ...planeSystem(),
  });
  if (rows.error) {
    status(`转换失败：${rows.error}`, true);
    return;
  }
  // Each source's numbers are kept as the one text the core made (a line
  // each), never spread into arguments: J-50 at 1:2000 is 331,776 of them.
  const good = [];
  const bad = [];
  let count = 0;
  for (const r of rows) {
    if (!r || !r.source) continue;
    if (r.error || !r.count) bad.push(r.kind === 0 && !r.field ? r.source : (r.error || r.source));
    else {
      good.push(r.numbers.slice(0, -1));
      count += r.count;
    }
  }
  $('converted').value = good.join('\n') + (bad.length ? `\n${bad.join('\n')}\n以上不是标准图幅号！` : '');
  status(`转换得到 ${count.toLocaleString('en-US')} 幅${bad.length ? `，${bad.length} 个图幅号未能转换` : ''}`, bad.length > 0);
}

// 独立坐标系: the grid of the form, made by the core as karvento-cli grid
// makes it (each field read as grid reads its option), in the list; the
// map, which is of longitudes and latitudes, does not draw it.
async function generateGrid() {
  const field = (id) => $(id).value.trim();
  const grid = {
    minX: field('gminx'), minY: field('gminy'), maxX: field('gmaxx'), maxY: field('gmaxy'),
    stepX: field('gstepx'), stepY: field('gstepy'), startRow: field('gstartrow'), startCol: field('gstartcol'),
    byRowCol: $('gby').value === 'rowcol', format: $('gformat').value,
  };
  status('正在生成图幅号……');
  const r = await ask('grid', { grid });
  if (r.error) {
    status(r.error, true);
    return;
  }
  showList(r, { grid, scaleCaption: '', datumName: '' });
  map.setSheets(null);
  status(`已生成 ${r.count.toLocaleString('en-US')} 幅（独立坐标系的平面图幅，图上不画）`);
  document.body.dataset.generated = String(r.count);
}

// 图幅号赋值: the pasted or opened points, given back by the core as
// karvento-cli at --input writes them in CSV, offered as a download.
let tagSource = '';  // the name of the file the points came from
async function tagPoints() {
  const scales = [...$('tag-scales').selectedOptions].map((o) => Number(o.value));
  const captions = [...$('tag-scales').selectedOptions].map((o) => o.text.replace(/^1:/, ''));
  status('正在赋值……');
  const r = await ask('tagPoints', {
    text: $('tag-text').value, scales, standard: $('tag-standard').value, plane: $('tag-kind').value === 'plane',
    ...planeSystem(), xColumn: $('tag-x').value.trim(), yColumn: $('tag-y').value.trim(),
  });
  if (r.error) {
    status(r.error, true);
    return;
  }
  const name = `${tagSource || '点'}_图幅号_${captions.join('_')}.csv`;
  offerDownload(name, r.bytes, 'text/csv;charset=utf-8');
  const text = new TextDecoder().decode(r.bytes).replace(/^\uFEFF/, '');
  const lines = text.split('\r\n');
  // The first thousand lines shown; the download holds them all.
  $('tag-result').value = lines.slice(0, 1000).join('\n');
  const rows = Math.max(0, lines.length - 2);
  status(`已为 ${rows.toLocaleString('en-US')} 行赋值，下载 ${name}` +
    (r.badCount ? `；${r.badCount.toLocaleString('en-US')} 行无法读取，已以 * 标出（${r.bad[0]}）` : ''), r.badCount > 0);
  document.body.dataset.tagged = name;
}

// The largest text of points the page reads: some ten million points.
const MAX_POINT_FILE = 512 * 1024 * 1024;
async function openPoints(file) {
  if (file.size > MAX_POINT_FILE) {
    status(`点文件 “${file.name}”：超过本页读取的上限 512 MiB`, true);
    return;
  }
  try {
    $('tag-text').value = await file.text();
  } catch (e) {
    status(`点文件 “${file.name}”：无法读取这个文件`, true);
    return;
  }
  tagSource = file.name.replace(/\.[^.]*$/, '');
  status(`已读入 ${file.name}：按“赋值并下载 CSV”`);
}

// The export menu: every registered export, over the whole list or the
// checked sheets, its files offered as downloads.
function showExportMenu(show) {
  const menu = $('export-menu');
  if (!show) {
    menu.hidden = true;
    return;
  }
  // An independent grid's plane sheets have only the exports of grid.
  menu.replaceChildren(...registeredExports().filter((e) => !sheets?.grid || e.grid).map((e) => {
    const b = document.createElement('button');
    b.type = 'button';
    b.setAttribute('role', 'menuitem');
    b.dataset.export = e.id;
    b.textContent = e.caption;
    b.onclick = () => {
      showExportMenu(false);
      exportSheets(e.id, e.caption);
    };
    return b;
  }));
  menu.hidden = false;
}

// A download named after its request: the first sheet exported (with the
// count where there are more), the scale and the datum, as
// J50G003040_1万_CGCS2000 or J50G001034等12幅_1万_CGCS2000.
function exportName(checkedOnly, count) {
  const first = checkedOnly ? sheets.checked.indexOf(1) : 0;
  // An independent grid has no scale or datum; its numbers are the user's
  // format, kept out of the name where a file name cannot hold them.
  if (sheets.grid) return `${sheets.numbers[first].replace(/[\\/:*?"<>|]/g, '_')}${count > 1 ? `等${count}幅` : ''}_独立坐标系`;
  const scale = sheets.scaleCaption.replace(/^1:/, '');
  const datum = sheets.datumName.replace(/[^A-Za-z0-9]/g, '');
  return `${sheets.numbers[first]}${count > 1 ? `等${count}幅` : ''}_${scale}_${datum}`;
}

async function exportSheets(id, caption) {
  if (!sheets || !sheets.count) {
    status('没有可导出的图幅：请先生成图幅号。', true);
    return;
  }
  const checkedOnly = $('checked-only').checked;
  const chosen = checkedOnly ? list.checkedCount() : sheets.count;
  if (checkedOnly && chosen === 0) {
    status('没有选中的图幅，未导出', true);
    return;
  }
  status(`正在导出……（${caption}）`);
  document.body.dataset.exported = '';
  try {
    const files = await runExport(id, {
      sheets, request: sheets.request, area: sheets.area, minCover: sheets.minCover,
      checkedOnly, mask: checkedOnly ? sheets.checked : null, ask, baseName: exportName(checkedOnly, chosen),
    });
    status(`已导出 ${chosen.toLocaleString('en-US')} 幅到 ${files.map((f) => f.name).join('、')}`);
    document.body.dataset.exported = files.map((f) => f.name).join('\n');
  } catch (e) {
    status(String(e && e.message ? e.message : e), true);
    document.body.dataset.exported = 'error';
  }
}

let currentTab = 'extent';
function showTab(name) {
  currentTab = name;
  document.querySelectorAll('.tabs button').forEach((b) => b.classList.toggle('active', b.dataset.tab === name));
  document.querySelectorAll('.tab').forEach((t) => { t.hidden = t.id !== `tab-${name}`; });
}

async function init() {
  const captions = await ask('scaleCaptions', {});
  const scales = Object.values(captions).map((c, i) => [i, c]);
  fillSelect($('scale'), scales, 6);
  fillSelect($('pscale'), scales, 6);
  fillSelect($('cscale'), scales, 6);
  fillSelect($('tag-scales'), scales, 6);
  datums = await ask('datums', {});
  // Newest first, the national system chosen: the datum to prefer.
  const preferred = datums.find((d) => d.nearWgs84).value;
  fillSelect($('datum'), [...datums].reverse().map((d) => [d.value, d.caption]), preferred);
  document.querySelectorAll('.tabs button').forEach((b) => { b.onclick = () => showTab(b.dataset.tab); });
  $('generate').onclick = generate;
  $('extent-form').onkeydown = (e) => { if (e.key === 'Enter') generate(); };
  $('lookup').onclick = lookUpPoint;
  $('grid-generate').onclick = generateGrid;
  $('grid-form').onkeydown = (e) => { if (e.key === 'Enter') generateGrid(); };
  $('tag-run').onclick = tagPoints;
  $('tag-open').onclick = () => $('tag-file').click();
  $('tag-file').onchange = () => { if ($('tag-file').files[0]) openPoints($('tag-file').files[0]); $('tag-file').value = ''; };
  $('tag-text').oninput = () => { tagSource = ''; };
  $('check').onclick = checkNumbers;
  $('convert').onclick = convertNumbers;
  $('all').onclick = () => list.checkAll(1);
  $('none').onclick = () => list.checkAll(0);
  $('invert').onclick = () => list.checkAll(-1);
  $('copy').onclick = copyNumbers;
  $('find').onclick = () => {
    const i = list.find($('find-text').value);
    status(i < 0 ? `未找到图幅号 ${$('find-text').value.trim()}` : '');
  };
  $('find-text').onkeydown = (e) => { if (e.key === 'Enter') $('find').click(); };
  $('area-file').onchange = () => { if ($('area-file').files[0]) importArea($('area-file').files[0]); $('area-file').value = ''; };
  $('import-area').onclick = () => $('area-file').click();
  $('clear-area').onclick = clearArea;
  document.addEventListener('dragover', (e) => e.preventDefault());
  document.addEventListener('drop', (e) => {
    e.preventDefault();
    const file = e.dataTransfer?.files?.[0];
    if (file && currentTab === 'tag') {
      openPoints(file);
    } else if (file) {
      showTab('extent');
      importArea(file);
    }
  });
  $('export').onclick = (e) => {
    e.stopPropagation();
    showExportMenu($('export-menu').hidden);
  };
  document.addEventListener('click', (e) => {
    if (!$('export-menu').hidden && !$('export-menu').contains(e.target)) showExportMenu(false);
  });
  $('tiles').onchange = () => {
    const url = $('tiles').value.trim();
    map.tiles = /^https?:\/\/.*\{z\}.*\{x\}.*\{y\}/.test(url) ? url : null;
    map.draw();
  };
  $('copy-link').onclick = copyLink;
  showTab('extent');
  let linked = false;
  try {
    linked = readRequestLink();
  } catch (e) {
    status(e.message, true);
  }
  document.body.dataset.ready = 'true';
  if (linked) generate();
  else if (!$('status').classList.contains('error')) status('就绪：输入左下角和右上角（或在图上按住 Shift 拖框），选比例尺，按“生成图幅号”');
}

window.karvento = { ask, map, list, importArea, get sheets() { return sheets; } };
installTransformTab({ ask, status });
init();
