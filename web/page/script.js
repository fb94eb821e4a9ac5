// window.varnox: the page for scripts, tests and users alike. Key numbers
// and run ticks count as varnox-tool run --hold counts them, from power-on.
// Every argument is checked as the tool checks its options: a wrong one
// throws an Error naming it and its range, and changes nothing.
import { checkBytes, checkChoice, checkWhole } from './checks.js';

// As the tool bounds --ticks: a run that ends.
export const MaxRunTicks = 1000000000;
const KeyCount = 53;
const Speeds = [1, 2, 4, 8, 0];

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

  press(key) {
    checkWhole('press', 'key', key, 1, KeyCount);
    this.m.call('pressKey', key);
  }

  release() { this.m.call('keyUp'); }

  // As --hold K@A-B: key 1..53, from A up to B, A <= B.
  hold(key, fromTick, toTick) {
    checkWhole('hold', 'key', key, 1, KeyCount);
    checkWhole('hold', 'fromTick', fromTick, 0, Number.MAX_SAFE_INTEGER);
    checkWhole('hold', 'toTick', toTick, fromTick, Number.MAX_SAFE_INTEGER);
    this.m.call('hold', key, fromTick, toTick);
  }

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
    checkWhole('runTicks', 'n', n, 0, MaxRunTicks);
    this.m.call('runTicks', n);
    this.page.paint();
  }

  // "1x".."8x" as 1..8, Unlimited as 0.
  setSpeed(speed) {
    checkChoice('setSpeed', 'speed', speed, Speeds);
    this.page.setSpeed(speed);
  }

  screen() { return this.m.call('screen'); }
  stateLine() { return this.m.call('stateLine'); }
  saveState() { return this.m.saveState(); }

  // Rejects with the message naming what is wrong; the machine then stays
  // as it was.
  async loadState(bytes) {
    const failure = this.m.loadState('state.vxs', checkBytes('loadState', 'bytes', bytes));
    if (failure) throw new Error(failure);
    this.page.paint();
  }
}
