// SPDX-License-Identifier: Apache-2.0
// The index map (图幅示意图): sheet frames in longitude and latitude, their
// numbers where they fit, checked sheets filled, the area or box outlined,
// a graticule labelled in a margin, zoom and pan. Frames smaller than a few
// pixels are drawn as covered pixels, so a country of sheets draws as fast
// as a county.
const MARGIN = 28;  // pixels for the graticule labels, outside the map

export class IndexMap {
  constructor(canvas, handlers) {
    this.canvas = canvas;
    this.ctx = canvas.getContext('2d');
    this.handlers = handlers;
    this.sheets = null;  // {count, edges, numbers, checked}
    this.box = null;     // [west, south, east, north] of the request
    this.marks = [];     // extra frames: [west, south, east, north, style, number]
    this.point = null;   // the point looked up, [lon, lat], marked
    this.tiles = null;   // an XYZ tile URL template of the user's own
    this.tileCache = new Map();
    // The numbered domain of the sheets: 0°–180° E, 0°–88° N.
    this.view = { west: 70, south: 15, east: 140, north: 56 };
    this.lastDrawMs = 0;
    this.bind();
    new ResizeObserver(() => this.resize()).observe(canvas.parentElement);
    this.resize();
  }

  resize() {
    const r = this.canvas.parentElement.getBoundingClientRect();
    const dpr = window.devicePixelRatio || 1;
    this.canvas.width = Math.max(1, Math.floor(r.width * dpr));
    this.canvas.height = Math.max(1, Math.floor(r.height * dpr));
    this.canvas.style.width = `${r.width}px`;
    this.canvas.style.height = `${r.height}px`;
    this.dpr = dpr;
    this.draw();
  }

  // Pixels per degree, the same in both directions, so that the map keeps
  // the view's middle and fits its whole extent.
  frame() {
    const w = this.canvas.width / this.dpr - 2 * MARGIN;
    const h = this.canvas.height / this.dpr - 2 * MARGIN;
    const v = this.view;
    const k = Math.min(w / (v.east - v.west), h / (v.north - v.south));
    const cx = (v.west + v.east) / 2;
    const cy = (v.south + v.north) / 2;
    return { k, cx, cy, w, h };
  }

  toPixel(lon, lat, f = this.frame()) {
    return [MARGIN + f.w / 2 + (lon - f.cx) * f.k, MARGIN + f.h / 2 - (lat - f.cy) * f.k];
  }

  toLonLat(x, y, f = this.frame()) {
    return [f.cx + (x - MARGIN - f.w / 2) / f.k, f.cy - (y - MARGIN - f.h / 2) / f.k];
  }

  fitTo(west, south, east, north) {
    const padX = (east - west) * 0.05 || 0.01;
    const padY = (north - south) * 0.05 || 0.01;
    this.view = { west: west - padX, south: south - padY, east: east + padX, north: north + padY };
    this.draw();
  }

  // factor > 1 zooms in, keeping the point under (x, y) where it is.
  zoomAt(x, y, factor) {
    const f = this.frame();
    const [lon, lat] = this.toLonLat(x, y, f);
    const v = this.view;
    const spanX = (v.east - v.west) / factor;
    const spanY = (v.north - v.south) / factor;
    if (spanX < 1 / 3600 || spanX > 400) return;
    const fx = (lon - v.west) / (v.east - v.west);
    const fy = (lat - v.south) / (v.north - v.south);
    this.view = { west: lon - fx * spanX, east: lon + (1 - fx) * spanX, south: lat - fy * spanY, north: lat + (1 - fy) * spanY };
    this.draw();
  }

  bind() {
    const c = this.canvas;
    let drag = null;
    c.addEventListener('wheel', (e) => {
      e.preventDefault();
      // About ten notches from the whole country to one 1:1万 sheet.
      this.zoomAt(e.offsetX, e.offsetY, e.deltaY < 0 ? 2 : 0.5);
    }, { passive: false });
    c.addEventListener('mousedown', (e) => {
      drag = { x: e.offsetX, y: e.offsetY, view: { ...this.view }, box: e.shiftKey, moved: false };
    });
    c.addEventListener('mousemove', (e) => {
      const [lon, lat] = this.toLonLat(e.offsetX, e.offsetY);
      this.handlers.onHover?.(lon, lat);
      if (!drag) return;
      if (Math.abs(e.offsetX - drag.x) + Math.abs(e.offsetY - drag.y) > 3) drag.moved = true;
      if (drag.box) {
        const [a, b] = this.toLonLat(drag.x, drag.y);
        this.dragBox = [Math.min(a, lon), Math.min(b, lat), Math.max(a, lon), Math.max(b, lat)];
        this.draw();
        return;
      }
      const f = this.frame();
      const dx = (e.offsetX - drag.x) / f.k;
      const dy = (e.offsetY - drag.y) / f.k;
      const v = drag.view;
      this.view = { west: v.west - dx, east: v.east - dx, south: v.south + dy, north: v.north + dy };
      this.draw();
    });
    window.addEventListener('mouseup', (e) => {
      if (!drag) return;
      const d = drag;
      drag = null;
      if (d.box && this.dragBox) {
        const b = this.dragBox;
        this.dragBox = null;
        this.handlers.onBox?.(...b);
        this.draw();
      } else if (!d.moved && e.target === c) {
        const [lon, lat] = this.toLonLat(e.offsetX, e.offsetY);
        this.handlers.onClick?.(lon, lat, this.sheetAt(lon, lat));
      }
    });
    c.addEventListener('dblclick', (e) => {
      const [lon, lat] = this.toLonLat(e.offsetX, e.offsetY);
      const i = this.sheetAt(lon, lat);
      if (i >= 0) {
        const s = this.sheets.edges;
        this.fitTo(s[4 * i], s[4 * i + 1], s[4 * i + 2], s[4 * i + 3]);
      } else {
        this.zoomAt(e.offsetX, e.offsetY, 2);
      }
    });
  }

  // The listed sheet under a point, or -1.
  sheetAt(lon, lat) {
    if (!this.sheets) return -1;
    const e = this.sheets.edges;
    for (let i = 0; i < this.sheets.count; i++) {
      if (lon >= e[4 * i] && lon < e[4 * i + 2] && lat >= e[4 * i + 1] && lat < e[4 * i + 3]) return i;
    }
    return -1;
  }

  setSheets(sheets) {
    this.sheets = sheets;
    this.draw();
  }

  draw() {
    const started = performance.now();
    const ctx = this.ctx;
    const dpr = this.dpr || 1;
    ctx.setTransform(dpr, 0, 0, dpr, 0, 0);
    const W = this.canvas.width / dpr;
    const H = this.canvas.height / dpr;
    ctx.fillStyle = '#f4f4f0';
    ctx.fillRect(0, 0, W, H);
    const f = this.frame();
    ctx.save();
    ctx.beginPath();
    ctx.rect(MARGIN, MARGIN, f.w, f.h);
    ctx.clip();
    ctx.fillStyle = '#ffffff';
    ctx.fillRect(MARGIN, MARGIN, f.w, f.h);
    if (this.tiles) this.drawTiles(f);
    this.drawGrid(f, false);
    this.drawSheets(f);
    if (this.area) this.drawArea(f);
    // The point's sheet above its neighbours, so that its red outline is
    // whole where they share an edge; each numbered where the number fits.
    const marks = [...this.marks].sort((a, b) => (a[4] === 'point') - (b[4] === 'point'));
    for (const m of marks) this.drawFrame(f, m[0], m[1], m[2], m[3], m[4]);
    for (const m of marks) if (m[5]) this.drawLabel(f, m);
    if (this.point) this.drawPoint(f, ...this.point);
    if (this.dragBox) this.drawFrame(f, ...this.dragBox, 'box');
    ctx.restore();
    this.drawGrid(f, true);
    ctx.strokeStyle = '#888';
    ctx.lineWidth = 1;
    ctx.strokeRect(MARGIN + 0.5, MARGIN + 0.5, f.w, f.h);
    this.lastDrawMs = performance.now() - started;
  }

  // The area of interest: every ring outlined, holes as well.
  drawArea(f) {
    const ctx = this.ctx;
    ctx.beginPath();
    for (const rings of this.area) {
      for (const ring of rings) {
        ring.forEach(([lon, lat], k) => {
          const [x, y] = this.toPixel(lon, lat, f);
          if (k) ctx.lineTo(x, y); else ctx.moveTo(x, y);
        });
        ctx.closePath();
      }
    }
    ctx.fillStyle = 'rgba(201, 42, 42, 0.08)';
    ctx.fill('evenodd');
    ctx.strokeStyle = '#c92a2a';
    ctx.lineWidth = 2;
    ctx.stroke();
  }

  drawFrame(f, west, south, east, north, style) {
    const ctx = this.ctx;
    const [x0, y0] = this.toPixel(west, north, f);
    const [x1, y1] = this.toPixel(east, south, f);
    // The point's sheet a little wider than the neighbours' edges it covers.
    ctx.lineWidth = style === 'point' ? 3 : 2;
    ctx.setLineDash(style === 'box' ? [6, 4] : []);
    ctx.strokeStyle = style === 'neighbour' ? '#1971c2' : '#c92a2a';
    ctx.strokeRect(x0, y0, x1 - x0, y1 - y0);
    ctx.setLineDash([]);
  }

  // A frame's number in its middle, where it fits inside the frame.
  drawLabel(f, [west, south, east, north, style, text]) {
    const ctx = this.ctx;
    const [x0, y0] = this.toPixel(west, north, f);
    const [x1, y1] = this.toPixel(east, south, f);
    ctx.font = '11px monospace';
    if (ctx.measureText(text).width + 6 > x1 - x0 || y1 - y0 < 16) return;
    ctx.textAlign = 'center';
    ctx.textBaseline = 'middle';
    // Over a listed sheet's own number, which is drawn in another font and
    // would show through beside it: a white ground under the mark's.
    const w = ctx.measureText(text).width + 4;
    ctx.fillStyle = '#ffffff';
    ctx.fillRect((x0 + x1 - w) / 2, (y0 + y1) / 2 - 8, w, 16);
    ctx.fillStyle = style === 'neighbour' ? '#1971c2' : '#c92a2a';
    ctx.fillText(text, (x0 + x1) / 2, (y0 + y1) / 2);
  }

  // The point looked up: a ring and a cross over it.
  drawPoint(f, lon, lat) {
    const ctx = this.ctx;
    const [x, y] = this.toPixel(lon, lat, f);
    ctx.lineWidth = 2;
    ctx.strokeStyle = '#c92a2a';
    ctx.beginPath();
    ctx.arc(x, y, 6, 0, 2 * Math.PI);
    ctx.moveTo(x - 10, y);
    ctx.lineTo(x + 10, y);
    ctx.moveTo(x, y - 10);
    ctx.lineTo(x, y + 10);
    ctx.stroke();
    ctx.fillStyle = '#c92a2a';
    ctx.fillRect(x - 1.5, y - 1.5, 3, 3);
  }

  // A graticule step that gives lines some 60–150 pixels apart.
  gridStep(k) {
    const steps = [1 / 3600, 5 / 3600, 15 / 3600, 30 / 3600, 1 / 60, 2 / 60, 5 / 60, 10 / 60, 15 / 60, 30 / 60, 1, 2, 5, 10, 20, 30];
    for (const s of steps) if (s * k >= 60) return s;
    return 30;
  }

  drawGrid(f, labels) {
    const ctx = this.ctx;
    const step = this.gridStep(f.k);
    const [w0, n0] = this.toLonLat(MARGIN, MARGIN, f);
    const [e0, s0] = this.toLonLat(MARGIN + f.w, MARGIN + f.h, f);
    // Only the numbered domain is labelled: no longitude west of 0° or east
    // of 180°, no latitude south of 0° or north of 90°.
    const west = Math.max(0, Math.ceil(w0 / step) * step);
    const east = Math.min(180, e0);
    const south = Math.max(0, Math.ceil(s0 / step) * step);
    const north = Math.min(90, n0);
    ctx.font = '11px sans-serif';
    ctx.fillStyle = '#555';
    ctx.strokeStyle = '#dde3ea';
    ctx.lineWidth = 1;
    for (let lon = west; lon <= east + 1e-9; lon += step) {
      const [x] = this.toPixel(lon, 0, f);
      if (labels) {
        ctx.textAlign = 'center';
        ctx.textBaseline = 'bottom';
        ctx.fillText(formatAngle(lon, step, 'E'), x, MARGIN - 4);
      } else {
        ctx.beginPath();
        ctx.moveTo(Math.round(x) + 0.5, MARGIN);
        ctx.lineTo(Math.round(x) + 0.5, MARGIN + f.h);
        ctx.stroke();
      }
    }
    for (let lat = south; lat <= north + 1e-9; lat += step) {
      const [, y] = this.toPixel(0, lat, f);
      if (labels) {
        ctx.save();
        ctx.translate(MARGIN - 6, y);
        ctx.rotate(-Math.PI / 2);
        ctx.textAlign = 'center';
        ctx.textBaseline = 'bottom';
        ctx.fillText(formatAngle(lat, step, 'N'), 0, 0);
        ctx.restore();
      } else {
        ctx.beginPath();
        ctx.moveTo(MARGIN, Math.round(y) + 0.5);
        ctx.lineTo(MARGIN + f.w, Math.round(y) + 0.5);
        ctx.stroke();
      }
    }
  }

  drawSheets(f) {
    const s = this.sheets;
    if (!s || !s.count) return;
    const ctx = this.ctx;
    const e = s.edges;
    const [vw, vn] = this.toLonLat(MARGIN, MARGIN, f);
    const [ve, vs] = this.toLonLat(MARGIN + f.w, MARGIN + f.h, f);
    const sheetW = (e[2] - e[0]) * f.k;
    const small = sheetW < 4;
    const ox = MARGIN + f.w / 2 - f.cx * f.k;
    const oy = MARGIN + f.h / 2 + f.cy * f.k;
    if (small) {
      // Covered pixels: each sheet marks the pixels it covers; checked sheets
      // in their own colour.
      const dpr = this.dpr || 1;
      const w = Math.ceil(f.w * dpr), h = Math.ceil(f.h * dpr);
      const img = ctx.createImageData(w, h);
      const px = img.data;
      for (let i = 0; i < s.count; i++) {
        const west = e[4 * i], south = e[4 * i + 1], east = e[4 * i + 2], north = e[4 * i + 3];
        if (east < vw || west > ve || north < vs || south > vn) continue;
        const x0 = Math.max(0, Math.floor(((west * f.k + ox) - MARGIN) * dpr));
        const x1 = Math.min(w - 1, Math.floor(((east * f.k + ox) - MARGIN) * dpr));
        const y0 = Math.max(0, Math.floor(((oy - north * f.k) - MARGIN) * dpr));
        const y1 = Math.min(h - 1, Math.floor(((oy - south * f.k) - MARGIN) * dpr));
        const checked = s.checked[i];
        for (let y = y0; y <= y1; y++) {
          let o = (y * w + x0) * 4;
          for (let x = x0; x <= x1; x++, o += 4) {
            if (checked) { px[o] = 255; px[o + 1] = 200; px[o + 2] = 60; px[o + 3] = 255; }
            else if (px[o + 3] === 0) { px[o] = 120; px[o + 1] = 160; px[o + 2] = 210; px[o + 3] = 200; }
          }
        }
      }
      if (!this.scratch) this.scratch = document.createElement('canvas');
      this.scratch.width = w;
      this.scratch.height = h;
      this.scratch.getContext('2d').putImageData(img, 0, 0);
      ctx.save();
      ctx.setTransform(1, 0, 0, 1, 0, 0);
      ctx.drawImage(this.scratch, Math.round(MARGIN * dpr), Math.round(MARGIN * dpr));
      ctx.restore();
      return;
    }
    ctx.lineWidth = 1;
    ctx.strokeStyle = '#3b6fb6';
    ctx.fillStyle = 'rgba(255, 200, 60, 0.55)';
    const labels = [];
    ctx.font = '11px sans-serif';
    const labelWidth = ctx.measureText(s.numbers[0] || '').width + 6;
    ctx.beginPath();
    for (let i = 0; i < s.count; i++) {
      const west = e[4 * i], south = e[4 * i + 1], east = e[4 * i + 2], north = e[4 * i + 3];
      if (east < vw || west > ve || north < vs || south > vn) continue;
      const x0 = west * f.k + ox, x1 = east * f.k + ox;
      const y0 = oy - north * f.k, y1 = oy - south * f.k;
      if (s.checked[i]) ctx.fillRect(x0, y0, x1 - x0, y1 - y0);
      ctx.rect(x0, y0, x1 - x0, y1 - y0);
      if (x1 - x0 > labelWidth && y1 - y0 > 14) labels.push(i, (x0 + x1) / 2, (y0 + y1) / 2);
    }
    ctx.stroke();
    if (labels.length && labels.length < 3 * 5000) {
      ctx.fillStyle = '#1d3557';
      ctx.textAlign = 'center';
      ctx.textBaseline = 'middle';
      for (let j = 0; j < labels.length; j += 3) ctx.fillText(s.numbers[labels[j]], labels[j + 1], labels[j + 2]);
    }
    if (s.current >= 0 && s.current < s.count) {
      const i = s.current;
      this.drawFrame(f, e[4 * i], e[4 * i + 1], e[4 * i + 2], e[4 * i + 3], 'point');
    }
  }

  // Web Mercator tiles of the user's own server, each stretched over its
  // longitude and latitude bounds (close enough at the zooms where tiles
  // are worth showing).
  drawTiles(f) {
    const [vw, vn] = this.toLonLat(MARGIN, MARGIN, f);
    const [ve, vs] = this.toLonLat(MARGIN + f.w, MARGIN + f.h, f);
    const z = Math.max(0, Math.min(18, Math.round(Math.log2(f.k * 360 / 256))));
    const n = 2 ** z;
    const tx = (lon) => Math.floor(((lon + 180) / 360) * n);
    const ty = (lat) => Math.floor(((1 - Math.log(Math.tan((lat * Math.PI) / 180) + 1 / Math.cos((lat * Math.PI) / 180)) / Math.PI) / 2) * n);
    const latOf = (y) => (Math.atan(Math.sinh(Math.PI * (1 - (2 * y) / n))) * 180) / Math.PI;
    const x0 = Math.max(0, tx(vw)), x1 = Math.min(n - 1, tx(ve));
    const y0 = Math.max(0, ty(Math.min(85, vn))), y1 = Math.min(n - 1, ty(Math.max(-85, vs)));
    if ((x1 - x0 + 1) * (y1 - y0 + 1) > 200) return;
    for (let x = x0; x <= x1; x++) {
      for (let y = y0; y <= y1; y++) {
        const url = this.tiles.replace('{z}', z).replace('{x}', x).replace('{y}', y);
        let img = this.tileCache.get(url);
        if (!img) {
          img = new Image();
          img.onload = () => this.draw();
          img.src = url;
          this.tileCache.set(url, img);
        }
        if (!img.complete || !img.naturalWidth) continue;
        const [px0, py0] = this.toPixel((x / n) * 360 - 180, latOf(y), f);
        const [px1, py1] = this.toPixel(((x + 1) / n) * 360 - 180, latOf(y + 1), f);
        this.ctx.drawImage(img, px0, py0, px1 - px0, py1 - py0);
      }
    }
  }
}

export function formatAngle(v, step, hemisphere) {
  const total = Math.round(v * 3600);
  const d = Math.floor(total / 3600);
  const m = Math.floor((total % 3600) / 60);
  const s = total % 60;
  let text = `${d}°`;
  if (step < 1 || m || s) text += `${String(m).padStart(2, '0')}′`;
  if (step < 1 / 60 || s) text += `${String(s).padStart(2, '0')}″`;
  return text + hemisphere;
}
