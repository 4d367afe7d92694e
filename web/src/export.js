// SPDX-License-Identifier: Apache-2.0
// The page's exports: a registry of file formats, each a caption for the
// export menu and a routine that makes the file's bytes (most of them in the
// worker, by the same C++ writers as karvento-cli), and the download that
// offers the bytes to the user as files.
//
// An export is registered once, at start-up:
//   registerExport({ id: 'csv', caption: '导出CSV文件（UTF-8）', run })
// run(context) is called when the user picks the caption; it returns (or
// resolves to) a list of files [{ name, bytes, type }] (bytes a Uint8Array,
// an ArrayBuffer, a Blob or a string; type the MIME type, optional), which
// are offered as downloads in that order, or throws an Error whose message
// the page shows. The context:
//   sheets      the generated list as the page holds it ({ count, numbers,
//               edges, plane, checked, request, area, minCover, ... })
//   request     the request that made the list (corners as typed, scale,
//               standard, datum, zone, cm, offsets), for the worker to walk
//               again
//   area        the area of interest that selected the list ({ coords,
//               shape } as the worker takes it), or null
//   minCover    the area's least covered fraction
//   checkedOnly true when only the checked sheets are exported
//   mask        with checkedOnly, a Uint8Array of the list's length, 1 for
//               each sheet exported; null otherwise
//   ask(op, args) a request to the worker (see worker.js)
//   baseName    a file name without extension for the export's files

const exports = [];

// The worker's arguments that make it walk the listed sheets again: the
// request, the area, and the mask of the checked ones (empty: all).
export function walkArgs(ctx) {
  return {
    request: ctx.request,
    coords: ctx.area ? ctx.area.coords : [],
    shape: ctx.area ? ctx.area.shape : [],
    minCover: ctx.minCover,
    mask: ctx.mask ? Uint8Array.from(ctx.mask) : new Uint8Array(0),
  };
}

// Adds an export to the menu; an id registered twice replaces the first.
// grid: the export also writes the sheets of an independent grid (the
// context's sheets.grid is then the grid's request), as karvento-cli grid.
export function registerExport({ id, caption, run, grid = false }) {
  if (!id || !caption || typeof run !== 'function') throw new Error('registerExport needs id, caption and run');
  const at = exports.findIndex((e) => e.id === id);
  const entry = { id, caption, run, grid };
  if (at >= 0) exports[at] = entry;
  else exports.push(entry);
  return entry;
}

// The registered exports, in the order of registration.
export function registeredExports() {
  return exports.slice();
}

export function findExport(id) {
  return exports.find((e) => e.id === id) || null;
}

// Offers bytes as a downloaded file named name: a Blob behind a link with a
// download attribute, clicked, the Blob's address freed once the browser had
// time to take it.
export function offerDownload(name, bytes, type = 'application/octet-stream') {
  const blob = bytes instanceof Blob ? bytes : new Blob([bytes], { type });
  const url = URL.createObjectURL(blob);
  const a = document.createElement('a');
  a.href = url;
  a.download = name;
  a.style.display = 'none';
  document.body.appendChild(a);
  a.click();
  a.remove();
  setTimeout(() => URL.revokeObjectURL(url), 60_000);
  return blob.size;
}

// Runs the export id over the context and offers its files; resolves to the
// files offered. Throws the export's error.
export async function runExport(id, context) {
  const entry = findExport(id);
  if (!entry) throw new Error(`没有名为 ${id} 的导出`);
  const files = await entry.run(context);
  if (files && files.error) throw new Error(files.error);
  const list = Array.isArray(files) ? files : [files];
  for (const f of list) offerDownload(f.name, f.bytes, f.type);
  return list;
}
