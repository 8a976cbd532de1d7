// The page in headless Chromium (scripts/test-web.sh), against the desktop's
// play tester:
//   - the title, the menu and level 1 after a click on the start box, each
//     the same pixels as klice-play's frame at the same tick outside the
//     boxes where text was written (the page's glyphs are stb_truetype's,
//     the desktop's SDL_ttf's);
//   - the level backgrounds, which the page fetches after its first frame:
//     the server holds them back until the start box has been clicked, and
//     the level waits on the title's loading line, then plays from its first
//     tick as the desktop's does;
//   - walking and jumping by the page's keys: the figure's place on every
//     tick equals the desktop's under the same keys;
//   - the tick rate of the plain page in level 1: ticks advance, never
//     faster than 100 a second over the window (a tick or two of slack);
//   - its sound (sound_check.mjs): the title's music as the page's mixer
//     plays it is the desktop's stored tune, through the AudioWorklet;
//   - no uncaught error on the page.
// The page is opened as index.html?test, where the game ticks only when the
// check steps it (Module._klice_web_step), so frames are compared at a known
// tick; the rate is taken on the plain page.
//
//   node page_check.mjs --site DIR --play KLICE_PLAY --data DIR --out DIR [--bench SECONDS]
//                       [--form TFORM1.bin --form-waves TFORM1.waves]
//
// With --bench it only plays level 1 on the plain page for SECONDS and
// prints its tick rate (scripts/bench-web.sh). Status 0 passed, 1 failed, 77 skipped (no
// chromium), with the reason printed.
import {execFileSync} from 'node:child_process';
import {createReadStream, existsSync, mkdirSync, readFileSync, rmSync, statSync, writeFileSync} from 'node:fs';
import {createServer} from 'node:http';
import {extname, join, resolve} from 'node:path';

import {Browser, findChromium} from './devtools_pipe.mjs';
import {readPng, writePng} from './png.mjs';
import {checkSound} from './sound_check.mjs';

const kSkipped = 77;
const kFrameWidth = 1024, kFrameHeight = 768;
const kStartBox = {x: 895, y: 110};  // the menu's start box (HRÁT), its centre in frame pixels
const kTitleTick = 250, kMenuTick = 520, kClickTick = 521, kLevelTick = 600;
// The ticks the level waits for its backgrounds on the page; the desktop's
// click comes that much later.
const kWaitTicks = 10;
const kBackgrounds = 'krajina.dat';
const kWalkTicks = 50, kAfterJumpTicks = 109;

function parseArgs(argv) {
  const args = {};
  for (let i = 0; i < argv.length; i += 2) {
    if (!argv[i].startsWith('--') || argv[i + 1] === undefined) throw new Error(`usage: ${argv[i]}?`);
    args[argv[i].slice(2)] = argv[i + 1];
  }
  for (const need of args.bench ? ['site'] : ['site', 'play', 'data', 'out'])
    if (!args[need]) throw new Error(`give --${need}`);
  return args;
}

// The site on this machine only, on a free port. A file named in `held`
// is answered only once held.release(name) has been called.
async function serve(site, held) {
  const types = {'.html': 'text/html; charset=utf-8', '.js': 'text/javascript', '.wasm': 'application/wasm',
    '.png': 'image/png', '.data': 'application/octet-stream'};
  const server = createServer((request, response) => {
    const path = resolve(site, '.' + decodeURIComponent(new URL(request.url, 'http://x').pathname));
    const file = path.endsWith('/') || path === resolve(site) ? join(path, 'index.html') : path;
    if (!file.startsWith(resolve(site)) || !existsSync(file) || !statSync(file).isFile()) {
      response.writeHead(404).end();
      return;
    }
    const answer = () => {
      response.writeHead(200, {'Content-Type': types[extname(file)] ?? 'application/octet-stream'});
      createReadStream(file).pipe(response);
    };
    const name = file.slice(resolve(site).length + 1);
    if (held.has(name)) held.get(name).then(answer);
    else answer();
  });
  await new Promise((r) => server.listen(0, '127.0.0.1', r));
  return {server, url: `http://127.0.0.1:${server.address().port}/`};
}

const failures = [];
function check(ok, what) {
  console.log(`${ok ? 'ok  ' : 'FAIL'} ${what}`);
  if (!ok) failures.push(what);
}

// The desktop's frame at the run's last tick, and its log when asked.
function desktopRun(args, name, playArgs) {
  const folder = join(args.out, `desktop-${name}`);
  rmSync(folder, {recursive: true, force: true});
  const log = join(args.out, `desktop-${name}.jsonl`);
  execFileSync(resolve(args.play), ['--data', resolve(args.data), '--frames', folder, '--log', log, ...playArgs],
      {stdio: ['ignore', 'ignore', 'inherit']});
  const [file] = execFileSync('ls', [folder]).toString().trim().split('\n');
  const frame = readPng(readFileSync(join(folder, file)));
  writeFileSync(join(args.out, `desktop-${name}.png`), writePng(frame));
  const ticks = readFileSync(log, 'utf8').trim().split('\n').map((line) => JSON.parse(line));
  return {frame, ticks};
}

// The page's canvas as {width, height, rgba}, exact (a screenshot may be scaled).
async function pageFrame(page) {
  const url = await page.evaluate("document.getElementById('canvas').toDataURL('image/png')");
  return readPng(Buffer.from(url.slice(url.indexOf(',') + 1), 'base64'));
}

// Steps the stepped page to the tick, watching the texts its last tick writes.
async function stepTo(page, tick) {
  const now = await page.evaluate('Module._klice_web_ticks()');
  if (tick - 1 > now) await page.evaluate(`Module._klice_web_step(${tick - 1 - now})`);
  await page.evaluate('Module._klice_web_watch_texts()');
  const reached = await page.evaluate('Module._klice_web_step(1)');
  if (reached !== tick) throw new Error(`the page is at tick ${reached}, not ${tick}`);
  return page.evaluate(`Array.from({length: Module._klice_web_text_count()}, (_, i) =>
      [0, 1, 2, 3].map((f) => Module._klice_web_text_box(i, f)))`);
}

// Pixels that differ outside the text boxes; the boxes must leave most of
// the frame compared.
function compareFrames(name, page, desktop, boxes) {
  if (page.width !== desktop.width || page.height !== desktop.height) {
    check(false, `${name}: the page's frame is ${page.width}x${page.height}, the desktop's ${desktop.width}x${desktop.height}`);
    return;
  }
  const masked = new Uint8Array(page.width * page.height);
  for (const [x, y, w, h] of boxes)
    for (let row = Math.max(0, y); row < Math.min(page.height, y + h); ++row)
      masked.fill(1, row * page.width + Math.max(0, x), row * page.width + Math.min(page.width, x + w));
  let outside = 0, inside = 0, maskedCount = 0, first = null;
  for (let p = 0; p < masked.length; ++p) {
    maskedCount += masked[p];
    const same = page.rgba[p * 4] === desktop.rgba[p * 4] && page.rgba[p * 4 + 1] === desktop.rgba[p * 4 + 1] &&
        page.rgba[p * 4 + 2] === desktop.rgba[p * 4 + 2];
    if (same) continue;
    if (masked[p]) ++inside;
    else if (outside++ === 0) first = [p % page.width, Math.floor(p / page.width)];
  }
  const share = (100 * maskedCount / masked.length).toFixed(1);
  check(maskedCount < masked.length / 4, `${name}: ${boxes.length} text boxes mask ${share}% of the frame`);
  check(outside === 0, `${name}: ${outside} pixels differ from the desktop's outside text` +
      (first ? ` (the first at ${first})` : '') + `; ${inside} differ inside`);
}

// The click goes through the canvas as the page has scaled it.
async function clickStartBox(page) {
  const rect = await page.evaluate(`(() => { const r = document.getElementById('canvas').getBoundingClientRect();
      return {x: r.x, y: r.y, width: r.width, height: r.height}; })()`);
  await page.click(rect.x + (kStartBox.x + 0.5) * rect.width / kFrameWidth,
      rect.y + (kStartBox.y + 0.5) * rect.height / kFrameHeight);
}

async function checkSteppedPage(browser, url, args, releaseBackgrounds) {
  const page = await browser.openPage(url + '?test');
  await page.waitUntil('Module.calledRun && Module._klice_web_step(0) >= 0');
  const save = async (name, frame) => {
    writeFileSync(join(args.out, `page-${name}.png`), writePng(frame));
    writeFileSync(join(args.out, `screenshot-${name}.png`), await page.screenshot());
  };

  const desktopFrames = {};
  for (const [name, tick] of [['title', kTitleTick], ['menu', kMenuTick]]) {
    const boxes = await stepTo(page, tick);
    const frame = await pageFrame(page);
    await save(name, frame);
    desktopFrames[name] = desktopRun(args, name, ['--ticks', String(tick)]).frame;
    compareFrames(`${name} at tick ${tick}`, frame, desktopFrames[name], boxes);
  }

  // The backgrounds are still held back: the level waits, showing the
  // title's picture and loading line.
  check(await page.evaluate('Module._klice_web_backgrounds_ready()') === 0,
      `the title and the menu run without ${kBackgrounds}`);
  await clickStartBox(page);
  const waited = kClickTick + kWaitTicks - 1;
  const waitingBoxes = await stepTo(page, waited);
  check(await page.evaluate('Module._klice_web_screen()') === 2, 'the click on the start box starts play');
  const waiting = await pageFrame(page);
  await save('waiting', waiting);
  compareFrames(`the level waiting for its backgrounds at tick ${waited} (the title's frame)`, waiting,
      desktopFrames.title, waitingBoxes);
  releaseBackgrounds();
  await page.waitUntil('Module._klice_web_backgrounds_ready() === 1');

  const levelFrom = waited + 1;
  const walkFrom = kLevelTick + 1, jumpAt = walkFrom + kWalkTicks, lastTick = jumpAt + kAfterJumpTicks;
  const script = join(args.out, 'desktop-level1.txt');
  writeFileSync(script, `${levelFrom} mouse ${kStartBox.x} ${kStartBox.y}\n${levelFrom} click\n` +
      `${walkFrom}-${jumpAt - 1} RIGHT\n${jumpAt} UP\n`);
  const level = desktopRun(args, 'level1', ['--script', script, '--ticks', String(kLevelTick)]);
  const boxes = await stepTo(page, kLevelTick);
  const frame = await pageFrame(page);
  await save('level1', frame);
  compareFrames(`level 1 at tick ${kLevelTick}`, frame, level.frame, boxes);

  // Walking right, then a jump, by the page's keys; the desktop holds the
  // same keys on the same ticks.
  const place = () => page.evaluate('[Module._klice_web_player_x(), Module._klice_web_player_y()]');
  const places = new Map();
  places.set(kLevelTick, await place());
  const stepAndNote = async () => {
    const tick = await page.evaluate('Module._klice_web_step(1)');
    places.set(tick, await place());
  };
  await page.key('down', 'ArrowRight');
  for (let t = walkFrom; t < jumpAt; ++t) await stepAndNote();
  await page.key('up', 'ArrowRight');
  await page.key('down', 'ArrowUp');
  await stepAndNote();
  await page.key('up', 'ArrowUp');
  for (let t = jumpAt + 1; t < lastTick; ++t) await stepAndNote();
  const walkedBoxes = await stepTo(page, lastTick);
  places.set(lastTick, await place());
  const walked = await pageFrame(page);
  await save('walked', walked);

  const [x0, y0] = places.get(kLevelTick), [x1, y1] = places.get(jumpAt - 1);
  check(x1 > x0, `holding → for ${kWalkTicks} ticks moves the figure right (x ${x0} -> ${x1})`);
  const ys = [...places.entries()].filter(([t]) => t >= jumpAt).map(([, p]) => p[1]);
  const top = Math.min(...ys), landed = places.get(lastTick)[1];
  check(top < y1 && landed === y1, `↑ jumps: y ${y1} rises to ${top} and comes back to ${landed}`);
  const desktop = desktopRun(args, 'walk', ['--script', script, '--ticks', String(lastTick)]);
  // By now the level's objects move: the frame tells the tick.
  compareFrames(`level 1 at tick ${lastTick}, walked and jumped`, walked, desktop.frame, walkedBoxes);
  const differ = desktop.ticks.filter((d) => d.tick >= kLevelTick && places.has(d.tick) &&
      (places.get(d.tick)[0] !== d.player_x || places.get(d.tick)[1] !== d.player_y));
  check(differ.length === 0 && places.size === lastTick - kLevelTick + 1,
      `the figure is where the desktop's is on each of ticks ${kLevelTick}-${lastTick}` +
      (differ.length ? ` (first differs at tick ${differ[0].tick})` : ''));
  check(page.errors.length === 0, `no uncaught error on the stepped page ${page.errors.join('; ')}`);
  await page.close();
}

// The plain page's tick rate over a window of wall time, between two of its
// animation frames' passes, in level 1 once the menu has come and its start
// box was clicked and a key has set the level's objects moving.
async function measureTickRate(browser, url, seconds) {
  const page = await browser.openPage(url);
  await page.waitUntil('Module.kliceLastPass !== undefined && Module._klice_web_screen() === 1');
  await clickStartBox(page);
  await page.waitUntil('Module._klice_web_screen() === 2');
  await page.key('down', 'ArrowRight');
  await new Promise((r) => setTimeout(r, 100));
  await page.key('up', 'ArrowRight');
  const pass = () => page.evaluate('Module.kliceLastPass');
  const from = await pass(), droppedBefore = await page.evaluate('Module._klice_web_dropped_ticks()');
  await new Promise((r) => setTimeout(r, seconds * 1000));
  const to = await pass(), dropped = await page.evaluate('Module._klice_web_dropped_ticks()') - droppedBefore;
  const stepped = await page.evaluate('Module._klice_web_step(1)');
  const errors = page.errors;
  await page.close();
  return {ticks: to.ticks - from.ticks, ms: to.ms - from.ms, dropped, stepped, errors};
}

// A page or a chromium that stops answering fails the check instead of
// holding up the script.
const kGiveUpMinutes = 10;

async function main() {
  const args = parseArgs(process.argv.slice(2));
  const bench = Number(args.bench ?? 0);
  setTimeout(() => {
    console.error(`page check: no result within ${kGiveUpMinutes} minutes`);
    process.exit(1);
  }, (kGiveUpMinutes * 60 + bench) * 1000).unref();
  if (!findChromium()) {
    console.log('SKIP: the page checks need chromium (/usr/bin/chromium; KLICE_WEB=1 ./scripts/setup.sh installs it)');
    return kSkipped;
  }
  if (args.out) mkdirSync(args.out, {recursive: true});
  // The stepped page's backgrounds wait for its level (checkSteppedPage).
  let releaseBackgrounds;
  const held = new Map([[kBackgrounds, new Promise((r) => releaseBackgrounds = r)]]);
  const {server, url} = await serve(resolve(args.site), held);
  if (args.bench) releaseBackgrounds();
  const browser = await Browser.launch({width: kFrameWidth, height: kFrameHeight + 32,
    extraArgs: ['--autoplay-policy=no-user-gesture-required']});
  try {
    if (args.bench) {
      const rate = await measureTickRate(browser, url, bench);
      console.log(`ticks_per_second ${(rate.ticks * 1000 / rate.ms).toFixed(2)} over ${(rate.ms / 1000).toFixed(1)} s` +
          ` (${rate.ticks} ticks, ${rate.dropped} given up after stalls)`);
      return 0;
    }
    await checkSteppedPage(browser, url, args, releaseBackgrounds);
    await checkSound(browser, url, args, check);
    const rate = await measureTickRate(browser, url, 3);
    check(rate.stepped === -1, 'the plain page ticks by itself (no stepping without ?test)');
    check(rate.ticks > 0 && rate.ticks <= rate.ms / 10 + 2,
        `ticks advance, at most 100 a second: ${rate.ticks} in ${rate.ms.toFixed(0)} ms`);
    check(rate.errors.length === 0, `no uncaught error on the plain page ${rate.errors.join('; ')}`);
  } finally {
    await browser.close();
    server.close();
  }
  console.log(failures.length ? `${failures.length} page checks failed` : 'every page check passed');
  return failures.length ? 1 : 0;
}

main().then((status) => process.exit(status), (error) => {
  console.error(`page check: ${error.stack ?? error}`);
  process.exit(1);
});
