// Shared by the browser test and tools/web-aims.mjs: the site served on
// 127.0.0.1 the way a plain static host serves it (gzip when the browser asks
// for it), Debian's chromium through playwright-core, and the page's canvas
// and game state read back.
import fs from 'node:fs';
import http from 'node:http';
import { createRequire } from 'node:module';
import path from 'node:path';
import zlib from 'node:zlib';

const modules = process.env.TESSALUNE_NODE_MODULES;
if (!modules) throw new Error('TESSALUNE_NODE_MODULES is not set (tests/web/node.bash sets it)');
const { chromium } = createRequire(path.resolve(modules, 'package.json'))('playwright-core');

const types = {
  '.html': 'text/html; charset=utf-8',
  '.js': 'text/javascript',
  '.mjs': 'text/javascript',
  '.wasm': 'application/wasm',
  '.json': 'application/json',
  '.css': 'text/css',
  '.png': 'image/png',
  '.svg': 'image/svg+xml',
  '.ico': 'image/x-icon',
  '.opus': 'audio/ogg',
  '.webmanifest': 'application/manifest+json',
};

// Serves ROOT until close(); `sent` lists every answer: path, bytes on the
// wire, bytes of the file.
export function serve(root) {
  root = path.resolve(root);
  const sent = [];
  // Every file gzipped before the first request, as a host serving
  // compressed files does, so that no load waits on the compression; a file
  // changed since (a new version of the site) is compressed again.
  const packed = new Map();
  const pack = (file, raw) => packed.set(file, { raw, gz: zlib.gzipSync(raw, { level: 9 }) });
  for (const f of fs.readdirSync(root)) {
    const file = path.join(root, f);
    if (fs.statSync(file).isFile()) pack(file, fs.readFileSync(file));
  }
  const server = http.createServer((req, res) => {
    let rel = decodeURIComponent(new URL(req.url, 'http://host').pathname);
    if (rel.endsWith('/')) rel += 'index.html';
    const file = path.join(root, path.normalize(rel));
    if (!file.startsWith(root + path.sep)) {
      res.writeHead(403).end();
      return;
    }
    fs.readFile(file, (err, raw) => {
      if (err) {
        sent.push({ path: rel, status: 404, bytes: 0, raw: 0 });
        res.writeHead(404).end();
        return;
      }
      const headers = {
        'Content-Type': types[path.extname(file)] ?? 'application/octet-stream',
        'Cache-Control': 'no-cache',
      };
      let body = raw;
      if (/\bgzip\b/.test(req.headers['accept-encoding'] ?? '')) {
        if (!packed.get(file)?.raw.equals(raw)) pack(file, raw);
        body = packed.get(file).gz;
        headers['Content-Encoding'] = 'gzip';
      }
      headers['Content-Length'] = body.length;
      sent.push({ path: rel, status: 200, bytes: body.length, raw: raw.length });
      res.writeHead(200, headers).end(body);
    });
  });
  return new Promise((resolve) =>
    server.listen(0, '127.0.0.1', () =>
      resolve({
        url: `http://127.0.0.1:${server.address().port}/`,
        sent,
        close: () => new Promise((done) => server.close(done)),
      }),
    ),
  );
}

export function launch(args = []) {
  return chromium.launch({
    executablePath: process.env.TESSALUNE_CHROMIUM || '/usr/bin/chromium',
    // Root in a container has no user namespaces to sandbox with.
    args: ['--no-sandbox', ...args],
  });
}

// window.tessalune as the page has it now (null before the page made it).
export const gameState = (page) =>
  page.evaluate(() => (window.tessalune ? { ...window.tessalune } : null));

// Waits until `test(arg)` holds in the page (it reads window.tessalune); the
// error names `what` and the state the page was left in.
export async function until(page, what, test, arg, timeout = 20000) {
  try {
    await page.waitForFunction(test, arg, { timeout, polling: 10 });
  } catch {
    const state = await gameState(page).catch(() => 'page gone');
    throw new Error(`${what}: not within ${timeout} ms (tessalune: ${JSON.stringify(state)})`);
  }
}

// Waits for the game to present N more frames.
export async function frames(page, n) {
  const { frames: now } = await gameState(page);
  await until(page, `${n} more frames after ${now}`, (a) => window.tessalune.frames >= a, now + n);
}

// Holds a key (KeyboardEvent.code) for a few frames and lets go of it for as
// many: the game reads keys once a frame, so each press is seen once.
export async function press(page, code, hold = 4) {
  await page.keyboard.down(code);
  await frames(page, hold);
  await page.keyboard.up(code);
  await frames(page, hold);
}

// The canvas's 640 x 480 RGBA pixels, exactly as the page put them there.
export async function canvas(page) {
  const b64 = await page.evaluate(() => {
    const c = document.getElementById('screen');
    const d = c.getContext('2d').getImageData(0, 0, c.width, c.height).data;
    let s = '';
    for (let i = 0; i < d.length; i += 0x8000) s += String.fromCharCode.apply(null, d.subarray(i, i + 0x8000));
    return btoa(s);
  });
  return Buffer.from(b64, 'base64');
}

// A check made of steps: says ok or FAIL with its name, and goes on to the
// next; the test's exit code comes from failures().
let failed = 0;
export async function group(name, body) {
  try {
    await body();
    console.log(`ok: ${name}`);
  } catch (e) {
    failed++;
    console.log(`FAIL: ${name}: ${e.message}`);
  }
}
export const failures = () => failed;
export function expect(holds, why) {
  if (!holds) throw new Error(why);
}
