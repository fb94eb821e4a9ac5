// The page's speed at Unlimited, idle on the start page, in headless
// Chromium: the run ticks made in five seconds of running, their steps
// counted again from a state, over the time they took and over the
// processor time of the page's main thread (as varnox-bench counts its
// own processor time).
//   node bench/page-speed.mjs build-web/page
import { resolve } from 'node:path';
import { setTimeout as sleep } from 'node:timers/promises';
import { Browser, servePage, waitFor } from '../tests/web/cdp.mjs';

const [server, url] = await servePage(resolve(process.argv[2] ?? 'build-web/page'));
const browser = await Browser.launch();
try {
  // Steps per second at Unlimited: timed while running, then the same
  // run ticks counted again from a state.
  const page = await browser.open(`${url}?paused`, 1024, 768);
  await waitFor('the page to start', () => page.eval("document.body?.dataset.ready === 'yes'"));
  await page.eval('varnox.powerOn(); varnox.runTicks(100)');
  // The engine compiles the hot code again, optimised, after a while.
  await page.eval('varnox.setSpeed(0); varnox.resume()');
  await sleep(2000);
  await page.eval('varnox.pause()');
  const start = await page.eval('Array.from(varnox.saveState())');
  const tickOf = async () => Number(/TICKS=(\d+)/.exec(await page.eval('varnox.stateLine()'))[1]);
  const from = await tickOf();
  // The time spent running, apart from the page's drawing and idling.
  await page.eval(`(() => {
    const fns = varnox.m.fns, frame = fns.frame;
    window.runningMs = 0;
    fns.frame = (...args) => { const t = performance.now(); const r = frame(...args); runningMs += performance.now() - t; return r; };
  })()`);
  // The page's main thread's processor time, as the native benchmark
  // counts its own: on a busy machine both lose the same wall time.
  await page.send('Performance.enable');
  const threadTime = async () =>
    (await page.send('Performance.getMetrics')).metrics.find((m) => m.name === 'ThreadTime').value;
  const threadBefore = await threadTime();
  await page.eval('varnox.resume()');
  const began = Date.now();
  await sleep(5000);
  await page.eval('varnox.pause()');
  const seconds = (Date.now() - began) / 1000;
  const threadSeconds = (await threadTime()) - threadBefore;
  const ran = (await tickOf()) - from;
  await page.eval(`varnox.powerOn(); varnox.loadState(new Uint8Array(${JSON.stringify(start)}))`);
  await page.eval(`varnox.runTicks(${ran})`);
  const steps = Number(/STEPS=(\d+)/.exec(await page.eval('varnox.stateLine()'))[1]);
  const running = (await page.eval('runningMs')) / 1000;
  console.log(`page at Unlimited, idle on the start page: ${ran} run ticks in ${seconds} s, ` +
    `${(steps / seconds / 1e6).toFixed(2)} M steps/s; ${(steps / running / 1e6).toFixed(2)} M steps/s of the time running; ` +
    `${(steps / threadSeconds / 1e6).toFixed(2)} M steps/s of the page's thread's processor time (${threadSeconds.toFixed(2)} s)`);
} finally {
  await browser.close();
  server.close();
}
