// Runs to share: a Linux recording shown in the page (?play=URL&trace) gives
// the runner's trace; a run recorded in the page plays in the runner as the
// page shows it; a damaged recording gets the Linux game's own refusal; the
// player's files go out as a tar and come back in, a bad one refused whole.
//   node runs.mjs SITE DEMOS RUNNER GAMEDIR NATIVE_GAME
import { execFileSync, spawnSync } from 'node:child_process';
import fs from 'node:fs';
import os from 'node:os';
import path from 'node:path';
import zlib from 'node:zlib';
import { failures, frames, group, launch, press, serve, until } from './site.mjs';

const [site, demos, runner, gamedir, native] = process.argv.slice(2);
const work = fs.mkdtempSync(path.join(os.tmpdir(), 'tessalune-web-runs-'));
const gameFields = (text) => text.replace(/"clock":[0-9]*,/g, '').trimEnd().split('\n');
function sameTrace(want, got, what) {
  const at = want.findIndex((line, i) => line !== got[i]);
  if (at >= 0 || want.length !== got.length) {
    throw new Error(`${what}: ${want.length} frames expected, ${got.length} shown; ` +
      `first difference at line ${at + 1}:\n  ${want[at]}\n  ${got[at]}`);
  }
}

const server = await serve(site);
const browser = await launch();
// Each page in a context of its own: fresh storage, as a first visit has.
async function show(name, text) {
  const context = await browser.newContext();
  const page = await context.newPage();
  await page.route(`${server.url}shared/*`, (route) => route.fulfill({ body: text }));
  await page.goto(`${server.url}?play=shared/${name}&trace`);
  return page;
}
async function download(page, selector) {
  const [file] = await Promise.all([page.waitForEvent('download'), page.click(selector)]);
  const bytes = fs.readFileSync(await file.path());
  return { name: file.suggestedFilename(), bytes, text: bytes.toString('utf8') };
}
async function shownTrace(name, text) {
  const page = await show(name, text);
  await until(page, 'the trace offered', () => window.tessalune.traceReady, undefined, 60000);
  const trace = await download(page, '#run-files a');
  await page.context().close();
  if (trace.name !== 'trace.jsonl') throw new Error(`the trace is offered as ${trace.name}`);
  return gameFields(trace.text);
}
function runnerTrace(recording) {
  const dir = path.join(work, 'game');
  fs.rmSync(dir, { recursive: true, force: true });
  fs.cpSync(gamedir, dir, { recursive: true });
  fs.writeFileSync(path.join(work, 'run.rec'), recording);
  execFileSync(runner, ['--input', path.join(work, 'run.rec'), '--trace', path.join(work, 't.jsonl')],
    { cwd: dir, stdio: 'ignore' });
  return gameFields(fs.readFileSync(path.join(work, 't.jsonl'), 'utf8'));
}

await group("a Linux recording shown in the page gives the runner's trace", async () => {
  const want = gameFields(zlib.gunzipSync(fs.readFileSync(path.join(demos, 'focus.trace.gz'))).toString());
  sameTrace(want, await shownTrace('focus.rec', fs.readFileSync(path.join(demos, 'focus.rec'))), 'focus.rec');
});

await group('a run recorded in the page plays in the runner as the page shows it', async () => {
  const context = await browser.newContext();
  const page = await context.newPage();
  await page.goto(server.url);
  await until(page, 'the game running', () => window.tessalune.state === 'running');
  await frames(page, 70);
  await press(page, 'Enter');
  await frames(page, 130);
  await press(page, 'ArrowRight', 10);
  await page.keyboard.press('Escape');
  await until(page, 'the game ended', () => window.tessalune.state === 'ended');
  const run = await download(page, '#run-files a');
  await context.close();
  if (!run.text.startsWith('tessalune-recording 1 clock ') || !run.text.endsWith(' end\n')) {
    throw new Error(`the page's recording is not one:\n${run.text}`);
  }
  sameTrace(runnerTrace(run.text), await shownTrace('page.rec', run.text), 'the page recording');
});

await group("a damaged recording gets the Linux game's refusal, on the page", async () => {
  const bad = 'tessalune-recording 1 clock 5\n12 down Nowhere\n';
  fs.writeFileSync(path.join(work, 'bad.rec'), bad);
  // A home of its own: a game played elsewhere on the machine holds the lock.
  const env = { ...process.env, HOME: work, XDG_DATA_HOME: work, XDG_RUNTIME_DIR: work };
  const linux = spawnSync(native, ['--play', 'bad.rec'], { cwd: work, env, encoding: 'utf8' });
  const refusal = linux.stderr.trim();
  if (linux.status !== 2 || !refusal.includes('bad.rec')) throw new Error(`Linux said: ${refusal}`);
  const page = await show('bad.rec', bad);
  await until(page, 'the refusal', () => window.tessalune.state === 'failed');
  const said = await page.textContent('#note');
  await page.context().close();
  if (!said.endsWith(refusal)) throw new Error(`the page says "${said}", Linux "${refusal}"`);
});

await group("the player's files go out as a tar and come back in, a bad one refused whole", async () => {
  const context = await browser.newContext();
  const page = await context.newPage();
  await page.goto(server.url);
  await until(page, 'the game running', () => window.tessalune.state === 'running');
  const out = await download(page, '#export');
  fs.writeFileSync(path.join(work, 'data.tar'), out.bytes);
  const listed = execFileSync('tar', ['tvf', path.join(work, 'data.tar')], { encoding: 'utf8' });
  if (out.name !== 'tessalune-data.tar' || listed.trim().split('\n').length !== 11 || !/ 312 .* Map10\n/.test(listed)) {
    throw new Error(`exported ${out.name}:\n${listed}`);
  }
  const map = (name) => page.evaluate((n) => Array.from(Module.FS.readFile('/game/Data/' + n)).join(), name);
  const put = async (files, want) => {
    await page.evaluate(() => { window.tessalune.imported = ''; });
    await page.setInputFiles('#import-file', files.map(([name, bytes]) => ({ name, mimeType: 'application/octet-stream', buffer: Buffer.from(bytes) })));
    await until(page, 'the import', () => window.tessalune.imported);
    const said = (await page.evaluate(() => window.tessalune.imported));
    if (!said.startsWith(want)) throw new Error(`importing ${files.map((f) => f[0])}: ${said}`);
  };
  const before = await map('Map2');
  await put([['Map2', new Uint8Array(312).fill(1)], ['Map11', [1]]], 'refused: Map11');
  await put([['Map2', new Uint8Array(313)]], 'refused: Map2 is 313 bytes');
  if ((await map('Map2')) !== before) throw new Error('a refused import changed Map2');
  await put([['Map2', new Uint8Array(312).fill(1)]], 'Map2');
  if ((await map('Map2')) !== new Uint8Array(312).fill(1).join()) throw new Error('Map2 was not imported');
  await put([['data.tar', fs.readFileSync(path.join(work, 'data.tar'))]], 'BestScore Map1 Map2');
  if ((await map('Map2')) !== before) throw new Error('the exported tar did not bring Map2 back');
  await context.close();
});

await browser.close();
await server.close();
fs.rmSync(work, { recursive: true, force: true });
process.exit(failures() ? 1 : 0);
