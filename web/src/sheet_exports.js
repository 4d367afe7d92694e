// SPDX-License-Identifier: Apache-2.0
// The page's text exports of the sheet list: CSV (UTF-8 with a byte-order
// mark, and GBK), GeoJSON and MIF/MID, made in the worker by the writers
// karvento-cli writes with, so that a file is the command line's to the byte
// for the same request.
import { zipSync } from 'fflate';
import { registerExport, walkArgs } from './export.js';

// The worker's files of one format, named base + each extension in turn.
async function workerFiles(ctx, format, extensions, type) {
  const r = await ctx.ask('exportSheets', { ...walkArgs(ctx), format });
  if (r.error) throw new Error(r.error);
  return extensions.map((ext, i) => ({ name: `${ctx.baseName}${ext}`, bytes: r.files[i], type }));
}

// An independent grid's file, karvento-cli grid's bytes.
async function gridFile(ctx, format, type) {
  const r = await ctx.ask('exportGrid', { grid: ctx.sheets.grid, format, mask: ctx.mask ? Uint8Array.from(ctx.mask) : new Uint8Array(0) });
  if (r.error) throw new Error(r.error);
  return [{ name: `${ctx.baseName}.csv`, bytes: r.files[0], type }];
}

registerExport({
  id: 'csv',
  caption: '导出CSV文件（UTF-8）',
  grid: true,
  run: (ctx) => (ctx.sheets.grid ? gridFile(ctx, 'csv', 'text/csv;charset=utf-8')
    : workerFiles(ctx, 'csv', ['.csv'], 'text/csv;charset=utf-8')),
});
registerExport({
  id: 'csv-gbk',
  caption: '导出CSV文件（GBK）',
  grid: true,
  run: (ctx) => (ctx.sheets.grid ? gridFile(ctx, 'csv-gbk', 'text/csv;charset=gbk')
    : workerFiles(ctx, 'csv-gbk', ['.csv'], 'text/csv;charset=gbk')),
});
registerExport({
  id: 'geojson',
  caption: '导出GeoJSON文件',
  run: (ctx) => workerFiles(ctx, 'geojson', ['.geojson'], 'application/geo+json'),
});
// MIF/MID as the desktop's menu offers it: 大地坐标 or 平面坐标. The MIF and
// its MID belong together: one zip holding both, one download (a browser
// holds back, or asks about, a second file a page saves at once).
async function mifZip(ctx, format) {
  const files = await workerFiles(ctx, format, ['.mif', '.mid'], 'application/octet-stream');
  const members = Object.fromEntries(files.map((f) => [f.name, f.bytes]));
  return [{ name: `${ctx.baseName}.zip`, bytes: zipSync(members), type: 'application/zip' }];
}
registerExport({ id: 'mif-geo', caption: '导出MIF文件（大地坐标）', run: (ctx) => mifZip(ctx, 'mif-geo') });
registerExport({ id: 'mif-plane', caption: '导出MIF文件（平面坐标）', run: (ctx) => mifZip(ctx, 'mif-plane') });
