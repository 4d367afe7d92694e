// SPDX-License-Identifier: Apache-2.0
// The page's exports of the files that karvento-cli writes through GDAL or
// libxlsxwriter (KML, the Shapefile, the workbook) or through writers the
// page shares (the DXF drawing, the map frames). The worker makes them with
// the writers of export/, which need neither library: the same bytes as
// `karvento-cli sheets --format kml` and `--format dxf`, the same members as
// `--format shp`, the same cells as `--format xlsx`, the drawings of
// `karvento-cli frame`. Several files are offered as one zip, a browser
// offering one download at a time.
import { zipSync } from 'fflate';
import { registerExport, walkArgs } from './export.js';

registerExport({
  id: 'kml',
  caption: '导出KML文件',
  run: async (ctx) => {
    const r = await ctx.ask('kmlFile', { ...walkArgs(ctx), stem: ctx.baseName, cornersOnly: false });
    if (!r || r.error) throw new Error(r ? r.error : 'KML');
    return [{ name: `${ctx.baseName}.kml`, bytes: r.bytes, type: 'application/vnd.google-earth.kml+xml' }];
  },
});

// The window's "导出SHP文件" in plane corners (平面坐标) or in longitudes and
// latitudes (大地坐标); text in UTF-8, as the command line writes by default.
for (const [id, caption, geographic] of [['shp-plane', '导出SHP文件（平面坐标）', false],
  ['shp-geo', '导出SHP文件（大地坐标）', true]]) {
  registerExport({
    id,
    caption,
    run: async (ctx) => {
      const r = await ctx.ask('shapefileFiles', { ...walkArgs(ctx), geographic, cornersOnly: false, gbk: false });
      if (!r || r.error) throw new Error(r ? r.error : 'Shapefile');
      const members = {};
      for (const ext of ['shp', 'shx', 'dbf', 'prj', 'cpg']) members[`${ctx.baseName}.${ext}`] = r[ext];
      return [{ name: `${ctx.baseName}.zip`, bytes: zipSync(members), type: 'application/zip' }];
    },
  });
}

// The window's 导出DXF文件: the frames in plane corners, metres; and, as
// karvento-cli's --coords geo, in longitudes and latitudes (a list across
// zones has no one plane).
for (const [id, caption, geographic] of [['dxf', '导出DXF文件', false], ['dxf-geo', '导出DXF文件（大地坐标）', true]]) {
  registerExport({
    id,
    caption,
    run: async (ctx) => {
      const r = await ctx.ask('dxfFile', { ...walkArgs(ctx), geographic, cornersOnly: false });
      if (!r || r.error) throw new Error(r ? r.error : 'DXF');
      return [{ name: `${ctx.baseName}.dxf`, bytes: r.blob, type: 'application/dxf' }];
    },
  });
}

registerExport({
  id: 'xlsx',
  caption: '导出XLS文件',
  run: async (ctx) => {
    const name = `${ctx.baseName}.xlsx`;
    const r = await ctx.ask('xlsxFile', { ...walkArgs(ctx), fileName: name });
    if (!r || r.error) throw new Error(r ? r.error : 'xlsx');
    return [{ name, bytes: r.files[0], type: 'application/vnd.openxmlformats-officedocument.spreadsheetml.sheet' }];
  },
});

// The map frame (图廓) of each sheet as the window's 导出图廓 DXF draws it:
// one sheet's drawing as NUMBER.dxf, several as one zip of them.
registerExport({
  id: 'frame-dxf',
  caption: '导出图廓 DXF',
  run: async (ctx) => {
    const count = ctx.mask ? ctx.mask.reduce((n, m) => n + (m ? 1 : 0), 0) : ctx.sheets.count;
    const r = await ctx.ask('frameFiles', { ...walkArgs(ctx), zip: count > 1 });
    if (!r || r.error) throw new Error(r ? r.error : 'DXF');
    if (count > 1) return [{ name: `${ctx.baseName}_图廓.zip`, bytes: r.files[0], type: 'application/zip' }];
    return [{ name: r.names[0], bytes: r.files[0], type: 'application/dxf' }];
  },
});
