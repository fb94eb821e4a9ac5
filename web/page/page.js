// The page: the machine run from the browser's animation frames, its face,
// keys and switches, the files the user brings, and window.varnox for
// scripts.
import { Face } from './face.js';
import { FirmwareFiles, MemoryFiles, PageMachine, firmwareId, isMemoryFile } from './machine.js';
import { FileStore, NoStore } from './storage.js';
import { ScriptInterface } from './script.js';

const SaveEveryMs = 5000;
const MessageMs = 8000;
const KeysFile = 'keys.bmp';
const MaxKeysFileBytes = 4 << 20;

// The names the page keeps in the browser's storage: the user's firmware,
// and each firmware's memory files as "ID:NAME" (ID its firmwareId). Plain
// memory file names are those kept before each firmware had its own.
const StoredMemory = /^([0-9a-f]{8}):(.+)$/;
const storedName = (id, name) => `${id}:${name}`;
const isPageFile = (name) => FirmwareFiles.includes(name) || MemoryFiles.includes(name) ||
  (StoredMemory.test(name) && isMemoryFile(StoredMemory.exec(name)[2]));

// { name: bytes } of the memory files kept for firmware `id`.
function memoryOf(kept, id) {
  const files = {};
  for (const [stored, bytes] of Object.entries(kept)) {
    const [, owner, name] = StoredMemory.exec(stored) ?? [];
    if (owner === id) files[name] = bytes;
  }
  return files;
}
const keyed = (id, files) => Object.fromEntries(Object.entries(files).map(([n, b]) => [storedName(id, n), b]));

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
  constructor(machine, store, face, kept) {
    this.machine = machine;
    this.store = store;
    this.face = face;
    // The memory files of every firmware as the storage holds them, so that
    // a switch of firmware finds its own at once.
    this.kept = kept;
    this.firmwareId = firmwareId(machine.firmware());
    this.lastFrame = null;
    this.frameMs = 1000 / 60;
    this.ticks = 0;
  }

  start(messagesAtStart) {
    show(messagesAtStart);
    const paused = new URLSearchParams(location.search).has('paused');
    this.machine.call('setPaused', paused ? 1 : 0);
    this.showControls();
    // Drawn now, not at the first animation frame, which a page in the
    // background or a one-shot screenshot never gets to.
    this.paint(true);
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

  // RAM and register file kept in the browser, with the copies the save
  // kept of what the start did not read in full, when the machine ran
  // since the last save and its start reached them.
  async saveMemory() {
    const files = this.takeMemory();
    if (files) await this.keep(files);
  }

  // The machine's memory saved to its folder: the files to keep, under the
  // firmware's names, or null when nothing was saved.
  takeMemory() {
    const result = this.machine.saveMemory();
    show(result.messages);
    if (!result.saved) return null;
    // A copy is never written over: one kept already is not sent again.
    const files = keyed(this.firmwareId, this.machine.memoryFiles());
    for (const name of Object.keys(files)) if (/\.bak/.test(name) && this.kept[name]) delete files[name];
    return files;
  }

  // Files written to the browser's storage, `removed` deleted, at once.
  async keep(files, removed = []) {
    try {
      await this.store.put(files, removed);
      for (const name of removed) delete this.kept[name];
      Object.assign(this.kept, files);
    } catch (error) {
      show([`Failed to keep ${Object.keys(files).join(', ')} in the browser's storage: ${error}`]);
    }
  }

  // The user's firmware: kept, then the machine started over it as at a
  // new visit, with the window's checks and messages, paused or running as
  // it was.
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
    await this.switchFirmware({ ...this.machine.firmware(), ...taken }, taken, [], Object.keys(taken).join(', '));
  }

  async defaultFirmware() {
    const kit = Object.fromEntries(FirmwareFiles.map((name) => [name, this.machine.kitFile(name)]));
    await this.switchFirmware(kit, {}, FirmwareFiles, 'the default firmware');
  }

  // The machine started as at a new visit on `roms`, with the memory kept
  // for them (none the first time); the memory of the firmware it ran kept
  // for that one. `stored` and `removed`: the firmware files to write to
  // and delete from the storage.
  async switchFirmware(roms, stored, removed, name) {
    // All at once, nothing awaited: the machine never runs one firmware's
    // memory under another's name.
    const kept = this.takeMemory() ?? {};
    const id = firmwareId(roms);
    for (const [file, bytes] of Object.entries(roms)) if (bytes) this.machine.writeFile(file, bytes);
    this.machine.replaceMemoryFiles(memoryOf(this.kept, id));
    this.firmwareId = id;
    const paused = this.machine.call('paused');
    const messages = this.machine.powerOn();
    show(this.machine.call('firmwareLoaded') ? [`Firmware loaded: ${name}`, ...messages] : messages);
    this.machine.call('setPaused', paused);
    this.showControls();
    this.paint(true);
    await this.keep({ ...kept, ...stored }, removed);
  }

  setSpeed(speed) {
    this.machine.call('setSpeed', speed);
    document.getElementById('speed').value = String(speed);
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
  byId('speed').addEventListener('change', (e) => page.setSpeed(Number(e.target.value)));
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

// The face fitted to the window below the bar, in device pixels.
function fitFace(face) {
  const bar = document.getElementById('bar').getBoundingClientRect().height;
  face.fit(innerWidth * devicePixelRatio, (innerHeight - bar - 16) * devicePixelRatio);
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
    fitFace(page.face);
    page.paint(true);
  };
  addEventListener('resize', fit);
  fit();
}

// The memory kept before each firmware had its own is the one of the
// firmware the storage holds: it is moved to that firmware's names.
async function adoptPlainMemory(store, kept, id, warnings) {
  const plain = Object.fromEntries(MemoryFiles.filter((name) => kept[name]).map((name) => [name, kept[name]]));
  if (!Object.keys(plain).length || Object.keys(memoryOf(kept, id)).length) return;
  const moved = keyed(id, plain);
  Object.assign(kept, moved);
  try {
    await store.put(moved, Object.keys(plain));
    for (const name of Object.keys(plain)) delete kept[name];
  } catch (error) {
    warnings.push(`Failed to keep ${Object.keys(moved).join(', ')} in the browser's storage: ${error}`);
  }
}

// { store, kept: { name: bytes }, warnings: [] }
async function openStorage() {
  try {
    const store = await FileStore.open();
    const read = await store.all(isPageFile);
    return { store, kept: read.files, warnings: read.messages };
  } catch (error) {
    const warning = `The browser's storage could not be opened (${error}): RAM will not be kept`;
    return { store: new NoStore(), kept: {}, warnings: [warning] };
  }
}

async function main() {
  // The storage is asked meanwhile: the face shows before it answers, which
  // may take long or, for a one-shot screenshot, never come.
  const storage = openStorage();
  const machine = await PageMachine.create();
  const face = new Face(document.getElementById('face'), machine.layout);
  const [faces, failure] = await loadKeyFaces(machine);
  face.faces = faces;
  fitFace(face);
  face.draw(null);
  const { store, kept, warnings } = await storage;
  if (failure) warnings.push(failure);
  for (const name of FirmwareFiles) if (kept[name]) machine.writeFile(name, kept[name]);
  const id = firmwareId(machine.firmware());
  await adoptPlainMemory(store, kept, id, warnings);
  machine.replaceMemoryFiles(memoryOf(kept, id));
  const messagesAtStart = machine.powerOn();
  const page = new Page(machine, store, face, kept);
  wireControls(page);
  wireFace(page);
  window.varnox = new ScriptInterface(page);
  page.start([...messagesAtStart, ...warnings]);
  document.body.dataset.ready = 'yes';
}

main();
