// SPDX-License-Identifier: Apache-2.0
// The page's figures, measured in Debian's headless Chromium on this machine
// (or, with KARVENTO_BROWSER=firefox, in its Firefox ESR):
// the size of karvento.html, the time until the page is ready, 857,088
// sheets (1:1万 over 73°–135° E, 18°–54° N) computed, listed and drawn, and
// the sheet walk in WebAssembly against the native walk of bench_numbering
// (Production/3: the same request, the same whole table) run in turn.
// Usage: node web/bench.mjs [BUILD]
import { readFileSync } from 'node:fs';
import { gzipSync } from 'node:zlib';
import { execFileSync } from 'node:child_process';
import { resolve } from 'node:path';

const build = resolve(process.argv[2] || 'build');
process.env.KARVENTO_PAGE = `${build}/web/karvento.html`;
const { openPage, type, generate } = await import('./tests/browser.mjs');

const html = readFileSync(process.env.KARVENTO_PAGE);
console.log(`karvento.html: ${html.length} bytes, ${gzipSync(html, { level: 9 }).length} bytes gzip-compressed`);

const started = performance.now();
const t = await openPage();
const ready = await t.page.evaluate(() => performance.now());
console.log(`page ready: ${ready.toFixed(0)} ms after navigation (${(performance.now() - started).toFixed(0)} ms with the browser's start)`);

for (const [id, v] of [['west', '73'], ['south', '18'], ['east', '135'], ['north', '54']]) await type(t.page, id, v);
await t.page.select('#datum', '0');
const runs = [];
for (let i = 0; i < 3; i++) {
  const t0 = await t.page.evaluate(() => performance.now());
  await generate(t.page);
  const t1 = await t.page.evaluate(() => new Promise((r) => requestAnimationFrame(() => r(performance.now()))));
  runs.push(t1 - t0);
}
const draw = await t.page.evaluate(() => window.karvento.map.lastDrawMs);
console.log(`857,088 sheets computed, listed and drawn: ${runs.map((r) => r.toFixed(0)).join(', ')} ms (map redraw ${draw.toFixed(0)} ms)`);

const request = { west: '73', south: '18', east: '135', north: '54', scale: 6, newStandard: true, zone3: true, datum: 0, cm: 0, offsetX: 0, offsetY: 0 };
const wasm = [];
for (let i = 0; i < 5; i++) wasm.push((await t.page.evaluate((r) => window.karvento.ask('walkOnly', { request: r }), request)).ms);
await t.close();
const bestWasm = Math.min(...wasm);
const native = execFileSync(`${build}/bench/bench_numbering`, ['--benchmark_filter=^Production/3', '--benchmark_color=false'], { encoding: 'utf8', stdio: ['ignore', 'pipe', 'ignore'] });
const [, nativeMs, nativeCpuMs] = native.replace(/\x1b\[[0-9;]*m/g, '').match(/Production\/3\S*\s+([\d.]+) ms\s+([\d.]+) ms/).map(Number);
console.log(`walk of 857,088 sheets (new standard, Beijing 1954): WebAssembly ${bestWasm.toFixed(1)} ms (best of ${wasm.map((w) => w.toFixed(0)).join(', ')}), native ${nativeMs.toFixed(1)} ms (${nativeCpuMs.toFixed(1)} ms CPU): ${(bestWasm / nativeMs).toFixed(2)}× per sheet (${(bestWasm / nativeCpuMs).toFixed(2)}× the native CPU time)`);
