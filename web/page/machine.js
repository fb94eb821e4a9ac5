// The module's machine for the page: the kit built into the module copied
// into the machine's folder with the files the page keeps, and the
// module's functions under names of their own.
export const MachineDir = '/varnox';
const KitDir = '/kit';
const UploadDir = '/upload';
// The files a visit keeps: what the machine saves, with the copies it
// keeps of what it did not read in full, and the user's firmware.
export const MemoryFiles = ['ram.bin', 'register.bin'];
export const FirmwareFiles = ['rom0.bin', 'rom1.bin'];
const MemoryFile = /^(ram|register)\.bin(\.bak(\.[0-9]+)?)?$/;
export const isMemoryFile = (name) => MemoryFile.test(name);

// A firmware's identity: 8 hex digits of a 32-bit FNV-1a hash of rom0.bin
// and rom1.bin (a missing file hashed as none).
export function firmwareId(roms) {
  let hash = 0x811c9dc5;
  for (const name of FirmwareFiles) {
    const bytes = roms[name];
    hash = Math.imul(hash ^ (bytes ? 1 : 0), 0x01000193) >>> 0;
    for (const b of bytes ?? []) hash = Math.imul(hash ^ b, 0x01000193) >>> 0;
  }
  return hash.toString(16).padStart(8, '0');
}

export class PageMachine {
  static async create() {
    const module = await createVarnoxModule();
    return new PageMachine(module);
  }

  constructor(module) {
    this.module = module;
    const FS = module.FS;
    const fn = (name, result, args) => module.cwrap(name, result, args);
    this.fns = {
      create: fn('vx_create', 'number', ['string']),
      powerOn: fn('vx_power_on', 'string', ['number']),
      frame: fn('vx_frame', 'number', ['number', 'number', 'number']),
      runTicks: fn('vx_run_ticks', null, ['number', 'number']),
      setPaused: fn('vx_set_paused', null, ['number', 'number']),
      paused: fn('vx_paused', 'number', ['number']),
      setSpeed: fn('vx_set_speed', null, ['number', 'number']),
      mouseDown: fn('vx_mouse_down', null, ['number', 'number']),
      mouseUp: fn('vx_mouse_up', null, ['number']),
      keyDown: fn('vx_key_down', null, ['number', 'number']),
      keyTyped: fn('vx_key_typed', null, ['number', 'number']),
      pressKey: fn('vx_press_key', null, ['number', 'number']),
      keyUp: fn('vx_key_up', null, ['number']),
      releaseKeys: fn('vx_release_keys', null, ['number']),
      setPrint: fn('vx_set_print', null, ['number', 'number']),
      setPower: fn('vx_set_power', null, ['number', 'number']),
      reset: fn('vx_reset', null, ['number']),
      hold: fn('vx_hold', null, ['number', 'number', 'number', 'number']),
      held: fn('vx_held', 'number', ['number', 'number']),
      powered: fn('vx_powered', 'number', ['number']),
      replaying: fn('vx_replaying', 'number', ['number']),
      saveMemory: fn('vx_save_memory', 'number', ['number']),
      text: fn('vx_text', 'string', ['number']),
      firmwareLoaded: fn('vx_firmware_loaded', 'number', ['number']),
      saveState: fn('vx_save_state', 'number', ['number']),
      bytes: fn('vx_bytes', 'number', ['number']),
      loadState: fn('vx_load_state', 'string', ['number', 'string']),
      replay: fn('vx_replay', 'string', ['number', 'string']),
      stateLine: fn('vx_state_line', 'string', ['number']),
      screen: fn('vx_screen', 'string', ['number']),
      readDisplay: fn('vx_read_display', 'number', ['number']),
      dots: fn('vx_dots', 'number', ['number']),
      truncatedBitmap: fn('vx_truncated_bitmap', 'number', ['number', 'number']),
      faceLayout: fn('vx_face_layout', 'string', ['number']),
    };
    FS.mkdir(MachineDir);
    FS.mkdir(UploadDir);
    FS.chdir(UploadDir);
    for (const name of FS.readdir(KitDir)) {
      if (name !== '.' && name !== '..') FS.writeFile(`${MachineDir}/${name}`, FS.readFile(`${KitDir}/${name}`));
    }
    this.h = this.fns.create(MachineDir);
    this.layout = JSON.parse(this.fns.faceLayout(this.h));
  }

  // Lines of a text the module handed back, without empty ones.
  static lines(text) { return text.split('\n').filter((line) => line !== ''); }

  powerOn() { return PageMachine.lines(this.fns.powerOn(this.h)); }

  // The file of the machine's folder, or null when there is none.
  readFile(name) {
    try {
      return this.module.FS.readFile(`${MachineDir}/${name}`);
    } catch {
      return null;
    }
  }

  writeFile(name, bytes) { this.module.FS.writeFile(`${MachineDir}/${name}`, bytes); }

  kitFile(name) { return this.module.FS.readFile(`${KitDir}/${name}`); }

  // The firmware files of the machine's folder: { name: bytes or null }.
  firmware() { return Object.fromEntries(FirmwareFiles.map((name) => [name, this.readFile(name)])); }

  // { name: bytes } of the memory files in the machine's folder.
  memoryFiles() {
    const names = this.module.FS.readdir(MachineDir).filter(isMemoryFile);
    return Object.fromEntries(names.map((name) => [name, this.readFile(name)]));
  }

  // The memory files of the folder replaced by `files`: those of another
  // firmware.
  replaceMemoryFiles(files) {
    for (const name of Object.keys(this.memoryFiles())) this.module.FS.unlink(`${MachineDir}/${name}`);
    for (const [name, bytes] of Object.entries(files)) this.writeFile(name, bytes);
  }

  // An uploaded file put where the module can open it, under its own name
  // (its last part alone) in the current folder, so that messages name it
  // as the user knows it.
  upload(name, bytes) {
    const last = name.split(/[\\/]/).pop();
    const path = last && last !== '.' && last !== '..' ? last : 'upload';
    this.module.FS.writeFile(path, bytes);
    return path;
  }

  // `read(path)` on an uploaded file, which is gone after it.
  withUpload(name, bytes, read) {
    const path = this.upload(name, bytes);
    try {
      return read(path);
    } finally {
      this.module.FS.unlink(path);
    }
  }

  // { saved: bool, failed: bool, messages: [] }
  saveMemory() {
    const result = this.fns.saveMemory(this.h);
    if (result < 0) return { saved: false, failed: false, messages: [] };
    return { saved: result === 0, failed: result === 1, messages: PageMachine.lines(this.fns.text(this.h)) };
  }

  saveState() {
    const size = this.fns.saveState(this.h);
    const at = this.fns.bytes(this.h);
    return this.module.HEAPU8.slice(at, at + size);
  }

  // null when loaded, else the message naming the file.
  loadState(name, bytes) { return this.withUpload(name, bytes, (path) => this.fns.loadState(this.h, path)) || null; }
  replay(name, bytes) { return this.withUpload(name, bytes, (path) => this.fns.replay(this.h, path)) || null; }

  // The display as it shows now: { changed: since the last read, dots: the
  // 96 x 64 dots (1 black), or null when the display is unpowered }.
  readDisplay() {
    const read = this.fns.readDisplay(this.h);
    const at = this.fns.dots(this.h);
    return { changed: (read & 1) !== 0, dots: read & 2 ? this.module.HEAPU8.subarray(at, at + 96 * 64) : null };
  }

  isTruncatedBitmap(bytes) {
    const at = this.module._malloc(Math.max(bytes.length, 1));
    this.module.HEAPU8.set(bytes, at);
    const truncated = this.fns.truncatedBitmap(at, bytes.length) !== 0;
    this.module._free(at);
    return truncated;
  }

  call(name, ...args) { return this.fns[name](this.h, ...args); }
}
