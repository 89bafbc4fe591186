// One chromium session through the browser game, as a player would go:
//   node browser.mjs SITE PICTURES
// PICTURES holds the headless runner's title.bmp and entry-F.bmp (the
// distinct frames of stage 1's entry countdown). Each group of checks says ok
// or FAIL; the exit code is 1 when any failed. TESSALUNE_WEB_SHOTS=DIR keeps
// a screenshot of the page at each step there, to look at.
import fs from 'node:fs';
import path from 'node:path';
import os from 'node:os';
import { canvas, expect, failures, frames, gameState, group, launch, press, serve, until } from './site.mjs';

const [site, pictures] = process.argv.slice(2);
const W = 640;
const H = 480;
const shotDir = process.env.TESSALUNE_WEB_SHOTS;

// A 24-bit bottom-up BMP as the runner writes it, as RGBA, top row first.
function readBmp(file) {
  const b = fs.readFileSync(file);
  const start = b.readUInt32LE(10);
  if (b.readInt32LE(18) !== W || b.readInt32LE(22) !== H || b.readUInt16LE(28) !== 24) {
    throw new Error(`${file} is not a 640 x 480 24-bit BMP`);
  }
  const stride = (W * 3 + 3) & ~3;
  const out = Buffer.alloc(W * H * 4, 255);
  for (let y = 0; y < H; y++) {
    for (let x = 0; x < W; x++) {
      const s = start + (H - 1 - y) * stride + x * 3;
      out[(y * W + x) * 4] = b[s + 2];
      out[(y * W + x) * 4 + 1] = b[s + 1];
      out[(y * W + x) * 4 + 2] = b[s];
    }
  }
  return out;
}

// How the canvas differs from a picture, or '' when every pixel is the same.
function difference(shown, wanted) {
  if (shown.equals(wanted)) return '';
  let count = 0;
  let first = -1;
  for (let i = 0; i < shown.length; i += 4) {
    if (shown.readUInt32BE(i) !== wanted.readUInt32BE(i)) {
      if (first < 0) first = i;
      count++;
    }
  }
  const rgb = (p) => `rgb(${p[first]}, ${p[first + 1]}, ${p[first + 2]})`;
  const at = first / 4;
  return `${count} pixels differ, the first at (${at % W}, ${Math.floor(at / W)}): ${rgb(shown)}, not ${rgb(wanted)}`;
}

const title = readBmp(path.join(pictures, 'title.bmp'));
const entry = fs
  .readdirSync(pictures)
  .filter((f) => f.startsWith('entry-'))
  .map((f) => ({ frame: parseInt(f.slice(6), 10), px: readBmp(path.join(pictures, f)) }))
  .sort((a, b) => a.frame - b.frame);

// The paddle is found in its middle row by the first of its colours that
// nothing else in that row has, where the runner drew it at the start,
// offset 0 (screen x 32 to 127, y 384 to 415): the rest of the row shows
// through the paddle's see-through pixels.
const PaddleRow = 400;
const PaddleLeft = 32;
const PaddleWidth = 96;
const pixelAt = (px, x) => px.readUInt32BE((PaddleRow * W + x) * 4);
const paddleMark = (() => {
  const row = entry[0].px;
  const elsewhere = new Set();
  for (let x = 0; x < W; x++) if (x < PaddleLeft || x >= PaddleLeft + PaddleWidth) elsewhere.add(pixelAt(row, x));
  for (let x = PaddleLeft; x < PaddleLeft + PaddleWidth; x++) {
    if (!elsewhere.has(pixelAt(row, x))) return { at: x - PaddleLeft, colour: pixelAt(row, x) };
  }
  throw new Error('the paddle has no colour of its own in its row');
})();
function paddleX(px) {
  for (let x = 0; x < W; x++) if (pixelAt(px, x) === paddleMark.colour) return x - paddleMark.at;
  return -1;
}


const errors = [];
const server = await serve(site);
const browser = await launch();
const context = await browser.newContext({ viewport: { width: 1024, height: 768 } });
async function open(label) {
  const page = await context.newPage();
  page.on('pageerror', (e) => errors.push(`${label}: page error: ${e.message}`));
  page.on('console', (m) => m.type() === 'error' && errors.push(`${label}: console error: ${m.text()}`));
  page.on('requestfailed', (r) => errors.push(`${label}: ${r.url()}: ${r.failure()?.errorText}`));
  page.on('response', (r) => r.status() >= 400 && errors.push(`${label}: ${r.url()}: HTTP ${r.status()}`));
  await page.goto(server.url);
  return page;
}
async function look(page, name) {
  if (shotDir) await page.screenshot({ path: path.join(shotDir, `${name}.png`) });
}
// Once running, past the title's entry (60 frames) in which no key counts.
// The frames are counted from here: a game started again may count on.
async function titleReady(page) {
  await until(page, 'the game running', () => window.tessalune.state === 'running');
  await frames(page, 70);
}

const first = await open('first tab');
let pressedAt = 0;

await group('the title shows', async () => {
  await titleReady(first);
  const why = difference(await canvas(first), title);
  expect(!why, `the canvas is not the runner's title: ${why}`);
  await look(first, 'title');
});

await group("Return starts stage 1, the canvas equal to the runner's frames of its entry countdown", async () => {
  pressedAt = (await gameState(first)).frames;
  await first.keyboard.down('Enter');
  const seen = new Set();
  let last = '';
  // Sampled until well inside the countdown's 120 frames: each sample is the
  // title (before Return was read) or one of the countdown's pictures.
  const deadline = Date.now() + 20000;
  while ((await gameState(first)).frames < pressedAt + 100) {
    expect(Date.now() < deadline, `the game stopped at frame ${(await gameState(first)).frames}`);
    const shown = await canvas(first);
    if (seen.size === 0 && shown.equals(title)) continue;
    const match = entry.find((e) => e.px.equals(shown));
    const near = entry[Math.min(seen.size, entry.length - 1)];
    expect(match, `a frame matches none of the runner's; against its frame ${near.frame}: ${difference(shown, near.px)}`);
    seen.add(match.frame);
    last = match.frame;
    if (seen.size === 1) await first.keyboard.up('Enter');
  }
  await first.keyboard.up('Enter');
  expect(seen.size >= 2, `only ${seen.size} of the countdown's ${entry.length} pictures were seen (last ${last})`);
  await look(first, 'entry');
});

await group('the arrows move the paddle', async () => {
  // The countdown ends 120 frames after the stage began; the ball then needs
  // about 60 frames to reach the paddle's row, so the moves are short.
  await until(first, 'the countdown over', (a) => window.tessalune.frames >= a, pressedAt + 124);
  const start = paddleX(await canvas(first));
  expect(start === PaddleLeft, `the paddle is at x ${start}, not at its start, ${PaddleLeft}`);
  await press(first, 'ArrowRight', 6);
  const right = paddleX(await canvas(first));
  expect(right > start, `after Right the paddle is at x ${right}, from ${start}`);
  await press(first, 'ArrowLeft', 3);
  const left = paddleX(await canvas(first));
  expect(left >= 0 && left < right, `after Left the paddle is at x ${left}, from ${right}`);
  await look(first, 'play');
});

await group('Esc ends the game and the page starts it again', async () => {
  // The game ends on the key's press, and no frame follows to wait for.
  await first.keyboard.press('Escape');
  await until(first, 'the game ended', () => window.tessalune.state === 'ended');
  expect(await first.isVisible('#ended'), 'the page does not say the game has ended');
  await look(first, 'ended');
  await first.click('#again');
  await titleReady(first);
  const why = difference(await canvas(first), title);
  expect(!why, `started again, the canvas is not the title: ${why}`);
});

let second;
await group('a stage saved in the editor is there after the page is closed and opened again', async () => {
  // In the editor (M on the title, then its 60-frame entry) lay one brick
  // beside the cursor and save it as stage 1.
  await press(first, 'KeyM');
  await frames(first, 64);
  const clean = await canvas(first);
  for (const key of ['ArrowRight', 'KeyZ', 'ArrowLeft', 'KeyV']) await press(first, key);
  const saved = await canvas(first);
  expect(!saved.equals(clean), 'laying a brick changed nothing on the canvas');
  const { message } = await gameState(first);
  expect(message === '', `saving said: ${message}`);
  await look(first, 'editor-saved');
  await first.close();

  second = await open('opened again');
  await titleReady(second);
  await press(second, 'KeyM');
  await frames(second, 64);
  const why = difference(await canvas(second), clean);
  expect(!why, `the editor does not start on a clean sheet: ${why}`);
  await press(second, 'KeyB');
  const loaded = difference(await canvas(second), saved);
  expect(!loaded, `stage 1 loaded is not the stage saved: ${loaded}`);
  await look(second, 'editor-loaded');
});

await group('a second tab starts no second game, and the first goes on', async () => {
  expect(second, 'no first tab to go on');
  const third = await open('second tab');
  await until(third, 'the second tab turned away', () => window.tessalune.state === 'busy');
  const { frames: shown } = await gameState(third);
  expect(shown === 0, `the second tab presented ${shown} frames`);
  expect(
    await third.evaluate(() => document.getElementById('message').open),
    "the second tab does not show the game's message",
  );
  await look(third, 'busy');
  await third.close();
  await second.bringToFront();
  await frames(second, 30);
  const { state } = await gameState(second);
  expect(state === 'running', `the first tab is ${state}`);
});

await group('a pause stops the frames and owes none; a volume and a key of its own outlive a reload', async () => {
  expect(second, 'no page to play in');
  await second.keyboard.press('KeyP');
  await second.waitForTimeout(300);
  const held = (await gameState(second)).frames;
  await second.waitForTimeout(700);
  expect((await gameState(second)).frames === held, 'frames ran during the pause');
  await second.keyboard.press('KeyP');
  const resumed = Date.now();
  await frames(second, 30);
  // Missed frames would run back to back, 30 in a few milliseconds.
  expect(Date.now() - resumed >= 300, 'the frames of the pause were made up after it');

  const settings = () => second.evaluate(() => localStorage.getItem('tessalune.conf') ?? '');
  await second.keyboard.press('Minus');
  await frames(second, 4);
  expect(/^music-volume = 90$/m.test(await settings()), `after -, the settings are: ${await settings()}`);
  const rebound = (await settings()).replace(/^key-confirm = .*$/m, '') + 'key-confirm = Q\n';
  await second.evaluate((text) => localStorage.setItem('tessalune.conf', text), rebound);
  await second.reload();
  await titleReady(second);
  // Stage 1 is the one saved above now: the paddle at its start says play began.
  await press(second, 'KeyQ');
  const x = paddleX(await canvas(second));
  expect(x === PaddleLeft, `Q did not start stage 1 with ${rebound.match(/^key-confirm.*$/m)} in the settings`);
  await second.keyboard.press('Minus');
  await frames(second, 4);
  expect(/^music-volume = 80$/m.test(await settings()), `a second - after the reload gives: ${await settings()}`);
});

// ---- gamepads, touch, offline: each in a context of its own ----
async function openIn(context, label) {
  const page = await context.newPage();
  page.on('pageerror', (e) => errors.push(`${label}: page error: ${e.message}`));
  page.on('console', (m) => m.type() === 'error' && errors.push(`${label}: console error: ${m.text()}`));
  await page.goto(server.url);
  await titleReady(page);
  return page;
}
// Stage 1 started from the title, and the paddle steered right, then left:
// each control, `control(down)`, held for a few frames.
async function playWith(page, start, right, left) {
  const hold = async (control, n) => {
    await control(true);
    await frames(page, n);
    await control(false);
    await frames(page, 2);
    return paddleX(await canvas(page));
  };
  const from = (await gameState(page)).frames;
  await hold(start, 4);
  await until(page, 'the countdown over', (a) => window.tessalune.frames >= a, from + 124);
  const x = paddleX(await canvas(page));
  expect(x === PaddleLeft, `the stage did not start: the paddle is at x ${x}`);
  const r = await hold(right, 6);
  expect(r > x, `steered right, the paddle is at x ${r}`);
  const l = await hold(left, 3);
  expect(l >= 0 && l < r, `steered left, the paddle is at x ${l}, from ${r}`);
}

await group('a gamepad plugged in at the title starts stage 1 and steers with the d-pad and the stick', async () => {
  const context = await browser.newContext({ viewport: { width: 1024, height: 768 } });
  // The Gamepad API stood in by one standard pad, plugged in when the test says.
  await context.addInitScript(() => {
    const pad = { id: 'stand-in', index: 0, connected: true, mapping: 'standard', timestamp: 0, axes: [0, 0, 0, 0],
      buttons: Array.from({ length: 17 }, () => ({ pressed: false, touched: false, value: 0 })) };
    window.standIn = { plugged: false, pad };
    navigator.getGamepads = () => [window.standIn.plugged ? pad : null, null, null, null];
  });
  const page = await openIn(context, 'gamepad');
  await page.evaluate(() => { window.standIn.plugged = true; });
  const button = (n) => (down) =>
    page.evaluate(([i, v]) => { window.standIn.pad.buttons[i] = { pressed: v, touched: v, value: v ? 1 : 0 }; }, [n, down]);
  const stick = (down) => page.evaluate((v) => { window.standIn.pad.axes[0] = v ? -1 : 0; }, down);
  await playWith(page, button(0), button(15), stick);
  await look(page, 'gamepad');
  await context.close();
});

await group('on a phone the touch controls start and steer a run, and keep off the picture in both orientations', async () => {
  const context = await browser.newContext({
    viewport: { width: 390, height: 844 }, deviceScaleFactor: 2, isMobile: true, hasTouch: true,
  });
  const page = await openIn(context, 'touch');
  const cdp = await context.newCDPSession(page);
  const box = async (sel) => page.locator(sel).boundingBox();
  // A finger held on the middle of `sel` (a real touch, as the glass sends it).
  const finger = (sel) => async (down) => {
    const b = await box(sel);
    const touchPoints = down ? [{ x: b.x + b.width / 2, y: b.y + b.height / 2 }] : [];
    await cdp.send('Input.dispatchTouchEvent', { type: down ? 'touchStart' : 'touchEnd', touchPoints });
  };
  const clear = async () => {
    const c = await box('#screen');
    for (const sel of ['#dpad', '#acts', '#buttons']) {
      const b = await box(sel);
      const apart = b.x >= c.x + c.width || b.x + b.width <= c.x || b.y >= c.y + c.height || b.y + b.height <= c.y;
      expect(apart, `${sel} covers the picture: ${JSON.stringify(b)} on ${JSON.stringify(c)}`);
    }
    const still = await page.evaluate(() => window.scrollY === 0 && window.visualViewport.scale === 1);
    expect(still, 'the page scrolled or zoomed');
  };
  expect(await page.isVisible('#touch'), 'no touch controls on a phone');
  await clear();
  await playWith(page, finger('#touch-confirm'), finger('#dpad .right'), finger('#dpad .left'));
  await look(page, 'touch-portrait');
  await page.setViewportSize({ width: 844, height: 390 });
  await frames(page, 4);
  await clear();
  await look(page, 'touch-landscape');
  await context.close();
});

await group('the site is installable, starts offline after one visit, and a new one replaces it cleanly', async () => {
  // A copy of the site, to change into a new version later.
  const copy = fs.mkdtempSync(path.join(os.tmpdir(), 'tessalune-site-'));
  fs.cpSync(site, copy, { recursive: true });
  const own = await serve(copy);
  const context = await browser.newContext({ viewport: { width: 1024, height: 768 } });
  const visit = async () => {
    const page = await context.newPage();
    await page.goto(own.url);
    await page.waitForFunction(() => navigator.serviceWorker.controller, null, { timeout: 20000 });
    return page;
  };
  const kept = (page) => page.evaluate(async () => ({ caches: await caches.keys(), isNew: !!document.querySelector('meta[name=new]') }));
  try {
    let page = await visit();
    // Chromium's own verdict (a test's context is incognito, which it names).
    const { installabilityErrors } = await (await context.newCDPSession(page)).send('Page.getInstallabilityErrors');
    const against = installabilityErrors.map((e) => e.errorId).filter((id) => id !== 'in-incognito');
    expect(against.length === 0, `not installable: ${against.join(', ')}`);
    await context.setOffline(true);
    await page.reload();
    await titleReady(page);
    const why = difference(await canvas(page), title);
    expect(!why, `offline, the canvas is not the title: ${why}`);
    await context.setOffline(false);
    const old = (await kept(page)).caches;

    // The new version: a changed page, and its worker naming a new cache.
    const edit = (f, from, to) => fs.writeFileSync(path.join(copy, f), fs.readFileSync(path.join(copy, f), 'utf8').replace(from, to));
    edit('index.html', '</head>', '<meta name="new"></head>');
    edit('sw.js', /tessalune-(\w+)/, 'tessalune-$1new');
    await page.close();
    page = await visit();
    // Found on this visit, it waits for the old version's last page to close.
    await page.waitForFunction(async () => !!(await navigator.serviceWorker.getRegistration())?.waiting, null, { timeout: 20000 });
    expect(!(await kept(page)).isNew, 'a page already running the old site got the new one');
    let now = {};
    // The waiting worker takes over only while no page is open, which on a
    // busy machine can take a while: each try leaves it longer.
    for (let tries = 0; tries < 12 && !now.isNew; tries++) {
      await page.close();
      await new Promise((done) => setTimeout(done, Math.min(200 * 2 ** tries, 3000)));
      page = await visit();
      now = await kept(page);
    }
    expect(now.isNew && now.caches.join() === `${old}new`, `the caches went from ${old} to ${now.caches}, the page new: ${now.isNew}`);
  } finally {
    await context.close();
    await own.close();
    fs.rmSync(copy, { recursive: true, force: true });
  }
});

await group('no page or console errors', async () => {
  expect(errors.length === 0, `\n  ${errors.join('\n  ')}`);
});

await browser.close();
await server.close();
process.exit(failures() ? 1 : 0);
