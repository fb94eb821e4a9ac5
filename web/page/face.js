// The calculator's face on a canvas, drawn from the layout the module
// gives (the window's) as the window draws it: the display's dots a whole
// number of pixels each, so they stay crisp and fill the display, and the
// face around them at the size that makes so.
const FaceColour = '#d4d0c8';
const Silver = '#c0c0c0';
const DotOn = '#000000';
const Light = '#ffffff';
const Shadow = '#808080';
const Dots = [96, 64];
// Smaller than this the keys are too small to hit: one pixel a dot.
const SmallestDot = 1;

export class Face {
  constructor(canvas, layout) {
    this.canvas = canvas;
    this.layout = layout;
    this.scale = 1;
    this.faces = null;  // ImageBitmap of keys.bmp, null when it could not be had
    this.state = { down: new Set(), print: false, power: true, mark: '' };
    this.display = document.createElement('canvas');
    [this.display.width, this.display.height] = Dots;
    this.displayImage = this.display.getContext('2d').createImageData(...Dots);
  }

  // The scale at which the face fits `width` x `height` device pixels with
  // the largest whole number of pixels a dot: the display's place is then
  // exactly the dots' size.
  static fitScale(layout, width, height) {
    const [w, h] = layout.size;
    const perDot = layout.display[2] / Dots[0];  // 1x pixels a dot
    const dot = Math.max(SmallestDot, Math.floor(Math.min(width / w, height / h) * perDot));
    return dot / perDot;
  }

  fit(width, height) {
    const [w, h] = this.layout.size;
    this.scale = Face.fitScale(this.layout, width, height);
    this.canvas.width = Math.round(w * this.scale);
    this.canvas.height = Math.round(h * this.scale);
    this.canvas.style.width = `${this.canvas.width / devicePixelRatio}px`;
    this.canvas.style.height = `${this.canvas.height / devicePixelRatio}px`;
  }

  // A 1x rectangle at the scale, its edges rounded each on its own so that
  // neighbours stay neighbours.
  place(r) {
    const s = this.scale;
    const [left, top] = [Math.round(r[0] * s), Math.round(r[1] * s)];
    return [left, top, Math.round((r[0] + r[2]) * s) - left, Math.round((r[1] + r[3]) * s) - top];
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
    const s = Math.max(1, Math.floor(this.scale));  // the line's width
    const [x, y, w, h] = this.place(r);
    ctx.fillStyle = sunken ? Shadow : Light;
    ctx.fillRect(x, y, w, s);
    ctx.fillRect(x, y, s, h);
    ctx.fillStyle = sunken ? Light : Shadow;
    ctx.fillRect(x, y + h - s, w, s);
    ctx.fillRect(x + w - s, y, s, h);
  }

  drawSwitch(ctx, place, right) {
    this.bevel(ctx, place.bevel, true);
    const [x, y, w, h] = place.knob;
    ctx.fillStyle = DotOn;
    ctx.fillRect(...this.place([x + (right ? place.travel : 0), y, w, h]));
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
      ctx.drawImage(this.faces, cx, cy, cw, ch, ...this.place([left, top, cw, ch]));
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
    const [x, y, w, h] = this.place(this.layout.display);
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
    ctx.drawImage(this.display, 0, 0, ...Dots, x, y, w, h);
  }
}
