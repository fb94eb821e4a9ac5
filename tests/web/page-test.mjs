// The page in headless Chromium against varnox-tool run in a kit folder
// without ram.bin: the start page, scripted holds, states both ways, a
// click and typed keys; then what it refuses (page-checks.mjs), its
// firmware switches, its storage and its size.
//   node page-test.mjs PAGE_DIR VARNOX_TOOL KIT_DIR [--shots DIR]
import { execFileSync } from 'node:child_process';
import { copyFileSync, mkdirSync, mkdtempSync, readFileSync, rmSync, writeFileSync } from 'node:fs';
import { tmpdir } from 'node:os';
import { join, resolve } from 'node:path';
import { setTimeout as sleep } from 'node:timers/promises';
import { Browser, servePage, waitFor } from './cdp.mjs';
import { checkFaceBeforeStorage, checkFirmwareMemory, checkReaders, checkScale, checkScriptArguments, checkStorage,
  openStarted } from './page-checks.mjs';

const [pageDir, tool, kitDir] = process.argv.slice(2, 5).map((path) => resolve(path));
const options = process.argv.slice(5);
const shotsDir = options.includes('--shots') ? options[options.indexOf('--shots') + 1] : null;
const KitFiles = ['varnox.ini', 'charset.bin', 'rom0.bin', 'rom1.bin', 'keys.bmp'];
const here = new URL('.', import.meta.url).pathname;

// Holds of keys by number as --hold takes them: CALC, then 1+1 Enter.
const Holds = [[8, 5, 6], [41, 20, 21], [44, 30, 40], [41, 45, 46], [50, 60, 70]];
const HoldTicks = 120;

let failures = 0;
function check(what, ok, detail = '') {
  console.log(`${ok ? 'ok  ' : 'FAIL'} ${what}${ok ? '' : `\n${detail}`}`);
  if (!ok) failures += 1;
}

const work = mkdtempSync(join(tmpdir(), 'varnox-page-test-'));
for (const name of KitFiles) copyFileSync(join(kitDir, name), join(work, name));
mkdirSync(join(work, 'short'));
mkdirSync(join(work, 'own'));
function runTool(args) {
  return execFileSync(tool, ['run', '--no-save', ...args], { cwd: work, encoding: 'utf8' }).trim();
}
// What the tool says on failing.
function toolSays(args) {
  try {
    execFileSync(tool, ['run', '--no-save', ...args], { cwd: work, stdio: 'pipe' });
    return 'no failure';
  } catch (error) {
    return error.stderr.toString().trim();
  }
}
const toolScreen = (args) => {
  runTool([...args, '--screen', 'screen.pbm']);
  return readFileSync(join(work, 'screen.pbm'), 'utf8');
};
// The display below the status line, whose clock tells the time since
// power-on, without the blinking cursor after the calculation's text.
const belowStatus = (pbm) => pbm.split('\n').slice(2 + 8).map((line, i) => {
  const row = line.replace(/ /g, '');
  return i >= 8 && i < 16 ? row.slice(0, 36) + '0'.repeat(6) + row.slice(42) : row;
}).join('\n');

const [server, url] = await servePage(pageDir);
const browser = await Browser.launch();

try {
  // Running in real time from the start: the screen is the headless run's
  // after as many run ticks.
  const live = await browser.open(url, 1280, 1000);
  await waitFor('the page to start', () => live.eval("document.body?.dataset.ready === 'yes'"));
  await waitFor('a second of emulated time', async () => /TICKS=(\d+)/.exec(await live.eval('varnox.stateLine()'))[1] >= 100);
  await live.eval('varnox.pause()');
  const ticks = /TICKS=(\d+)/.exec(await live.eval('varnox.stateLine()'))[1];
  const startScreen = await live.eval('varnox.screen()');
  check('the page shows the start page', startScreen === toolScreen(['--ticks', ticks]) && /1/.test(startScreen.slice(8)));

  // A fresh profile's machine, scripted: the same line and screen as the tool.
  const fresh = await browser.open(`${url}?paused`, 1024, 768);
  await waitFor('the fresh page to start', () => fresh.eval("document.body?.dataset.ready === 'yes'"));
  await fresh.eval('varnox.powerOn()');
  for (const [key, from, to] of Holds) await fresh.eval(`varnox.hold(${key}, ${from}, ${to})`);
  await fresh.eval(`varnox.runTicks(${HoldTicks})`);
  const holdArgs = ['--ticks', `${HoldTicks}`, ...Holds.flatMap(([k, a, b]) => ['--hold', `${k}@${a}-${b}`])];
  const toolLine = runTool(holdArgs);
  check('scripted holds give the tool\'s state line', (await fresh.eval('varnox.stateLine()')) === toolLine,
    `page: ${await fresh.eval('varnox.stateLine()')}\ntool: ${toolLine}`);
  check('scripted holds give the tool\'s screen', (await fresh.eval('varnox.screen()')) === toolScreen(holdArgs));

  // A state saved on the page runs on in the tool to the page's own end,
  // and the tool's loads back on the page.
  writeFileSync(join(work, 'page.vxs'), Buffer.from(await fresh.eval('Array.from(varnox.saveState())')));
  runTool(['--load-state', 'page.vxs', '--ticks', '40', '--hold', '42@3-4', '--save-state', 'tool.vxs']);
  await fresh.eval('varnox.hold(42, 123, 124); varnox.runTicks(40)');
  const toolState = [...readFileSync(join(work, 'tool.vxs'))];
  check('a state saved on the page ends in the tool as on the page',
    JSON.stringify(await fresh.eval('Array.from(varnox.saveState())')) === JSON.stringify(toolState));
  await fresh.eval('varnox.runTicks(7)');
  await fresh.eval(`varnox.loadState(new Uint8Array(${JSON.stringify(toolState)}))`);
  check('a state saved by the tool loads on the page',
    JSON.stringify(await fresh.eval('Array.from(varnox.saveState())')) === JSON.stringify(toolState));

  // A recording made by the tool, from the page's state, played on the
  // page from the file picker: it ends where the tool's replay ends.
  runTool(['--load-state', 'tool.vxs', '--ticks', '30', '--hold', '43@2-3', '--record', 'tool.vxr']);
  runTool(['--replay', 'tool.vxr', '--save-state', 'replayed.vxs']);
  const pick = async (selector, file) => {
    const { root } = await fresh.send('DOM.getDocument');
    const { nodeId } = await fresh.send('DOM.querySelector', { nodeId: root.nodeId, selector });
    await fresh.send('DOM.setFileInputFiles', { nodeId, files: [join(work, file)] });
  };
  await pick('#replay', 'tool.vxr');
  await waitFor('the replay to start', () => fresh.eval("varnox.m.call('replaying') === 1"), 5000).catch(() => false);
  await fresh.eval('varnox.runTicks(30)');
  check('a recording played on the page ends as the tool\'s replay',
    JSON.stringify(await fresh.eval('Array.from(varnox.saveState())')) ===
      JSON.stringify([...readFileSync(join(work, 'replayed.vxs'))]));

  // A firmware file of the user's, cut short: the window's message.
  writeFileSync(join(work, 'short', 'rom0.bin'), Buffer.alloc(100));
  await pick('#roms', 'short/rom0.bin');
  const expected = 'rom0.bin: 100 bytes, expected 18432';
  const said = await waitFor('the message on the page', async () =>
    ((await fresh.eval("document.getElementById('messages').textContent")).includes(expected)), 5000).catch(() => false);
  check('a short rom0.bin loaded on the page is refused as the window refuses it', said,
    await fresh.eval("document.getElementById('messages').textContent"));

  // CALC typed, "1" clicked on the face, "2+3*4" and Enter typed.
  await live.eval('varnox.resume()');
  await live.type('F2', '', 113);
  await sleep(200);
  const one = await live.eval(`(() => {
    const f = document.getElementById('face').getBoundingClientRect();
    const layout = JSON.parse(JSON.stringify(window.varnox.m.layout));
    const [x, y, w, h] = layout.keys[40].place;
    const s = f.width / layout.size[0];
    return [f.left + (x + w / 2) * s, f.top + (y + h / 2) * s];
  })()`);
  const tickNow = async () => Number(/TICKS=(\d+)/.exec(await live.eval('varnox.stateLine()'))[1]);
  const clickedAt = await tickNow();
  await live.click(one[0], one[1]);
  // The keys of the mouse and the keyboard are two slots: the firmware
  // reads one key at a time, so the typing waits for the click's release.
  await waitFor('the clicked key to be let go',
    async () => (await tickNow()) > clickedAt + 10 && live.eval("varnox.m.call('held', 0) === 0"));
  for (const [key, code] of [['2', 50], ['+', 187], ['3', 51], ['*', 56], ['4', 52]]) await live.type(key, key, code);
  await live.type('Enter', '\r', 13);
  const golden = readFileSync(join(here, '../firmware/golden/calc-precedence.pbm'), 'utf8');
  const shown = await waitFor('12+3*4 = 24 on the display', async () => {
    const screen = await live.eval('varnox.screen()');
    return belowStatus(screen) === belowStatus(golden) ? screen : null;
  }, 10000).catch(() => null);
  check('a click on "1" and typed keys reach the calculator: 12+3*4 shows 24', shown !== null,
    (await live.eval('varnox.screen()')).replace(/ /g, '').replace(/0/g, '.').replace(/1/g, '#'));

  // RAM kept across visits, saved as the page is left: after a reload,
  // ANS is still the last result.
  await live.send('Page.reload');
  await waitFor('the page to start again', () => live.eval("document.body?.dataset.ready === 'yes'"));
  await sleep(300);
  await live.type('F2', '', 113);
  await sleep(300);
  await live.type(']', ']', 221);
  await sleep(300);
  await live.type('Enter', '\r', 13);
  const resultRows = (pbm) => belowStatus(pbm).split('\n').slice(32, 40).join('\n');
  const kept = await waitFor('ANS = 24 after the reload', async () =>
    resultRows(await live.eval('varnox.screen()')) === resultRows(golden), 10000).catch(() => false);
  check('RAM is kept across a reload of the page: ANS is 24', kept,
    (await live.eval('varnox.screen()')).replace(/ /g, '').replace(/0/g, '.').replace(/1/g, '#'));

  await checkScale(live, check, '1280x1000');
  const wide = await openStarted(browser, url, 1920, 1080);
  await checkScale(wide, check, '1920x1080');
  if (shotsDir) {
    await live.screenshot(join(shotsDir, 'page-1280x1000-calc-24.png'), writeFileSync);
    await fresh.screenshot(join(shotsDir, 'page-1024x768-after-script.png'), writeFileSync);
    await wide.screenshot(join(shotsDir, 'page-1920x1080.png'), writeFileSync);
  }

  // The face's first drawing, malformed files, firmware switches, the
  // storage, each on a page of its own.
  await checkFaceBeforeStorage(browser, url, check);
  writeFileSync(join(work, 'bad.vxr'), 'hello\n');
  writeFileSync(join(work, 'bad.vxs'), 'hello');
  const ownRom = readFileSync(join(work, 'rom0.bin'));
  ownRom[ownRom.length - 1] ^= 0xff;
  writeFileSync(join(work, 'own', 'rom0.bin'), ownRom);
  const mem = await openStarted(browser, `${url}?paused`, 1024, 768);
  await checkReaders(mem, check, work, toolSays);
  await checkFirmwareMemory(mem, check, { short: join(work, 'short', 'rom0.bin'), own: join(work, 'own', 'rom0.bin') });
  const storing = await openStarted(browser, url, 1024, 768);
  await checkStorage(storing, check);
  // Last: on the code before, one of these never returned.
  const args = await openStarted(browser, `${url}?paused`, 1024, 768);
  await checkScriptArguments(args, check);

} catch (error) {
  check('the page test ran to its end', false, error.stack);
} finally {
  await browser.close();
  server.close();
  rmSync(work, { recursive: true, force: true });
}
process.exit(failures ? 1 : 0);
