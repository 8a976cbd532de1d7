// The page's sound (run by page_check.mjs): what its mixer sends to the
// browser while the title's music plays must be the desktop's stored wave.
// The page opened as index.html?test keeps every block it plays in
// Module.kliceAudioTap once the check sets that to an array; the check steps
// the title to the tick where the menu music starts, lets the page play for
// a while, and finds the tune's samples, taken from the native build's window
// resource, in what was played: the best normalized correlation over the
// possible delays must be near 1, and the level that of a wave at full
// volume. In Chromium the sound must go through the AudioWorklet.
import {readFileSync} from 'node:fs';

const kMusicTick = 450;  // the title starts the menu music (game/screens.h)
const kTune = 'hudba_menu';
const kListenMs = 1500;  // of sound mixed from the music's tick
const kWindowSeconds = 0.5;   // of played sound compared
const kMostDelaySeconds = 0.25;  // the window slides over twice this of the tune's start

// The tune's 16-bit samples as the desktop's window resource holds them,
// and their rate from the recipe.
export function storedTune(formFile, wavesFile, recipesDir) {
  const line = readFileSync(wavesFile, 'utf8').split('\n').find((l) => l.startsWith(kTune + ' '));
  if (!line) throw new Error(`${wavesFile} lists no ${kTune}`);
  const [, offset, bytes] = line.split(' ').map(Number);
  const form = readFileSync(formFile);
  const samples = new Int16Array(bytes / 2);
  for (let i = 0; i < samples.length; ++i) samples[i] = form.readInt16LE(offset + 2 * i);
  const rate = Number(/^rate (\d+)/m.exec(readFileSync(`${recipesDir}/${kTune}.txt`, 'utf8'))[1]);
  return {samples, rate};
}

// `samples` at `rate` as floats at `toRate`, by straight lines between them.
function resampled(samples, rate, toRate, count) {
  const out = new Float64Array(count);
  for (let i = 0; i < count; ++i) {
    const at = i * rate / toRate, k = Math.floor(at), f = at - k;
    const a = samples[k] ?? 0, b = samples[k + 1] ?? 0;
    out[i] = (a + (b - a) * f) / 32768;
  }
  return out;
}

// The best correlation of `played` (from its first sound on) with the tune
// over the delays, with the gain at that delay.
export function findTune(played, playedRate, tune) {
  const first = played.findIndex((v) => Math.abs(v) > 1e-4);
  if (first < 0) return {correlation: 0, gain: 0, delay: 0, silent: true};
  const length = Math.round(kWindowSeconds * playedRate), most = Math.round(kMostDelaySeconds * playedRate);
  const window = played.subarray(first, first + length);
  if (window.length < length) return {correlation: 0, gain: 0, delay: 0, short: true};
  const reference = resampled(tune.samples, tune.rate, playedRate, length + 2 * most);
  let energy = 0;
  for (const v of window) energy += v * v;
  let best = {correlation: -1, gain: 0, delay: 0};
  // The played sound's first audible sample lies at or a little after the
  // tune's start: the window slides over the reference's first stretch.
  for (let delay = 0; delay <= 2 * most; ++delay) {
    let dot = 0, reference2 = 0;
    for (let i = 0; i < length; ++i) {
      const r = reference[delay + i];
      dot += window[i] * r;
      reference2 += r * r;
    }
    const correlation = dot / Math.sqrt(energy * reference2 || 1);
    if (correlation > best.correlation) best = {correlation, gain: dot / (reference2 || 1), delay};
  }
  return best;
}

// The page's mixer output from the tick the music starts, as mono floats.
async function tapMusic(browser, url) {
  const page = await browser.openPage(url + '?test');
  await page.waitUntil('Module.calledRun && Module._klice_web_step(0) >= 0');
  await page.evaluate('Module._klice_web_step(1)');
  // What the player's first key or click does: the page makes its sound.
  await page.evaluate('Module.kliceResumeAudio()');
  await page.waitUntil("Module.kliceAudio.kind !== 'none'", {timeoutMs: 20000});
  await page.waitUntil("Module.kliceAudio.context.state === 'running'", {timeoutMs: 10000});
  const kind = await page.evaluate('Module.kliceAudio.kind');
  const rate = await page.evaluate('Module.kliceAudio.context.sampleRate');
  await page.evaluate(`Module._klice_web_step(${kMusicTick - 2})`);
  await page.evaluate('Module.kliceAudioTap = []');
  const tick = await page.evaluate('Module._klice_web_step(1)');
  // The page mixes as the browser plays: a loaded machine may take longer.
  await page.waitUntil(`Module.kliceAudioTap.reduce((n, b) => n + b.length / 2, 0) >= ${rate * kListenMs / 1000}`,
      {timeoutMs: 20000});
  const base64 = await page.evaluate(`(() => {
      const blocks = Module.kliceAudioTap;
      Module.kliceAudioTap = null;
      let frames = 0;
      for (const b of blocks) frames += b.length / 2;
      const mono = new Float32Array(frames);
      let at = 0;
      for (const b of blocks) for (let i = 0; i < b.length; i += 2) mono[at++] = (b[i] + b[i + 1]) / 2;
      let text = '';
      const bytes = new Uint8Array(mono.buffer);
      for (let i = 0; i < bytes.length; i += 8192) text += String.fromCharCode(...bytes.subarray(i, i + 8192));
      return btoa(text);
    })()`);
  const errors = page.errors;
  await page.close();
  const buffer = Buffer.from(base64, 'base64');
  const played = new Float32Array(buffer.buffer, buffer.byteOffset, buffer.length / 4);
  return {kind, rate, tick, played, errors};
}

export async function checkSound(browser, url, args, check) {
  if (!args.form || !args['form-waves']) {
    console.log('SKIP: the sound check needs --form and --form-waves (the native window resource and its list)');
    return;
  }
  const tune = storedTune(args.form, args['form-waves'], new URL('../../assets/sounds', import.meta.url).pathname);
  const tap = await tapMusic(browser, url);
  check(tap.kind === 'worklet', `the page plays through the AudioWorklet (${tap.kind})`);
  check(tap.tick === kMusicTick, `the title stepped to the music's tick ${kMusicTick} (${tap.tick})`);
  const found = findTune(tap.played, tap.rate, tune);
  console.log(`     played ${(tap.played.length / tap.rate).toFixed(2)} s at ${tap.rate} Hz; ${kTune} found with` +
      ` correlation ${found.correlation.toFixed(4)}, gain ${(found.gain).toFixed(3)}, delay ${found.delay}`);
  check(found.correlation > 0.98, `the played sound is ${kTune} (correlation ${found.correlation.toFixed(4)} > 0.98)`);
  check(Math.abs(found.gain - 1) < 0.05, `at the stored wave's full level (gain ${found.gain.toFixed(3)})`);
  check(tap.errors.length === 0, `no uncaught error on the sound page ${tap.errors.join('; ')}`);
}
