// Builds the start page (default.html) and the client control package (Qormix.cab, the gzip-compressed
// script bundle) into the folder given with --out.
import { build, transform } from 'esbuild';
import { createHash } from 'node:crypto';
import { mkdir, readFile, rename, writeFile } from 'node:fs/promises';
import path from 'node:path';
import { fileURLToPath } from 'node:url';
import { gzipSync, constants as zlibConstants } from 'node:zlib';

const here = path.dirname(fileURLToPath(import.meta.url));
const source = path.join(here, 'src');

function outputFolder() {
  const at = process.argv.indexOf('--out');
  if (at < 0 || !process.argv[at + 1]) throw new Error('usage: node build.mjs --out FOLDER');
  return path.resolve(process.argv[at + 1]);
}

// The page allows only inline blocks whose hash it names, so each hash is taken over the exact text.
const cspHash = (text) => `'sha256-${createHash('sha256').update(text, 'utf8').digest('base64')}'`;

// Written beside the target and renamed, so that a server never serves half a file.
async function writeAtomically(file, data) {
  const temporary = `${file}.part`;
  await writeFile(temporary, data);
  await rename(temporary, file);
}

async function main() {
  const out = outputFolder();
  await mkdir(out, { recursive: true });

  const bundle = await build({
    entryPoints: [path.join(source, 'main.js')],
    bundle: true,
    format: 'iife',
    target: ['chrome105', 'firefox113', 'safari16.4'],
    minify: true,
    legalComments: 'none',
    write: false,
    logLevel: 'warning',
  });
  const code = bundle.outputFiles[0].contents;
  const gzip = gzipSync(code, { level: zlibConstants.Z_BEST_COMPRESSION });

  const loader = (await transform(await readFile(path.join(source, 'loader.js'), 'utf8'), {
    minify: true, target: 'chrome105', legalComments: 'none',
  })).code.trim();
  const style = (await transform(await readFile(path.join(source, 'style.css'), 'utf8'), {
    loader: 'css', minify: true, legalComments: 'none',
  })).code.trim();
  // The server replaces every "[ip]" in the page; inside a hashed block that would break the hash.
  for (const [name, text] of [['loader', loader], ['style', style]]) {
    if (text.includes('[ip]')) throw new Error(`the ${name} must not contain the [ip] token`);
  }

  const template = await readFile(path.join(source, 'default.html'), 'utf8');
  const page = template
    .replace('@SCRIPT_SOURCES@', `${cspHash(loader)} blob:`)
    .replace('@STYLE_SOURCES@', cspHash(style))
    .replace('@STYLE@', () => style)
    .replace('@LOADER@', () => loader);

  await writeAtomically(path.join(out, 'Qormix.cab'), gzip);
  await writeAtomically(path.join(out, 'default.html'), page);
  console.log(`default.html ${page.length} bytes, Qormix.cab ${gzip.length} bytes (${code.length} unpacked)`);
}

main().catch((error) => {
  console.error(`client/web build failed: ${error.message}`);
  process.exit(1);
});
