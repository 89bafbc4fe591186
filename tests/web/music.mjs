// The page's music in chromium (run by browser.sh after browser.mjs):
//   node music.mjs SITE
// The passes of the title's piece follow each other on the audio clock with
// nothing between them, and the game answers every end; every piece, its
// pass followed by the next, leaves no quiet stretch of 40 ms at the loop.
import { expect, failures, group, launch, serve, until } from './site.mjs';

const [site] = process.argv.slice(2);

const server = await serve(site);
// Sound without a key first, as after the player's first key.
const browser = await launch(['--autoplay-policy=no-user-gesture-required']);
const page = await browser.newPage();

await group('passes follow each other on the audio clock, and the game answers each end', async () => {
  // Every piece ends after a second here, so that a test sees a few ends.
  await page.route('**/music.json', async (route) => {
    const list = await (await route.fetch()).json();
    await route.fulfill({ json: list.map((p) => ({ ...p, end: 44100 })) });
  });
  await page.goto(server.url);
  await until(page, 'four passes of the music', () => window.tessalune.music?.log.length >= 4);
  const log = await page.evaluate(() => window.tessalune.music.log);
  expect(log[0].file === 'music/System.opus', `the title plays ${log[0].file}`);
  for (let i = 1; i < log.length; i++) {
    expect(log[i].start === log[i - 1].end, `pass ${i} starts at ${log[i].start} s, not at ${log[i - 1].end} s`);
  }
});

await group('no piece has a quiet stretch of 40 ms at its loop', async () => {
  await page.unroute('**/music.json');
  const gaps = await page.evaluate(async () => {
    const list = await (await fetch('music.json')).json();
    const out = {};
    for (const p of list) {
      // Three seconds either side of the loop: the pass's end and tail, and
      // the next pass from its start.
      const rate = 44100, around = 3;
      const ctx = new OfflineAudioContext(2, 2 * around * rate, rate);
      const buffer = await ctx.decodeAudioData(await (await fetch(p.file)).arrayBuffer());
      for (const [at, from] of [[0, p.end / rate - around], [around, 0]]) {
        const s = ctx.createBufferSource();
        s.buffer = buffer;
        s.connect(ctx.destination);
        s.start(at, from);
      }
      const sound = await ctx.startRendering();
      // 5 ms blocks, quiet when no sample reaches -50 dBFS.
      const block = rate / 200, floor = 10 ** (-50 / 20);
      let run = 0, longest = 0;
      for (let b = (around - 1) * rate; b < (around + 1) * rate; b += block) {
        let peak = 0;
        for (let c = 0; c < 2; c++) {
          const d = sound.getChannelData(c);
          for (let i = b; i < b + block; i++) peak = Math.max(peak, Math.abs(d[i]));
        }
        run = peak < floor ? run + 5 : 0;
        longest = Math.max(longest, run);
      }
      out[p.file] = longest;
    }
    return out;
  });
  console.log(`  the longest quiet stretch at each loop, ms: ${JSON.stringify(gaps)}`);
  expect(Object.keys(gaps).length === 6, `${Object.keys(gaps).length} pieces, not 6`);
  for (const [file, ms] of Object.entries(gaps)) expect(ms < 40, `${file}: ${ms} ms quiet at the loop`);
});

await browser.close();
await server.close();
process.exit(failures() ? 1 : 0);
