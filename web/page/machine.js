// The module's machine for the page: the kit built into the module copied
// into the machine's folder with the files the page keeps, and the
// module's functions under names of their own.
export const MachineDir = '/varnox';
const KitDir = '/kit';
const UploadDir = '/upload';
// The files a visit keeps: what the machine saves, and the user's firmware.
export const MemoryFiles = ['ram.bin', 'register.bin'];
export const FirmwareFiles = ['rom0.bin', 'rom1.bin'];

export class PageMachine {
  static async create(keptFiles) {
    const module = await createVarnoxModule();
    return new PageMachine(module, keptFiles);
  }

  constructor(module, keptFiles) {
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
    for (const name of FS.readdir(KitDir)) {
      if (name !== '.' && name !== '..') FS.writeFile(`${MachineDir}/${name}`, FS.readFile(`${KitDir}/${name}`));
    }
    for (const [name, bytes] of Object.entries(keptFiles)) FS.writeFile(`${MachineDir}/${name}`, bytes);
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

  // The kit's own file back in place of the user's.
  restoreKitFile(name) { this.writeFile(name, this.module.FS.readFile(`${KitDir}/${name}`)); }

  // An uploaded file put where the module can open it, under its own name
  // (its last part alone), so that messages name it.
  upload(name, bytes) {
    const base = name.split(/[\\/]/).pop() || 'upload';
    const path = `${UploadDir}/${base}`;
    this.module.FS.writeFile(path, bytes);
    return path;
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
  loadState(name, bytes) { return this.fns.loadState(this.h, this.upload(name, bytes)) || null; }
  replay(name, bytes) { return this.fns.replay(this.h, this.upload(name, bytes)) || null; }

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
