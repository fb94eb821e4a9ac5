// The page: the machine run from the browser's animation frames, its face,
// keys and switches, the files the user brings, and window.varnox for
// scripts.
import { Face } from './face.js';
import { FirmwareFiles, MemoryFiles, PageMachine } from './machine.js';
import { FileStore } from './storage.js';
import { ScriptInterface } from './script.js';

const SaveEveryMs = 5000;
const MessageMs = 8000;
const KeysFile = 'keys.bmp';
const MaxKeysFileBytes = 4 << 20;

const messages = document.getElementById('messages');
function show(lines) {
  for (const line of lines) {
    const box = document.createElement('div');
    box.textContent = line;
    messages.append(box);
    setTimeout(() => box.remove(), MessageMs);
  }
}

// keys.bmp from the machine's folder as the window takes it: a regular
// file of the right size, not cut short, decoded to 210 x 99 pixels.
async function loadKeyFaces(machine) {
  const failure = `Failed to load the file ${KeysFile}`;
  const bytes = machine.readFile(KeysFile);
  const [width, height] = machine.layout.picture;
  if (!bytes || bytes.length > MaxKeysFileBytes || machine.isTruncatedBitmap(bytes)) return [null, failure];
  try {
    const picture = await createImageBitmap(new Blob([bytes], { type: 'image/bmp' }));
    if (picture.width === width && picture.height === height) return [picture, null];
  } catch {
    // Not a picture: said below.
  }
  return [null, failure];
}

class Page {
  constructor(machine, store, face) {
    this.machine = machine;
    this.store = store;
    this.face = face;
    this.lastFrame = null;
    this.frameMs = 1000 / 60;
    this.ticks = 0;
  }

  start(messagesAtStart) {
    show(messagesAtStart);
    const paused = new URLSearchParams(location.search).has('paused');
    this.machine.call('setPaused', paused ? 1 : 0);
    this.showControls();
    requestAnimationFrame((t) => this.frame(t));
    setInterval(() => this.saveMemory(), SaveEveryMs);
    // Saved as the window saves on closing.
    addEventListener('pagehide', () => this.saveMemory());
    document.addEventListener('visibilitychange', () => {
      if (document.visibilityState === 'hidden') this.saveMemory();
    });
  }

  frame(time) {
    const elapsed = this.lastFrame === null ? 0 : time - this.lastFrame;
    if (elapsed > 0) this.frameMs = 0.9 * this.frameMs + 0.1 * Math.min(elapsed, 100);
    this.lastFrame = time;
    // At Unlimited the machine has most of the frame; the page draws in
    // the rest.
    const until = performance.now() + 0.75 * this.frameMs;
    this.ticks += this.machine.call('frame', elapsed, until);
    this.paint();
    requestAnimationFrame((t) => this.frame(t));
  }

  // Drawn again only when something shown changed: at Unlimited the
  // frame's time goes to the machine.
  paint(always = false) {
    const m = this.machine;
    const state = this.face.state;
    const held = [m.call('held', 0), m.call('held', 1)];
    state.down = new Set(held);
    state.print = m.call('held', 2) !== 0;
    state.power = m.call('powered') !== 0;
    state.mark = m.call('replaying') ? 'PLAY' : '';
    const display = m.readDisplay();
    const shown = JSON.stringify([held, state.print, state.power, state.mark]);
    if (shown === this.shown && !display.changed && !always) return;
    this.shown = shown;
    this.face.draw(display.dots);
  }

  showControls() {
    document.getElementById('pause').textContent = this.machine.call('paused') ? 'Resume' : 'Pause';
    document.getElementById('status').textContent = this.machine.call('paused') ? 'Paused' : '';
  }

  // RAM and register file kept in the browser, when the machine ran since
  // the last save.
  async saveMemory() {
    const result = this.machine.saveMemory();
    show(result.messages);
    if (!result.saved) return;
    const files = {};
    for (const name of MemoryFiles) {
      const bytes = this.machine.readFile(name);
      if (bytes) files[name] = bytes;
    }
    try {
      await this.store.put(files);
    } catch (error) {
      show([`Failed to keep ${MemoryFiles.join(' and ')} in the browser's storage: ${error}`]);
    }
  }

  // The user's firmware: kept, then the machine started over it as at a
  // new visit, with the window's checks and messages.
  async loadFirmware(files) {
    const taken = {};
    for (const file of files) {
      if (FirmwareFiles.includes(file.name)) {
        taken[file.name] = new Uint8Array(await file.arrayBuffer());
      } else {
        show([`${file.name}: not a firmware file (rom0.bin or rom1.bin)`]);
      }
    }
    if (Object.keys(taken).length === 0) return;
    await this.saveMemory();
    for (const [name, bytes] of Object.entries(taken)) this.machine.writeFile(name, bytes);
    await this.store.put(taken);
    this.powerOnAndRun();
  }

  async defaultFirmware() {
    await this.saveMemory();
    for (const name of FirmwareFiles) {
      this.machine.restoreKitFile(name);
      await this.store.remove(name);
    }
    this.powerOnAndRun();
  }

  powerOnAndRun() {
    show(this.machine.powerOn());
    this.machine.call('setPaused', 0);
    this.showControls();
  }

  async loadStateFile(file) {
    const failure = this.machine.loadState(file.name, new Uint8Array(await file.arrayBuffer()));
    show([failure ?? `${file.name}: state loaded`]);
  }

  async replayFile(file) {
    const failure = this.machine.replay(file.name, new Uint8Array(await file.arrayBuffer()));
    show([failure ?? `${file.name}: playing`]);
  }

  downloadState() {
    const link = document.createElement('a');
    link.href = URL.createObjectURL(new Blob([this.machine.saveState()], { type: 'application/octet-stream' }));
    link.download = 'state.vxs';
    link.click();
    setTimeout(() => URL.revokeObjectURL(link.href), 10000);
  }

  // A file by its ending: firmware, a state or a recording.
  async openFiles(files) {
    const firmware = [];
    for (const file of files) {
      if (file.name.endsWith('.vxs')) await this.loadStateFile(file);
      else if (file.name.endsWith('.vxr')) await this.replayFile(file);
      else firmware.push(file);
    }
    if (firmware.length) await this.loadFirmware(firmware);
  }
}

function wireControls(page) {
  const m = page.machine;
  const byId = (id) => document.getElementById(id);
  byId('pause').addEventListener('click', () => {
    m.call('setPaused', m.call('paused') ? 0 : 1);
    page.showControls();
  });
  byId('speed').addEventListener('change', (e) => m.call('setSpeed', Number(e.target.value)));
  byId('reset').addEventListener('click', () => m.call('reset'));
  byId('save-state').addEventListener('click', () => page.downloadState());
  byId('default-roms').addEventListener('click', () => page.defaultFirmware());
  const onFiles = (id, handle) =>
    byId(id).addEventListener('change', async (e) => {
      await handle([...e.target.files]);
      e.target.value = '';
    });
  onFiles('roms', (files) => page.loadFirmware(files));
  onFiles('load-state', (files) => page.loadStateFile(files[0]));
  onFiles('replay', (files) => page.replayFile(files[0]));

  addEventListener('dragover', (e) => {
    e.preventDefault();
    document.body.classList.add('dropping');
  });
  addEventListener('dragleave', () => document.body.classList.remove('dropping'));
  addEventListener('drop', (e) => {
    e.preventDefault();
    document.body.classList.remove('dropping');
    page.openFiles([...e.dataTransfer.files]);
  });
}

function wireFace(page) {
  const m = page.machine;
  const canvas = page.face.canvas;
  canvas.addEventListener('pointerdown', (e) => {
    const rect = canvas.getBoundingClientRect();
    const hit = page.face.hit(e.clientX - rect.left, e.clientY - rect.top);
    canvas.focus();
    if (typeof hit === 'number') {
      canvas.setPointerCapture(e.pointerId);
      m.call('mouseDown', hit);
    } else if (hit === 'print') {
      m.call('setPrint', m.call('held', 2) ? 0 : 1);
    } else if (hit === 'power') {
      m.call('setPower', m.call('powered') ? 0 : 1);
    }
    e.preventDefault();
  });
  const up = () => m.call('mouseUp');
  canvas.addEventListener('pointerup', up);
  canvas.addEventListener('pointercancel', up);
  canvas.addEventListener('contextmenu', (e) => e.preventDefault());

  // The PC keys as the window takes them: the key, then what it typed; a
  // key held by auto-repeat is pressed once. Keys with Ctrl, Alt or Meta
  // are the browser's.
  addEventListener('keydown', (e) => {
    if (e.ctrlKey || e.altKey || e.metaKey || e.target instanceof HTMLInputElement || e.target instanceof HTMLSelectElement) return;
    e.preventDefault();
    if (e.repeat) return;
    m.call('keyDown', e.keyCode);
    if ([...e.key].length === 1) m.call('keyTyped', e.key.codePointAt(0));
  });
  addEventListener('keyup', (e) => {
    if (e.ctrlKey || e.altKey || e.metaKey) return;
    m.call('keyUp');
  });
  addEventListener('blur', () => m.call('releaseKeys'));

  const fit = () => {
    const bar = document.getElementById('bar').getBoundingClientRect().height;
    page.face.fit(innerWidth * devicePixelRatio, (innerHeight - bar - 16) * devicePixelRatio);
    page.paint(true);
  };
  addEventListener('resize', fit);
  fit();
}

async function main() {
  let store = null;
  let kept = {};
  const warnings = [];
  try {
    store = await FileStore.open();
    kept = await store.all();
  } catch (error) {
    warnings.push(`The browser's storage could not be opened (${error}): RAM will not be kept`);
    store = { put: async () => {}, remove: async () => {} };
  }
  const machine = await PageMachine.create(kept);
  const messagesAtStart = machine.powerOn();
  const face = new Face(document.getElementById('face'), machine.layout);
  const [faces, failure] = await loadKeyFaces(machine);
  face.faces = faces;
  if (failure) warnings.push(failure);
  const page = new Page(machine, store, face);
  wireControls(page);
  wireFace(page);
  window.varnox = new ScriptInterface(page);
  page.start([...messagesAtStart, ...warnings]);
  document.body.dataset.ready = 'yes';
}

main();
