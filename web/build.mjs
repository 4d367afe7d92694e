// SPDX-License-Identifier: Apache-2.0
// Builds the one self-contained page: the worker (with the WebAssembly core
// embedded) bundled into a string, the page's script bundled around it, both
// inlined into the HTML. Usage: node build.mjs CORE_JS OUT_HTML
import { build } from 'esbuild';
import { readFileSync, writeFileSync, renameSync, mkdirSync } from 'node:fs';
import { dirname, resolve } from 'node:path';

const [core, out] = process.argv.slice(2);
if (!core || !out) {
  console.error('usage: node build.mjs CORE_JS OUT_HTML');
  process.exit(2);
}
const here = dirname(new URL(import.meta.url).pathname);

const workerBundle = await build({
  entryPoints: [resolve(here, 'src/worker.js')],
  bundle: true,
  write: false,
  format: 'iife',
  minify: true,
  target: 'es2020',
  alias: { 'karvento-core': resolve(core) },
  // Reached only when the core runs under node, never in the page.
  external: ['fs', 'path'],
  logLevel: 'error',
});
const pageBundle = await build({
  entryPoints: [resolve(here, 'src/main.js')],
  bundle: true,
  write: false,
  format: 'iife',
  minify: true,
  target: 'es2020',
  define: { WORKER_SOURCE: JSON.stringify(workerBundle.outputFiles[0].text) },
  logLevel: 'error',
});
const script = pageBundle.outputFiles[0].text.replace(/<\/script/gi, '<\\/script');
const html = readFileSync(resolve(here, 'src/page.html'), 'utf8').replace('/*KARVENTO_SCRIPT*/', () => script);
mkdirSync(dirname(resolve(out)), { recursive: true });
// The page replaces its target only when complete.
const tmp = `${resolve(out)}.tmp-${process.pid}`;
writeFileSync(tmp, html);
renameSync(tmp, resolve(out));
console.log(`${out}: ${html.length} bytes`);
