// The checks of window.varnox's arguments: each throws an Error that names
// the function, the argument, its range and what it was given.

// What was given, as a script would write it.
function shown(value) {
  if (typeof value === 'string') return JSON.stringify(value.length > 40 ? `${value.slice(0, 40)}...` : value);
  if (typeof value === 'bigint') return `${value}n`;
  if (value === null || typeof value !== 'object') return String(value);
  return Object.prototype.toString.call(value).slice(8, -1);
}

function refuse(fn, name, wanted, value) {
  throw new Error(`varnox.${fn}: ${name} must be ${wanted}, not ${shown(value)}`);
}

// A whole number from low to high.
export function checkWhole(fn, name, value, low, high) {
  if (typeof value !== 'number' || !Number.isInteger(value) || value < low || value > high) {
    refuse(fn, name, `a whole number from ${low} to ${high}`, value);
  }
}

export function checkChoice(fn, name, value, choices) {
  if (!choices.includes(value)) refuse(fn, name, `one of ${choices.join(', ')}`, value);
}

// Bytes as a Uint8Array, an ArrayBuffer or an array of whole numbers
// 0..255; returns them as a Uint8Array.
export function checkBytes(fn, name, value) {
  if (value instanceof Uint8Array) return value;
  if (value instanceof ArrayBuffer) return new Uint8Array(value);
  const wanted = 'a Uint8Array, an ArrayBuffer or an array of whole numbers 0..255';
  if (!Array.isArray(value)) refuse(fn, name, wanted, value);
  const bad = value.findIndex((b) => typeof b !== 'number' || !Number.isInteger(b) || b < 0 || b > 255);
  if (bad >= 0) refuse(fn, `${name}[${bad}]`, 'a whole number from 0 to 255', value[bad]);
  return Uint8Array.from(value);
}
