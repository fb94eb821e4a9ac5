// The page's checks of what scripts, files and the browser's storage hand
// it, its firmware switches and its size: each a function of a page (or
// the browser) and the test's `check`.
import { waitFor } from './cdp.mjs';

// What an expression throws (or rejects with), '' when it does not; a
// call that has not returned in 10 s is a failure too.
const thrown = (page, call) => Promise.race([
  page.eval(`(async () => {
    try { await ${call}; return ''; } catch (e) { return e instanceof Error ? e.message : 'not an Error: ' + e; }
  })()`),
  new Promise((resolve) => setTimeout(() => resolve('no answer in 10 s'), 10000)),
]);

// window.varnox refuses what the tool's options refuse, naming the
// argument and its range, and the machine stays as it was. Those that hung
// the page come last.
const BadCalls = [
  ['varnox.hold(999, 0, 100)', 'varnox.hold: key must be a whole number from 1 to 53, not 999'],
  ['varnox.hold(5, 10, 3)', 'varnox.hold: toTick must be a whole number from 10 to 9007199254740991, not 3'],
  ['varnox.hold(5, -1, 3)', 'varnox.hold: fromTick must be a whole number from 0 to 9007199254740991, not -1'],
  ['varnox.press(999)', 'varnox.press: key must be a whole number from 1 to 53, not 999'],
  ['varnox.press("1")', 'varnox.press: key must be a whole number from 1 to 53, not "1"'],
  ['varnox.setSpeed(-1)', 'varnox.setSpeed: speed must be one of 1, 2, 4, 8, 0, not -1'],
  ['varnox.setSpeed(3)', 'varnox.setSpeed: speed must be one of 1, 2, 4, 8, 0, not 3'],
  ['varnox.runTicks(NaN)', 'varnox.runTicks: n must be a whole number from 0 to 1000000000, not NaN'],
  ["varnox.runTicks('abc')", 'varnox.runTicks: n must be a whole number from 0 to 1000000000, not "abc"'],
  ['varnox.runTicks()', 'varnox.runTicks: n must be a whole number from 0 to 1000000000, not undefined'],
  ['varnox.runTicks(1.5)', 'varnox.runTicks: n must be a whole number from 0 to 1000000000, not 1.5'],
  ['varnox.loadState("x")', 'varnox.loadState: bytes must be a Uint8Array, an ArrayBuffer or an array of whole numbers 0..255, not "x"'],
  ['varnox.loadState([1, 256])', 'varnox.loadState: bytes[1] must be a whole number from 0 to 255, not 256'],
  ['varnox.setSpeed(100000)', 'varnox.setSpeed: speed must be one of 1, 2, 4, 8, 0, not 100000'],
  ['varnox.runTicks(2 ** 53)', 'varnox.runTicks: n must be a whole number from 0 to 1000000000, not 9007199254740992'],
];

const Whole = '[varnox.stateLine(), Array.from(varnox.saveState())]';

export async function checkScriptArguments(page, check) {
  const before = await page.eval(Whole);
  const wrong = [];
  for (const [call, message] of BadCalls) {
    const said = await thrown(page, call);
    if (said !== message) wrong.push(`${call}: ${said || 'no error'}`);
  }
  check('every window.varnox function refuses a bad argument with an Error naming it and its range',
    wrong.length === 0, wrong.join('\n'));
  if (wrong.some((line) => line.endsWith('no answer in 10 s'))) return;  // the page is stuck in it
  const after = await page.eval(Whole);
  const loadsBack = (await thrown(page, 'varnox.loadState(varnox.saveState())')) === '';
  check('refused calls change nothing: the same line and state, which loads back',
    JSON.stringify(after) === JSON.stringify(before) && loadsBack);
}

// A file's bytes picked in the page's file input `selector`.
async function pick(page, selector, file) {
  const { root } = await page.send('DOM.getDocument');
  const { nodeId } = await page.send('DOM.querySelector', { nodeId: root.nodeId, selector });
  await page.send('DOM.setFileInputFiles', { nodeId, files: [file] });
}

const messagesOf = (page) => page.eval("document.getElementById('messages').textContent");

// A malformed recording or state picked on the page: the tool's message;
// a thousand refusals of a large recording leave the heap as it was.
// `dir` holds the files bad.vxr and bad.vxs; `toolSays(args)`, the
// tool's message for run ARGS there.
export async function checkReaders(page, check, dir, toolSays) {
  for (const [selector, file, option] of [['#replay', 'bad.vxr', '--replay'], ['#load-state', 'bad.vxs', '--load-state']]) {
    const expected = toolSays([option, file]);
    await pick(page, selector, `${dir}/${file}`);
    const shown = await waitFor(`the message for ${file}`, async () => (await messagesOf(page)).includes(expected), 5000)
      .catch(() => false);
    check(`a malformed ${option.slice(2)} file on the page says what the tool says: ${expected}`, shown,
      await messagesOf(page));
  }
  const heap = await page.eval(`(() => {
    const m = varnox.m;
    const before = m.module.HEAPU8.length;
    const big = new Uint8Array(1 << 20).fill(65);
    const said = new Set();
    for (let i = 0; i < 300; ++i) said.add(m.replay('big.vxr', big));
    return [before, m.module.HEAPU8.length, [...said]];
  })()`);
  check('300 refusals of a 1 MB recording: one message, and the heap grows by less than 16 MB',
    heap[1] - heap[0] < (16 << 20) && heap[2].length === 1 && /^Failed to load the recording big.vxr: line 1:/.test(heap[2][0]),
    JSON.stringify(heap));
}

// In-page: the files the page keeps in the browser's storage, as arrays.
const Stored = `new Promise((resolve, reject) => {
  const opening = indexedDB.open('varnox');
  opening.onerror = () => reject(opening.error);
  opening.onsuccess = () => {
    const store = opening.result.transaction('files').objectStore('files');
    const names = store.getAllKeys();
    const values = store.getAll();
    values.onsuccess = () => { resolve(Object.fromEntries(names.result.map((n, i) => [n, Array.from(values.result[i])]))); opening.result.close(); };
  };
})`;
const same = (a, b) => JSON.stringify(a) === JSON.stringify(b);

// A firmware refused keeps nothing over the kit's RAM; one's own firmware
// starts on its own RAM, said loaded; each keeps its own. `files.short`: a
// 100-byte rom0.bin; `files.own`: a rom0.bin of the right size but not
// the kit's.
export async function checkFirmwareMemory(page, check, files) {
  // The kit's RAM saved and kept, the page paused, so that the memory
  // changes only by the saves below.
  await page.eval(`(async () => {
    varnox.pause();
    varnox.runTicks(50);
    await varnox.page.saveMemory();
  })()`);
  const kitId = await page.eval('varnox.page.firmwareId');
  const kitRam = (await page.eval(Stored))[`${kitId}:ram.bin`];
  await pick(page, '#roms', files.short);
  await waitFor('the short rom0.bin to be refused', async () => (await page.eval('varnox.page.firmwareId')) !== kitId, 5000)
    .catch(() => false);
  await page.eval('varnox.runTicks(50); varnox.page.saveMemory()');
  const afterRefusal = (await page.eval(Stored))[`${kitId}:ram.bin`];
  await page.eval('varnox.page.defaultFirmware()');
  check('a firmware refused stores nothing over the kit\'s RAM, which comes back with the default firmware',
    kitRam && same(afterRefusal, kitRam) && same(await page.eval("Array.from(varnox.m.readFile('ram.bin'))"), kitRam));
  check('the default firmware is said loaded', (await messagesOf(page)).includes('Firmware loaded: the default firmware'));

  await pick(page, '#roms', files.own);
  await waitFor('"Firmware loaded: rom0.bin"', async () => (await messagesOf(page)).includes('Firmware loaded: rom0.bin'), 5000)
    .catch(() => false);
  const ownId = await page.eval('varnox.page.firmwareId');
  const ownStart = await page.eval("varnox.m.readFile('ram.bin')");
  check('one\'s own firmware is said loaded and starts on RAM of its own, empty the first time',
    ownId !== kitId && ownStart === null && (await messagesOf(page)).includes('Firmware loaded: rom0.bin'));
  await page.eval('varnox.runTicks(50); varnox.page.saveMemory()');
  const ownRam = (await page.eval(Stored))[`${ownId}:ram.bin`];
  await page.eval('varnox.page.defaultFirmware()');
  const stored = await page.eval(Stored);
  check('each firmware keeps its own RAM: the kit\'s comes back as it was',
    ownRam && same(stored[`${kitId}:ram.bin`], kitRam) &&
      same(await page.eval("Array.from(varnox.m.readFile('ram.bin'))"), kitRam));
}

// In-page: entries written to the page's storage as an earlier page or a
// hand would, then the page loaded again.
const Spoil = `new Promise((resolve, reject) => {
  const opening = indexedDB.open('varnox');
  opening.onerror = () => reject(opening.error);
  opening.onsuccess = () => {
    const transaction = opening.result.transaction('files', 'readwrite');
    const store = transaction.objectStore('files');
    store.put('not bytes', 'ram.bin');
    store.put(new Uint8Array([1, 2, 3]), 'a/b.bin');
    store.put(new Uint8Array(100).fill(7), varnox.page.firmwareId + ':ram.bin');
    localStorage.setItem('varnox-pending-files', '{not JSON');
    transaction.oncomplete = () => { opening.result.close(); resolve(); };
  };
})`;

const Aside = `new Promise((resolve) => {
  const opening = indexedDB.open('varnox');
  opening.onsuccess = () => {
    const values = opening.result.transaction('aside').objectStore('aside').getAll();
    values.onsuccess = () => { resolve([values.result.length, localStorage.getItem('varnox-pending-files-aside')]); opening.result.close(); };
  };
})`;

// Entries the page cannot use are moved aside with one message and the
// page starts; a ram.bin not read in full keeps its copy in the storage.
export async function checkStorage(page, check) {
  // Paused and saved first, so that leaving the page saves nothing over
  // what is written here.
  await page.eval('varnox.pause(); varnox.page.saveMemory()');
  await page.eval(Spoil);
  const id = await page.eval('varnox.page.firmwareId');
  await page.send('Page.reload');
  const started = await waitFor('the page with spoilt storage to start',
    () => page.eval("document.body?.dataset.ready === 'yes'").catch(() => false), 20000).catch(() => false);
  const said = started ? await messagesOf(page) : '';
  check('bad storage entries are set aside with a message, and the page starts',
    started && said.includes('a/b.bin (not a file of the page)') && said.includes('ram.bin (not bytes)') &&
      said.includes('could not be read back') && same(await page.eval(Aside), [2, '{not JSON']), said);
  if (!started) return;
  await page.eval('varnox.runTicks(5); varnox.page.saveMemory()');
  const stored = await page.eval(Stored);
  check('a copy of a ram.bin not read in full is kept in the browser\'s storage',
    same(stored[`${id}:ram.bin.bak`], new Array(100).fill(7)) && stored[`${id}:ram.bin`]?.length === 8192 &&
      (await messagesOf(page)).includes('ram.bin.bak'),
    Object.keys(stored).join(', '));
  await page.send('Page.reload');
  await waitFor('the page to start again', () => page.eval("document.body?.dataset.ready === 'yes'").catch(() => false));
  check('what was set aside is said once', !(await messagesOf(page)).includes('cannot use'));
}

// The face at the largest whole number of pixels a dot that fits below
// the bar, the display exactly the dots' size.
export async function checkScale(page, check, size) {
  const [dot, fitsNext, place] = await page.eval(`(() => {
    const face = varnox.page.face;
    const [w, h] = face.layout.size;
    const perDot = face.layout.display[2] / 96;
    const dot = face.scale * perDot;
    const room = [innerWidth, innerHeight - document.getElementById('bar').getBoundingClientRect().height - 16];
    const next = (dot + 1) / perDot;
    const [x, y, dw, dh] = face.layout.display;
    const edge = (v) => Math.round(v * face.scale);
    return [dot, w * next <= room[0] && h * next <= room[1], [edge(x + dw) - edge(x), edge(y + dh) - edge(y)]];
  })()`);
  check(`at ${size} the face has the largest whole number of pixels a dot that fits (${dot})`,
    Number.isInteger(dot) && dot >= 3 && !fitsNext && place[0] === 96 * dot && place[1] === 64 * dot, JSON.stringify([dot, place]));
}

// A page opened and started; an evaluation while it navigates counts as
// not yet.
export async function openStarted(browser, url, width, height, early = null) {
  const page = await browser.open(url, width, height, early);
  await waitFor(`the page at ${width}x${height} to start`,
    () => page.eval("document.body?.dataset.ready === 'yes'").catch(() => false));
  return page;
}

// The face drawn while the browser's storage has not answered.
export async function checkFaceBeforeStorage(browser, url, check) {
  const page = await browser.open(url, 1024, 768, 'indexedDB.open = () => ({});');
  const drawn = await waitFor('the face before the storage answers', () => page.eval(`(() => {
    const canvas = document.getElementById('face');
    if (typeof createVarnoxModule === 'undefined' || !canvas) return false;
    return canvas.getContext('2d').getImageData(0, 0, canvas.width, canvas.height).data.some((v) => v !== 0);
  })()`).catch(() => false), 20000).catch(() => false);
  check('the face is drawn before the browser\'s storage answers', drawn);
}
