// The path plot and the keyframe marks under the slider. Both draw what the
// server computed (the views of every frame and how each frame moves); the
// page only maps frames and percents to pixels.

// The native range input keeps its thumb's centre this far inside its ends,
// so the marks and the plot line up with the slider.
export const SLIDER_INSET = 8;

const COLOURS = {
  zoom: '#d23030', centerX: '#2a962a', centerY: '#1a5ac8',
  hold: '#e8e8e8', ramp: '#ffe1be', linear: '#c3e6fa',
  grid: '#d8dee4', ink: '#57606a', keyframe: '#6e7781', selected: '#d6249f', playhead: '#d6249f',
};

// Matches the canvas's backing store to its size on screen; the context
// draws in CSS pixels.
export function fitCanvas(canvas, cssWidth, cssHeight) {
  const ratio = window.devicePixelRatio || 1;
  const width = Math.max(1, Math.round(cssWidth * ratio));
  const height = Math.max(1, Math.round(cssHeight * ratio));
  if (canvas.width !== width || canvas.height !== height) {
    canvas.width = width;
    canvas.height = height;
  }
  const context = canvas.getContext('2d');
  context.setTransform(ratio, 0, 0, ratio, 0, 0);
  return context;
}

export function frameToX(frame, frames, width) {
  const span = width - 2 * SLIDER_INSET;
  return SLIDER_INSET + (frames > 1 ? (frame / (frames - 1)) * span : 0);
}

export function xToFrame(x, frames, width) {
  const span = width - 2 * SLIDER_INSET;
  const frame = Math.round(((x - SLIDER_INSET) / Math.max(1, span)) * (frames - 1));
  return Math.min(frames - 1, Math.max(0, frame));
}

// 0 to 100, widened to wild values but never past -100 to 200, where one
// would flatten the rest (the contact sheet's plot does the same).
function valueRange(track, keyframes) {
  let low = 0;
  let high = 100;
  const widen = (value) => {
    low = Math.min(low, value);
    high = Math.max(high, value);
  };
  if (track) ['zoom', 'centerX', 'centerY'].forEach((name) => track[name].forEach(widen));
  keyframes.forEach((k) => [k.zoom, k.centerX, k.centerY].forEach(widen));
  return { low: Math.max(-100, low), high: Math.min(200, high) };
}

export function drawPlot(canvas, { track, keyframes, frames, playhead, selected }) {
  const width = canvas.clientWidth;
  const height = canvas.clientHeight;
  const g = fitCanvas(canvas, width, height);
  g.clearRect(0, 0, width, height);
  const top = 12;
  const bottom = height - 16;
  const { low, high } = valueRange(track, keyframes);
  const y = (value) => {
    const clamped = Math.min(high, Math.max(low, value));
    return bottom - ((clamped - low) / (high - low)) * (bottom - top);
  };
  const x = (frame) => frameToX(frame, frames, width);

  // A frame's shade covers the step from the frame before it.
  if (track && track.motion.length > 1) {
    const shade = { S: COLOURS.hold, R: COLOURS.ramp, L: COLOURS.linear };
    let start = 1;
    while (start < track.motion.length) {
      let end = start;
      while (end < track.motion.length && track.motion[end] === track.motion[start]) end++;
      g.fillStyle = shade[track.motion[start]];
      const left = x(start - 1);
      g.fillRect(left, top, Math.max(1, x(end - 1) - left), bottom - top);
      start = end;
    }
  }

  g.font = '10px system-ui, sans-serif';
  g.lineWidth = 1;
  for (let value = Math.ceil(low / 25) * 25; value <= high; value += 25) {
    g.strokeStyle = COLOURS.grid;
    g.beginPath();
    g.moveTo(x(0), Math.round(y(value)) + 0.5);
    g.lineTo(x(frames - 1), Math.round(y(value)) + 0.5);
    g.stroke();
    g.fillStyle = COLOURS.ink;
    g.fillText(String(value + 0), x(0) + 2, y(value) - 2);
  }
  g.fillStyle = COLOURS.ink;
  g.textAlign = 'center';
  for (const tick of frameTicks(frames, Math.max(2, Math.floor(width / 70)))) {
    g.fillText(String(tick), Math.min(width - 14, Math.max(14, x(tick))), height - 4);
  }
  g.textAlign = 'start';

  keyframes.forEach((k, index) => {
    if (k.frame < 0 || k.frame >= frames) return;
    const kx = Math.round(x(k.frame)) + 0.5;
    g.strokeStyle = index === selected ? COLOURS.selected : COLOURS.keyframe;
    g.setLineDash([4, 4]);
    g.beginPath();
    g.moveTo(kx, top);
    g.lineTo(kx, bottom);
    g.stroke();
    g.setLineDash([]);
    for (const name of ['zoom', 'centerX', 'centerY']) {
      g.strokeStyle = COLOURS[name];
      g.lineWidth = 2;
      g.beginPath();
      g.arc(kx, y(k[name]), 4, 0, 2 * Math.PI);
      g.stroke();
      g.lineWidth = 1;
    }
  });

  if (track) {
    for (const name of ['zoom', 'centerX', 'centerY']) {
      const values = track[name];
      g.strokeStyle = COLOURS[name];
      g.lineWidth = 2;
      g.beginPath();
      values.forEach((value, n) => (n === 0 ? g.moveTo(x(n), y(value)) : g.lineTo(x(n), y(value))));
      g.stroke();
    }
    g.lineWidth = 1;
  }

  const px = Math.round(x(playhead)) + 0.5;
  g.strokeStyle = COLOURS.playhead;
  g.lineWidth = 1.5;
  g.beginPath();
  g.moveTo(px, 0);
  g.lineTo(px, bottom);
  g.stroke();
}

// Frame numbers for the axis: multiples of 1, 2 or 5 times a power of ten.
function frameTicks(frames, most) {
  if (frames <= 1) return [0];
  let step = 1;
  for (let power = 1; ; power *= 10) {
    const found = [1, 2, 5].map((m) => m * power).find((s) => Math.floor((frames - 1) / s) + 1 <= most);
    if (found) {
      step = found;
      break;
    }
  }
  const ticks = [];
  for (let t = 0; t < frames; t += step) ticks.push(t);
  return ticks;
}

export function drawMarks(canvas, { keyframes, frames, selected }) {
  const width = canvas.clientWidth;
  const height = canvas.clientHeight;
  const g = fitCanvas(canvas, width, height);
  g.clearRect(0, 0, width, height);
  keyframes.forEach((k, index) => {
    if (k.frame < 0 || k.frame >= frames) return;
    const kx = frameToX(k.frame, frames, width);
    const half = index === selected ? 6 : 5;
    g.fillStyle = index === selected ? COLOURS.selected : '#57606a';
    g.beginPath();
    g.moveTo(kx, height / 2 - half);
    g.lineTo(kx + half, height / 2);
    g.lineTo(kx, height / 2 + half);
    g.lineTo(kx - half, height / 2);
    g.closePath();
    g.fill();
  });
}

// The keyframe whose mark is nearest to `x`, within a few pixels; -1 if none.
export function markAt(x, { keyframes, frames, width }) {
  let best = -1;
  let bestDistance = 7;
  keyframes.forEach((k, index) => {
    const distance = Math.abs(frameToX(k.frame, frames, width) - x);
    if (distance < bestDistance) {
      best = index;
      bestDistance = distance;
    }
  });
  return best;
}
