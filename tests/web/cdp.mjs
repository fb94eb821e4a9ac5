// A small client of the Chrome DevTools Protocol over Debian's Chromium:
// a headless browser with a new empty profile, pages opened in contexts of
// their own (each with empty storage), scripts evaluated in them.
import { spawn } from 'node:child_process';
import { mkdtempSync, readFileSync, rmSync, existsSync } from 'node:fs';
import { createServer } from 'node:http';
import { createRequire } from 'node:module';
import { tmpdir } from 'node:os';
import { extname, join } from 'node:path';
import { setTimeout as sleep } from 'node:timers/promises';

// Debian's WebSocket client (node-ws), the same on every node: Debian's own
// node finds it by itself, one from elsewhere through NODE_PATH or in the
// folder Debian puts it in.
const WebSocket = (() => {
  const require = createRequire(import.meta.url);
  for (const name of ['ws', '/usr/share/nodejs/ws']) {
    try {
      return require(name);
    } catch (error) {
      if (error.code !== 'MODULE_NOT_FOUND') throw error;
    }
  }
  throw new Error("no WebSocket client: Debian's package node-ws is missing (scripts/install-deps installs it)");
})();

const ChromiumFlags = ['--headless', '--no-sandbox', '--disable-gpu', '--disable-quic', '--no-first-run',
  '--disable-background-networking', '--disable-component-update', '--disable-sync'];

const Types = { '.html': 'text/html', '.js': 'text/javascript', '.css': 'text/css', '.wasm': 'application/wasm' };

// The page's folder served on 127.0.0.1 at a free port: [server, url].
export async function servePage(dir) {
  const server = createServer((request, response) => {
    const name = new URL(request.url, 'http://page/').pathname.replace(/^\/$/, '/index.html');
    try {
      const body = readFileSync(join(dir, name.replace(/\.\./g, '')));
      response.writeHead(200, { 'Content-Type': Types[extname(name)] ?? 'application/octet-stream' });
      response.end(body);
    } catch {
      response.writeHead(404).end();
    }
  });
  await new Promise((resolve) => server.listen(0, '127.0.0.1', resolve));
  return [server, `http://127.0.0.1:${server.address().port}/`];
}

// Polls `check` until it gives a truthy value, or fails after `ms`.
export async function waitFor(what, check, ms = 20000) {
  const until = Date.now() + ms;
  for (;;) {
    const value = await check();
    if (value) return value;
    if (Date.now() > until) throw new Error(`timed out waiting for ${what}`);
    await sleep(50);
  }
}

export class Browser {
  static async launch(binary = 'chromium') {
    const profile = mkdtempSync(join(tmpdir(), 'varnox-chromium-'));
    const child = spawn(binary, [...ChromiumFlags, `--user-data-dir=${profile}`, '--remote-debugging-port=0',
      '--window-size=1280,1000', 'about:blank'], { stdio: ['ignore', 'ignore', 'pipe'], detached: true });
    let errors = '';
    child.stderr.on('data', (d) => { errors += d; });
    const portFile = join(profile, 'DevToolsActivePort');
    const [port, path] = await waitFor(`Chromium to start (${errors.slice(-300)})`, () => {
      if (child.exitCode !== null) throw new Error(`Chromium ended: ${errors.slice(-500)}`);
      return existsSync(portFile) && readFileSync(portFile, 'utf8').split('\n').length >= 2
        ? readFileSync(portFile, 'utf8').split('\n') : null;
    });
    const socket = new WebSocket(`ws://127.0.0.1:${port}${path}`);
    await new Promise((resolve, reject) => {
      socket.onopen = resolve;
      socket.onerror = () => reject(new Error('no connection to Chromium'));
    });
    return new Browser(child, profile, socket);
  }

  constructor(child, profile, socket) {
    this.child = child;
    this.profile = profile;
    this.socket = socket;
    this.next = 1;
    this.waiting = new Map();
    socket.onmessage = (event) => {
      const message = JSON.parse(event.data);
      const pending = this.waiting.get(message.id);
      if (!pending) return;
      this.waiting.delete(message.id);
      if (message.error) pending.reject(new Error(`${pending.method}: ${message.error.message}`));
      else pending.resolve(message.result);
    };
  }

  send(method, params = {}, sessionId = undefined) {
    const id = this.next++;
    this.socket.send(JSON.stringify({ id, method, params, sessionId }));
    return new Promise((resolve, reject) => this.waiting.set(id, { resolve, reject, method }));
  }

  // A page at `url` in a browser context of its own, of the given size;
  // `early`, a script run in it before the page's own.
  async open(url, width, height, early = null) {
    const { browserContextId } = await this.send('Target.createBrowserContext');
    const { targetId } = await this.send('Target.createTarget', { url: 'about:blank', browserContextId });
    const { sessionId } = await this.send('Target.attachToTarget', { targetId, flatten: true });
    const page = new Page(this, sessionId);
    await page.send('Emulation.setDeviceMetricsOverride', { width, height, deviceScaleFactor: 1, mobile: false });
    await page.send('Page.enable');
    if (early) await page.send('Page.addScriptToEvaluateOnNewDocument', { source: early });
    await page.send('Page.navigate', { url });
    return page;
  }

  // The profile goes once Chromium has ended and stopped writing it.
  async close() {
    this.socket.close();
    if (this.child.exitCode === null) {
      const ended = new Promise((resolve) => this.child.once('exit', resolve));
      // Its helper processes too: they share its process group.
      process.kill(-this.child.pid, 'SIGTERM');
      await ended;
    }
    for (let attempt = 0; ; ++attempt) {
      try {
        rmSync(this.profile, { recursive: true, force: true });
        return;
      } catch (error) {
        if (attempt === 20) throw error;
        await sleep(100);
      }
    }
  }
}

export class Page {
  constructor(browser, sessionId) {
    this.browser = browser;
    this.sessionId = sessionId;
  }

  send(method, params = {}) { return this.browser.send(method, params, this.sessionId); }

  // The value of a script's expression (awaited when it is a promise).
  async eval(expression) {
    const r = await this.send('Runtime.evaluate', { expression, awaitPromise: true, returnByValue: true });
    if (r.exceptionDetails) throw new Error(`${expression}: ${r.exceptionDetails.exception?.description ?? r.exceptionDetails.text}`);
    return r.result.value;
  }

  async click(x, y) {
    for (const type of ['mousePressed', 'mouseReleased']) {
      await this.send('Input.dispatchMouseEvent', { type, x, y, button: 'left', clickCount: 1 });
    }
  }

  // A key typed as the keyboard types it: its key, what it types, and the
  // virtual-key code.
  async type(key, text, code) {
    await this.send('Input.dispatchKeyEvent', { type: 'keyDown', key, text, windowsVirtualKeyCode: code });
    await this.send('Input.dispatchKeyEvent', { type: 'keyUp', key, windowsVirtualKeyCode: code });
  }

  async screenshot(file, write) {
    const { data } = await this.send('Page.captureScreenshot', { format: 'png' });
    write(file, Buffer.from(data, 'base64'));
  }
}
