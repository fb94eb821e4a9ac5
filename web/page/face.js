// The calculator's face on a canvas, drawn from the layout the module
// gives (the window's) at a whole number of pixels per 1x pixel, so every
// dot and key face stays crisp.
const FaceColour = '#d4d0c8';
const Silver = '#c0c0c0';
const DotOn = '#000000';
const Light = '#ffffff';
const Shadow = '#808080';

export class Face {
  constructor(canvas, layout) {
    this.canvas = canvas;
    this.layout = layout;
    this.scale = 1;
    this.faces = null;  // ImageBitmap of keys.bmp, null when it could not be had
    this.state = { down: new Set(), print: false, power: true, mark: '' };
    this.display = document.createElement('canvas');
    this.display.width = 96;
    this.display.height = 64;
    this.displayImage = this.display.getContext('2d').createImageData(96, 64);
  }

  // The largest whole scale at which the face fits the space given.
  fit(width, height) {
    const [w, h] = this.layout.size;
    this.scale = Math.max(1, Math.floor(Math.min(width / w, height / h)));
    this.canvas.width = w * this.scale;
    this.canvas.height = h * this.scale;
    this.canvas.style.width = `${this.canvas.width / devicePixelRatio}px`;
    this.canvas.style.height = `${this.canvas.height / devicePixelRatio}px`;
  }

  // Which key (1..50) or switch ('print', 'power') is at a point of the
  // canvas in CSS pixels; null for none.
  hit(x, y) {
    const s = this.scale / devicePixelRatio;
    const at = (r) => x >= r[0] * s && x < (r[0] + r[2]) * s && y >= r[1] * s && y < (r[1] + r[3]) * s;
    const key = this.layout.keys.findIndex((k) => at(k.place));
    if (key >= 0) return key + 1;
    if (at(this.layout.print.bevel)) return 'print';
    if (at(this.layout.power.bevel)) return 'power';
    return null;
  }

  bevel(ctx, r, sunken) {
    const s = this.scale;
    const [x, y, w, h] = r.map((v) => v * s);
    ctx.fillStyle = sunken ? Shadow : Light;
    ctx.fillRect(x, y, w, s);
    ctx.fillRect(x, y, s, h);
    ctx.fillStyle = sunken ? Light : Shadow;
    ctx.fillRect(x, y + h - s, w, s);
    ctx.fillRect(x + w - s, y, s, h);
  }

  drawSwitch(ctx, place, right) {
    const s = this.scale;
    this.bevel(ctx, place.bevel, true);
    const [x, y, w, h] = place.knob;
    ctx.fillStyle = DotOn;
    ctx.fillRect((x + (right ? place.travel : 0)) * s, y * s, w * s, h * s);
  }

  // The whole face; `dots` the 96 x 64 display (1 black), or null when the
  // display is unpowered.
  draw(dots) {
    const ctx = this.canvas.getContext('2d');
    const s = this.scale;
    const L = this.layout;
    ctx.imageSmoothingEnabled = false;
    ctx.fillStyle = FaceColour;
    ctx.fillRect(0, 0, this.canvas.width, this.canvas.height);
    this.bevel(ctx, L.outer, true);
    this.bevel(ctx, L.inner, true);
    this.drawDisplay(ctx, dots);
    L.keys.forEach((key, i) => {
      const [x, y, w, h] = key.place;
      const down = this.state.down.has(i + 1);
      this.bevel(ctx, key.place, down);
      if (!this.faces) return;
      const [cx, cy, cw, ch] = key.cell;
      const left = x + Math.floor((w - cw) / 2) + (down ? 1 : 0);
      const top = y + Math.floor((h - ch) / 2) + (down ? 1 : 0);
      ctx.drawImage(this.faces, cx, cy, cw, ch, left * s, top * s, cw * s, ch * s);
    });
    this.drawSwitch(ctx, L.print, this.state.print);
    this.drawSwitch(ctx, L.power, !this.state.power);
    ctx.fillStyle = '#000';
    ctx.textBaseline = 'top';
    ctx.font = `${11 * s}px sans-serif`;
    for (const [x, y, text] of L.captions) ctx.fillText(text, x * s, y * s);
    // Each key's PC key above it, as the window writes it.
    ctx.fillStyle = '#1a3c8c';
    ctx.textAlign = 'right';
    ctx.textBaseline = 'bottom';
    ctx.font = `${10 * s}px sans-serif`;
    for (const key of L.keys) {
      const [x, y, w, h] = key.hint;
      if (key.hintText) ctx.fillText(key.hintText, (x + w) * s, (y + h) * s);
    }
    ctx.textAlign = 'left';
    ctx.textBaseline = 'top';
    if (this.state.mark) {
      ctx.fillStyle = this.state.mark === 'PLAY' ? '#008000' : '#c00000';
      ctx.font = `bold ${8 * s}px sans-serif`;
      ctx.fillText(this.state.mark, 19 * s, 24 * s);
    }
  }

  drawDisplay(ctx, dots) {
    const [x, y, w, h] = this.layout.display.map((v) => v * this.scale);
    if (!dots) {
      ctx.fillStyle = Silver;
      ctx.fillRect(x, y, w, h);
      return;
    }
    const data = this.displayImage.data;
    for (let i = 0; i < dots.length; ++i) {
      const value = dots[i] ? 0 : 255;
      data[4 * i] = data[4 * i + 1] = data[4 * i + 2] = value;
      data[4 * i + 3] = 255;
    }
    this.display.getContext('2d').putImageData(this.displayImage, 0, 0);
    ctx.drawImage(this.display, 0, 0, 96, 64, x, y, w, h);
  }
}
