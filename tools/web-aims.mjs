// The browser game's speed aims, measured in Debian's chromium (headless):
//   node tools/web-aims.mjs SITE
// 1. the first picture on the canvas after navigation, cold cache, and the
//    bytes downloaded (as sent: gzipped) before it; five loads, each in a
//    fresh browser;
// 2. the share of playing frames that begin in their due millisecond by the
//    game's clock (the page's frame log, ?framelog), as tools/bench.sh counts
//    them for the native game;
// 3. the CPU of chromium's processes, 10 s on the title and 10 s of play with
//    the arrows held in turn, from /proc, at two window sizes.
// Prints a Markdown report and keeps the frame logs beside SITE. Needs TESSALUNE_NODE_MODULES (tools/web-aims.sh).
import fs from 'node:fs';
import path from 'node:path';
import zlib from 'node:zlib';
import { frames, launch, serve, until } from '../tests/web/site.mjs';

const site = process.argv[2];
const loads = 5;
const clockTicks = 100; // USER_HZ on Linux
const kb = (n) => `${(n / 1024).toFixed(0)} KiB`;
const sleep = (ms) => new Promise((done) => setTimeout(done, ms));
const median = (xs) => [...xs].sort((a, b) => a - b)[Math.floor(xs.length / 2)];

// The site's files, raw and gzipped.
console.log('## The site\n\n| File | Raw | Gzipped |\n| --- | --- | --- |');
// The music's pieces are in a folder of their own.
const files = fs.readdirSync(site, { recursive: true }).filter((f) => fs.statSync(path.join(site, f)).isFile());
for (const f of files.sort()) {
  const raw = fs.readFileSync(path.join(site, f));
  console.log(`| ${f} | ${raw.length} B | ${zlib.gzipSync(raw, { level: 9 }).length} B |`);
}

// Records when the page first put a picture on a canvas, whichever way it
// draws, on the page's own clock (milliseconds since navigation).
const firstPictureProbe = () => {
  const mark = () => {
    if (window.__firstPicture === undefined) window.__firstPicture = performance.now();
  };
  for (const name of ['putImageData', 'drawImage']) {
    const real = CanvasRenderingContext2D.prototype[name];
    CanvasRenderingContext2D.prototype[name] = function (...args) {
      mark();
      return real.apply(this, args);
    };
  }
};

const server = await serve(site);

console.log(`\n## First picture (${loads} loads, each in a fresh browser: cold cache; local server with gzip)\n`);
console.log('| Load | First picture | Downloaded before it | Downloaded in all |\n| --- | --- | --- | --- |');
const firsts = [];
const befores = [];
for (let i = 1; i <= loads; i++) {
  // A browser of its own for each load: one browser keeps compiled wasm
  // between its contexts, which a visitor's first load does not have.
  const own = await launch();
  const context = await own.newContext({ viewport: { width: 1280, height: 1024 } });
  const page = await context.newPage();
  await page.addInitScript(firstPictureProbe);
  await page.goto(server.url);
  await page.waitForFunction(() => window.__firstPicture !== undefined, null, { timeout: 30000 });
  await sleep(1500); // what loads after the first picture, for the total
  const r = await page.evaluate(() => {
    const at = window.__firstPicture;
    const all = [...performance.getEntriesByType('navigation'), ...performance.getEntriesByType('resource')];
    const sum = (es) => es.reduce((n, e) => n + e.transferSize, 0);
    return { at, before: sum(all.filter((e) => e.responseEnd <= at)), total: sum(all) };
  });
  firsts.push(r.at);
  befores.push(r.before);
  console.log(`| ${i} | ${r.at.toFixed(0)} ms | ${kb(r.before)} | ${kb(r.total)} |`);
  await own.close();
}
console.log(
  `\nMedian: first picture ${median(firsts).toFixed(0)} ms after navigation (aim: 1000 ms), ` +
    `${kb(median(befores))} downloaded before it (aim: 500 KB, 488 KiB).`,
);

// chromium's processes (our descendants), by their --type; the browser
// process has none.
function chromiumProcesses() {
  const parent = new Map();
  for (const pid of fs.readdirSync('/proc').filter((p) => /^\d+$/.test(p))) {
    try {
      const stat = fs.readFileSync(`/proc/${pid}/stat`, 'utf8');
      parent.set(pid, stat.slice(stat.lastIndexOf(')') + 2).split(' ')[1]);
    } catch {
      // gone meanwhile
    }
  }
  const ours = (pid) => {
    for (let p = pid; p && p !== '1' && p !== '0'; p = parent.get(p)) if (p === String(process.pid)) return true;
    return false;
  };
  const found = [];
  for (const pid of parent.keys()) {
    if (pid === String(process.pid) || !ours(pid)) continue;
    const cmd = fs.readFileSync(`/proc/${pid}/cmdline`, 'utf8');
    if (!cmd.includes('chrom')) continue;
    found.push({ pid, type: /--type=([\w-]+)/.exec(cmd)?.[1] ?? 'browser' });
  }
  return found;
}
function cpuTicks(pid) {
  try {
    const stat = fs.readFileSync(`/proc/${pid}/stat`, 'utf8');
    const f = stat.slice(stat.lastIndexOf(')') + 2).split(' ');
    return Number(f[11]) + Number(f[12]); // utime, stime
  } catch {
    return 0;
  }
}
// CPU in % of one core over `seconds` of `during()`, by process type; the
// renderer is the busiest one (the game's page).
async function cpuOver(seconds, during) {
  const procs = chromiumProcesses();
  const before = procs.map((p) => cpuTicks(p.pid));
  const started = performance.now();
  await during(seconds * 1000);
  const elapsed = (performance.now() - started) / 1000;
  const by = {};
  procs.forEach((p, i) => {
    const pct = ((cpuTicks(p.pid) - before[i]) / clockTicks / elapsed) * 100;
    by[p.type] = p.type === 'renderer' ? Math.max(by[p.type] ?? 0, pct) : (by[p.type] ?? 0) + pct;
  });
  const all = Object.values(by).reduce((a, b) => a + b, 0);
  const f = (x) => `${(x ?? 0).toFixed(1)} %`;
  return `${f(by.renderer)} (GPU ${f(by['gpu-process'])}, browser ${f(by.browser)}, all ${f(all)})`;
}

// Of the frames logged from `first` on, the share that began in their due
// millisecond, as tools/bench.sh's on_time counts them. A frame that began
// before its due millisecond means the game started its schedule again (its
// clock went back): those are counted apart.
function onTime(log, first) {
  let on = 0;
  let early = 0;
  let worst = -Infinity;
  const c0 = log[0];
  for (let n = first; n < log.length; n++) {
    const late = log[n] - c0 - (n * 266) / 16;
    if (late >= 0 && late < 1) on++;
    if (late < 0) early++;
    worst = Math.max(worst, late);
  }
  const count = log.length - first;
  const restarted = early ? `, ${early} before their time` : '';
  return `${((100 * on) / count).toFixed(1)} % of ${count} (worst ${worst.toFixed(1)} ms late${restarted})`;
}

console.log(
  '\n## Playing\n\nCPU: user + system time over 10 s, in % of one core, of the renderer that runs the page ' +
    '(beside it the GPU and browser processes, and all of chromium). On time: playing frames that ' +
    "began in their due millisecond by the game's clock.\n",
);
const browser = await launch();
console.log('| Window | CPU, title | CPU, playing | Playing frames on time |\n| --- | --- | --- | --- |');
for (const [width, height] of [
  [640, 480],
  [1920, 1080],
]) {
  const context = await browser.newContext({ viewport: { width, height } });
  const page = await context.newPage();
  await page.goto(`${server.url}?framelog`);
  await until(page, 'the game running', () => window.tessalune.state === 'running', null, 30000);
  await sleep(3000);
  const title = await cpuOver(10, sleep);
  await page.keyboard.down('Enter');
  await frames(page, 4);
  await page.keyboard.up('Enter');
  await sleep(2500); // the stage's entry countdown
  const logged = await page.evaluate(() => window.tessalune.frameLog?.length);
  const playing = await cpuOver(10, async (ms) => {
    const end = performance.now() + ms;
    for (let key = 'ArrowLeft'; performance.now() < end; key = key === 'ArrowLeft' ? 'ArrowRight' : 'ArrowLeft') {
      await page.keyboard.down(key);
      await sleep(Math.min(600, Math.max(0, end - performance.now())));
      await page.keyboard.up(key);
    }
  });
  const log = await page.evaluate(() => window.tessalune.frameLog);
  const late = log ? onTime(log, logged) : 'not measured: the page keeps no frame log';
  // Kept beside the site, one clock a line, as tools/bench.sh keeps the native game's.
  if (log) fs.writeFileSync(path.join(site, '..', `frames-${width}x${height}.log`), `${log.join('\n')}\n`);
  console.log(`| ${width} x ${height} | ${title} | ${playing} | ${late} |`);
  await context.close();
}

await browser.close();
await server.close();
