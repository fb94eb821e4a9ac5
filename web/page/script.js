// window.varnox: the page for scripts, tests and users alike. Key numbers
// and run ticks count as varnox-tool run --hold counts them, from power-on.
export class ScriptInterface {
  constructor(page) {
    this.page = page;
    this.m = page.machine;
  }

  // As the page's start: the files and the RAM the page keeps, paused, at
  // run tick 0. Returns the messages of the loading.
  powerOn() {
    const messages = this.m.powerOn();
    this.page.showControls();
    return messages;
  }

  press(key) { this.m.call('pressKey', key); }
  release() { this.m.call('keyUp'); }
  hold(key, fromTick, toTick) { this.m.call('hold', key, fromTick, toTick); }

  pause() {
    this.m.call('setPaused', 1);
    this.page.showControls();
  }

  resume() {
    this.m.call('setPaused', 0);
    this.page.showControls();
  }

  // Run ticks back to back, paused or not.
  runTicks(n) {
    this.m.call('runTicks', n);
    this.page.paint();
  }

  // "1x".."8x" as 1..8, Unlimited as 0.
  setSpeed(speed) { this.m.call('setSpeed', speed); }

  screen() { return this.m.call('screen'); }
  stateLine() { return this.m.call('stateLine'); }
  saveState() { return this.m.saveState(); }

  // Rejects with the message naming what is wrong; the machine then stays
  // as it was.
  async loadState(bytes) {
    const failure = this.m.loadState('state.vxs', new Uint8Array(bytes));
    if (failure) throw new Error(failure);
    this.page.paint();
  }
}
