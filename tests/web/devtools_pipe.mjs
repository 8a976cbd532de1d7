// A headless Chromium driven over the DevTools protocol through a pipe, with
// nothing but node: the page checks run where only Debian's packages are.
// Chromium reads commands on its fd 3 and writes replies and events on its
// fd 4, each message one JSON text ended by a NUL byte.
//
//   const browser = await Browser.launch({width: 1100, height: 850});
//   const page = await browser.openPage('http://127.0.0.1:8000/');
//   await page.evaluate('document.title');
//   await browser.close();
import {spawn} from 'node:child_process';
import {existsSync, mkdtempSync, rmSync} from 'node:fs';
import {tmpdir} from 'node:os';
import {join} from 'node:path';

// Debian's chromium, or $KLICE_CHROMIUM; null when there is none.
export function findChromium() {
  for (const path of [process.env.KLICE_CHROMIUM, '/usr/bin/chromium', '/usr/bin/chromium-browser']) {
    if (path && existsSync(path)) return path;
  }
  return null;
}

export class Browser {
  // Starts chromium headless with a throw-away profile.
  static async launch({width = 1100, height = 850, executable = findChromium(), extraArgs = []} = {}) {
    if (!executable) throw new Error('no chromium found (install the Debian package chromium)');
    const profile = mkdtempSync(join(tmpdir(), 'klice-chromium-'));
    const child = spawn(executable, [
      '--headless=new', '--remote-debugging-pipe', '--no-sandbox', '--disable-gpu', '--no-first-run',
      '--no-default-browser-check', '--disable-extensions', '--mute-audio', `--user-data-dir=${profile}`,
      `--window-size=${width},${height}`, ...extraArgs, 'about:blank',
    ], {stdio: ['ignore', 'pipe', 'pipe', 'pipe', 'pipe']});
    const browser = new Browser(child, profile);
    // Chromium's own chatter is kept for the message of a failure.
    child.stderr.on('data', (chunk) => { browser.stderr = (browser.stderr + chunk).slice(-4000); });
    child.stdout.resume();
    await browser.send('Target.setDiscoverTargets', {discover: true});
    return browser;
  }

  constructor(child, profile) {
    this.child = child;
    this.profile = profile;
    this.stderr = '';
    this.nextId = 1;
    this.pending = new Map();  // id -> {resolve, reject, method}
    this.waiters = [];         // {method, sessionId, predicate, resolve}
    this.exited = new Promise((resolve) => child.on('exit', resolve));
    let buffered = Buffer.alloc(0);
    child.stdio[4].on('data', (chunk) => {
      buffered = Buffer.concat([buffered, chunk]);
      for (let end; (end = buffered.indexOf(0)) >= 0; buffered = buffered.subarray(end + 1))
        this.receive(JSON.parse(buffered.subarray(0, end).toString('utf8')));
    });
    child.on('exit', (code) => {
      const error = new Error(`chromium ended (status ${code}): ${this.stderr}`);
      for (const {reject} of this.pending.values()) reject(error);
      this.pending.clear();
    });
  }

  receive(message) {
    if (message.id !== undefined) {
      const call = this.pending.get(message.id);
      if (!call) return;
      this.pending.delete(message.id);
      if (message.error) call.reject(new Error(`${call.method}: ${message.error.message}`));
      else call.resolve(message.result);
      return;
    }
    this.waiters = this.waiters.filter((w) => {
      if (w.method !== message.method || w.sessionId !== message.sessionId) return true;
      if (w.predicate && !w.predicate(message.params)) return true;
      w.resolve(message.params);
      return false;
    });
  }

  // A command's result; sessionId addresses a page.
  send(method, params = {}, sessionId = undefined) {
    const id = this.nextId++;
    const message = {id, method, params};
    if (sessionId) message.sessionId = sessionId;
    return new Promise((resolve, reject) => {
      this.pending.set(id, {resolve, reject, method});
      this.child.stdio[3].write(JSON.stringify(message) + '\0');
    });
  }

  // The next event of that name (and session) that the predicate accepts.
  waitFor(method, {sessionId = undefined, predicate = null, timeoutMs = 30000} = {}) {
    return new Promise((resolve, reject) => {
      const waiter = {method, sessionId, predicate, resolve: (params) => { clearTimeout(timer); resolve(params); }};
      const timer = setTimeout(() => {
        this.waiters = this.waiters.filter((w) => w !== waiter);
        reject(new Error(`no ${method} within ${timeoutMs} ms`));
      }, timeoutMs);
      this.waiters.push(waiter);
    });
  }

  // A new tab at the address, loaded.
  async openPage(url) {
    const {targetId} = await this.send('Target.createTarget', {url: 'about:blank'});
    const {sessionId} = await this.send('Target.attachToTarget', {targetId, flatten: true});
    const page = new Page(this, sessionId, targetId);
    await page.send('Page.enable');
    await page.send('Runtime.enable');
    const loaded = this.waitFor('Page.loadEventFired', {sessionId});
    await page.send('Page.navigate', {url});
    await loaded;
    return page;
  }

  async close() {
    try {
      await Promise.race([this.send('Browser.close'), new Promise((r) => setTimeout(r, 5000))]);
    } catch { /* it may be gone already */ }
    if (this.child.exitCode === null) this.child.kill('SIGKILL');
    await this.exited;
    // Chromium's helper processes may still be writing into the profile
    // for a while after the browser's own process has ended.
    for (let attempt = 1; ; ++attempt) {
      try {
        rmSync(this.profile, {recursive: true, force: true, maxRetries: 5, retryDelay: 200});
        break;
      } catch (error) {
        if (attempt === 3) {
          console.error(`left the profile ${this.profile}: ${error.message}`);
          break;
        }
        await new Promise((r) => setTimeout(r, 3000));
      }
    }
  }
}

export class Page {
  constructor(browser, sessionId, targetId) {
    this.browser = browser;
    this.sessionId = sessionId;
    this.targetId = targetId;
    this.errors = [];  // uncaught exceptions of the page
    browser.waiters.push({method: 'Runtime.exceptionThrown', sessionId, predicate: (p) => {
      this.errors.push(p.exceptionDetails.exception?.description ?? p.exceptionDetails.text);
      return false;  // keep listening
    }});
  }

  send(method, params = {}) { return this.browser.send(method, params, this.sessionId); }

  close() { return this.browser.send('Target.closeTarget', {targetId: this.targetId}); }

  // The value of a JavaScript expression (awaited when it is a promise).
  async evaluate(expression) {
    const {result, exceptionDetails} = await this.send('Runtime.evaluate',
        {expression, returnByValue: true, awaitPromise: true});
    if (exceptionDetails) throw new Error(`${expression}: ${exceptionDetails.exception?.description ?? exceptionDetails.text}`);
    return result.value;
  }

  // Polls the expression until it is true.
  async waitUntil(expression, {timeoutMs = 60000, everyMs = 50} = {}) {
    const until = Date.now() + timeoutMs;
    while (!(await this.evaluate(expression))) {
      if (Date.now() > until) throw new Error(`not within ${timeoutMs} ms: ${expression}`);
      await new Promise((r) => setTimeout(r, everyMs));
    }
  }

  // A key pressed or released by its physical code ('ArrowRight', 'KeyW').
  key(type, code, key = code) {
    return this.send('Input.dispatchKeyEvent', {type: type === 'down' ? 'rawKeyDown' : 'keyUp', code, key,
      windowsVirtualKeyCode: virtualKeyOf(code)});
  }

  // A left click at a point of the viewport, in CSS pixels.
  async click(x, y) {
    await this.send('Input.dispatchMouseEvent', {type: 'mouseMoved', x, y});
    await this.send('Input.dispatchMouseEvent', {type: 'mousePressed', x, y, button: 'left', buttons: 1, clickCount: 1});
    await this.send('Input.dispatchMouseEvent', {type: 'mouseReleased', x, y, button: 'left', buttons: 0, clickCount: 1});
  }

  // The viewport as PNG bytes.
  async screenshot() {
    const {data} = await this.send('Page.captureScreenshot', {format: 'png'});
    return Buffer.from(data, 'base64');
  }
}

// Chromium fills KeyboardEvent.keyCode from this; the page reads `code`.
function virtualKeyOf(code) {
  const named = {ArrowLeft: 37, ArrowUp: 38, ArrowRight: 39, ArrowDown: 40, Enter: 13, Escape: 27, Space: 32};
  if (named[code]) return named[code];
  const letter = /^Key([A-Z])$/.exec(code);
  return letter ? letter[1].charCodeAt(0) : 0;
}
