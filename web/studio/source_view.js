// The source frame with the view's crop rectangle over it. The rectangle is
// the server's, in source pixels; this only scales it to the display and
// tells which part of it the pointer is on.

import { fitCanvas } from './plot.js';

const HANDLE = 5; // half a corner handle, CSS pixels
const RECT_COLOUR = '#ff00ff';

export class SourceView {
  constructor(canvas, stage) {
    this.canvas = canvas;
    this.stage = stage;
    this.image = null; // ImageBitmap of the frame, perhaps downscaled
    this.imageFrame = -1; // the frame it shows
    this.crop = null; // {x, y, width, height} in source pixels
    this.sourceWidth = 1;
    this.sourceHeight = 1;
    this.caption = '';
  }

  setSourceSize(width, height) {
    this.sourceWidth = Math.max(1, width);
    this.sourceHeight = Math.max(1, height);
    this.layout();
  }

  // The canvas takes the largest size of the source's aspect that fits the stage.
  layout() {
    const boxWidth = this.stage.clientWidth;
    const boxHeight = this.stage.clientHeight;
    const scale = Math.min(boxWidth / this.sourceWidth, boxHeight / this.sourceHeight);
    this.width = Math.max(1, Math.floor(this.sourceWidth * scale));
    this.height = Math.max(1, Math.floor(this.sourceHeight * scale));
    this.canvas.style.width = `${this.width}px`;
    this.canvas.style.height = `${this.height}px`;
    this.draw();
  }

  // Pixels worth fetching for the display: no more than the source has.
  wantedImageWidth() {
    return Math.min(this.sourceWidth, Math.ceil(this.width * (window.devicePixelRatio || 1)));
  }

  scale() {
    return this.width / this.sourceWidth;
  }

  draw() {
    const g = fitCanvas(this.canvas, this.width, this.height);
    g.fillStyle = '#0d1117';
    g.fillRect(0, 0, this.width, this.height);
    if (this.image) g.drawImage(this.image, 0, 0, this.width, this.height);
    if (!this.crop) return;
    const r = this.displayRect();
    // Outside the view darkened, as on the preview's contact sheet.
    g.fillStyle = 'rgba(0, 0, 0, 0.55)';
    g.fillRect(0, 0, this.width, r.y);
    g.fillRect(0, r.y + r.h, this.width, this.height - r.y - r.h);
    g.fillRect(0, r.y, r.x, r.h);
    g.fillRect(r.x + r.w, r.y, this.width - r.x - r.w, r.h);
    g.strokeStyle = RECT_COLOUR;
    g.lineWidth = 2;
    g.strokeRect(r.x + 1, r.y + 1, Math.max(0, r.w - 2), Math.max(0, r.h - 2));
    g.fillStyle = '#ffffff';
    for (const [cx, cy] of this.corners(r)) {
      g.fillRect(cx - HANDLE, cy - HANDLE, 2 * HANDLE, 2 * HANDLE);
      g.strokeRect(cx - HANDLE + 0.5, cy - HANDLE + 0.5, 2 * HANDLE - 1, 2 * HANDLE - 1);
    }
    if (this.caption) {
      g.font = '12px system-ui, sans-serif';
      const textWidth = g.measureText(this.caption).width;
      const tx = Math.min(Math.max(0, r.x), this.width - textWidth - 8);
      const ty = r.y > 18 ? r.y - 18 : Math.min(this.height - 18, r.y + r.h);
      g.fillStyle = RECT_COLOUR;
      g.fillRect(tx, ty, textWidth + 8, 17);
      g.fillStyle = '#ffffff';
      g.fillText(this.caption, tx + 4, ty + 13);
    }
  }

  displayRect() {
    const s = this.scale();
    return { x: this.crop.x * s, y: this.crop.y * s, w: this.crop.width * s, h: this.crop.height * s };
  }

  corners(r) {
    return [[r.x, r.y], [r.x + r.w, r.y], [r.x, r.y + r.h], [r.x + r.w, r.y + r.h]];
  }

  // Pointer position in source pixels.
  toSource(event) {
    const box = this.canvas.getBoundingClientRect();
    const s = this.scale();
    return { x: (event.clientX - box.left) / s, y: (event.clientY - box.top) / s };
  }

  // 'corner-nw', 'corner-ne', ..., 'inside' or 'outside' for a pointer event.
  hit(event) {
    if (!this.crop) return 'outside';
    const box = this.canvas.getBoundingClientRect();
    const px = event.clientX - box.left;
    const py = event.clientY - box.top;
    const r = this.displayRect();
    const names = ['corner-nw', 'corner-ne', 'corner-sw', 'corner-se'];
    const corners = this.corners(r);
    for (let i = 0; i < 4; i++) {
      if (Math.abs(px - corners[i][0]) <= HANDLE + 3 && Math.abs(py - corners[i][1]) <= HANDLE + 3) {
        return names[i];
      }
    }
    return px >= r.x && px <= r.x + r.w && py >= r.y && py <= r.y + r.h ? 'inside' : 'outside';
  }
}
