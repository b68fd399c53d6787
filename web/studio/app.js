// camdrift-studio's page: the job as the page edits it, the frames and
// views the server computes for it, playback, saving and rendering.

import { api } from './api.js';
import { drawMarks, drawPlot, markAt, xToFrame } from './plot.js';
import { Panels } from './panels.js';
import { SourceView } from './source_view.js';

const $ = (id) => document.getElementById(id);
const TRACK_DELAY_MS = 120; // after an edit, before the whole track is asked for
const RENDER_POLL_MS = 300;

const state = {
  source: null, // {path, width, height, fps, frameCount, rotation, reader}
  job: null, // the page's job: what Save writes
  savedJson: '',
  playhead: 0,
  selected: -1,
  version: 0, // counts edits of the job
  track: null,
  trackVersion: -1,
  view: null, // {frame, version, view, crop} of the playhead while the track is behind
  warnings: [],
  ramps: [],
  checkedText: '',
  playing: false,
  decimalPoint: '.',
};

const sourceView = new SourceView($('sourceCanvas'), $('sourceStage'));
const panels = new Panels({ select, changeKeyframe, changeJob });

// ---- fetching: the newest wins, frames in between are dropped ----

// Runs `fetch` for the newest key, one at a time; keys asked for while one
// runs are skipped but the last, so playback drops frames instead of lagging.
function newestOnly(keyOf, fetch, show, kind = '') {
  let busy = false;
  let shown = null;
  const kick = () => {
    if (busy) return;
    const key = keyOf();
    if (key === null || key === shown) return;
    busy = true;
    fetch(key)
      .then((result) => show(result, key), (error) => showProblem(error, key, kind))
      .finally(() => {
        shown = key;
        busy = false;
        kick();
      });
  };
  return kick;
}

function showProblem(error, key, kind) {
  if (kind === 'output') {
    $('outputImage').hidden = true;
    $('outputProblem').hidden = false;
    $('outputProblem').textContent = error.message;
  } else {
    notice(error.message, true);
  }
}

// The playhead's picture at the display's width; one of the same frame
// already shown at least as wide is kept, so a layout that narrows for a
// moment (a window resized, a full-page screenshot) never swaps in a coarse
// picture that is then scaled up.
const fetchSource = newestOnly(
  () => {
    if (!state.source) return null;
    let width = sourceView.wantedImageWidth();
    if (sourceView.image && sourceView.imageFrame === state.playhead) {
      width = Math.max(width, sourceView.image.width);
    }
    return `${state.playhead}@${width}`;
  },
  (key) => {
    const [frame, width] = key.split('@').map(Number);
    return api.sourceFrame(frame, width).then((blob) => createImageBitmap(blob));
  },
  (bitmap, key) => {
    if (sourceView.image && sourceView.image.close) sourceView.image.close();
    sourceView.image = bitmap;
    sourceView.imageFrame = Number(key.split('@')[0]);
    sourceView.draw();
  },
);

let outputUrl = null;
const fetchOutput = newestOnly(
  () => (state.job ? `${state.playhead}:${state.version}` : null),
  () => api.outputFrame(state.job, state.playhead),
  (blob) => {
    if (outputUrl) URL.revokeObjectURL(outputUrl);
    outputUrl = URL.createObjectURL(blob);
    $('outputImage').src = outputUrl;
    $('outputImage').hidden = false;
    $('outputProblem').hidden = true;
  },
  'output',
);

// The rectangle of the playhead's frame: from the track when it is current,
// else asked for alone (fast, while an edit is going on).
const fetchView = newestOnly(
  () => (state.job && state.trackVersion !== state.version ? `${state.playhead}:${state.version}` : null),
  (key) => {
    const [frame, version] = key.split(':').map(Number);
    return api.view(state.job, frame).then((answer) => ({ ...answer, version }));
  },
  (answer) => {
    state.view = answer;
    showRectangle();
  },
);

let trackTimer = 0;
const fetchTrack = newestOnly(
  () => (state.job ? String(state.version) : null),
  (key) => {
    const version = Number(key);
    const job = state.job;
    return Promise.all([api.track(job), api.check(job)]).then(([track, check]) => ({ track, check, version }));
  },
  ({ track, check, version }) => {
    state.track = track;
    state.trackVersion = version;
    state.warnings = check.warnings.concat(
      check.labelProblems.map((p) => ({ keyframe: p.keyframe, text: p.text })));
    state.ramps = check.rampFrames;
    state.checkedText = check.text;
    showTransitionHint();
    showRectangle();
    showPanels();
    drawTimeline();
  },
);

function scheduleTrack() {
  clearTimeout(trackTimer);
  trackTimer = setTimeout(fetchTrack, TRACK_DELAY_MS);
}

// ---- showing ----

function showRectangle() {
  const n = state.playhead;
  let crop = null;
  if (state.track && state.trackVersion === state.version) {
    const c = state.track.crops;
    crop = { x: c[4 * n], y: c[4 * n + 1], width: c[4 * n + 2], height: c[4 * n + 3] };
  } else if (state.view) {
    crop = state.view.crop;
  } else if (state.track) {
    const c = state.track.crops;
    crop = { x: c[4 * n], y: c[4 * n + 1], width: c[4 * n + 2], height: c[4 * n + 3] };
  }
  sourceView.crop = crop;
  const at = keyframeAt(n);
  sourceView.caption = at >= 0 ? `keyframe “${state.job.keyframes[at].label}”` : '';
  sourceView.draw();
}

function showPosition() {
  const { fps, frameCount } = state.source;
  const n = state.playhead;
  $('slider').value = String(n);
  $('frameLabel').textContent = `frame ${n} / ${frameCount - 1}`;
  $('timeLabel').textContent = `${clock(n / fps)} / ${clock((frameCount - 1) / fps)}`;
}

function clock(seconds) {
  if (!Number.isFinite(seconds)) return '';
  const minutes = Math.floor(seconds / 60);
  const rest = seconds - minutes * 60;
  return `${minutes}:${rest.toFixed(2).padStart(5, '0')}`;
}

function drawTimeline() {
  const frames = state.source.frameCount;
  const keyframes = state.job.keyframes;
  drawMarks($('marks'), { keyframes, frames, selected: state.selected });
  const track = state.track && state.track.frames === frames ? state.track : null;
  drawPlot($('plot'), { track, keyframes, frames, playhead: state.playhead, selected: state.selected });
}

function showPanels() {
  panels.showJob(state.job);
  panels.showKeyframes(state.job, state.selected, state.warnings, state.ramps);
  panels.showWarnings(state.warnings);
  $('outputFacts').textContent = `${state.job.width} × ${state.job.height}, as camdrift writes it`;
  showSaveState();
}

function showTransitionHint() {
  const line = state.checkedText.split('\n')[5] ?? '';
  const [t1, t2, t3] = state.ramps;
  $('transitionHint').textContent =
    `T = ${t2} frames at ${round(state.source.fps)} fps (code 1: ${t1}, code 3: ${t3}); ` +
    `written “${line}” for this locale`;
}

function round(value) {
  return Math.round(value * 1000) / 1000;
}

function showSaveState() {
  const box = $('saveState');
  const dirty = JSON.stringify(state.job) !== state.savedJson;
  box.textContent = dirty ? 'Unsaved changes' : 'Saved';
  box.className = dirty ? 'status dirty' : 'status';
}

function notice(text, isError = false) {
  const box = $('notice');
  box.hidden = !text;
  box.textContent = text || '';
  box.className = isError ? 'notice error' : 'notice';
}

// ---- the playhead ----

function keyframeAt(frame) {
  return state.job.keyframes.findIndex((k) => k.frame === frame);
}

function seek(frame) {
  const last = state.source.frameCount - 1;
  const n = Math.min(last, Math.max(0, Math.round(frame)));
  state.playhead = n;
  const at = keyframeAt(n);
  if (at >= 0 && at !== state.selected) {
    state.selected = at;
    panels.showKeyframes(state.job, state.selected, state.warnings, state.ramps);
  }
  showPosition();
  showRectangle();
  drawTimeline();
  fetchSource();
  fetchOutput();
  fetchView();
}

let playStart = null;
function play() {
  if (state.playing) return;
  if (state.playhead >= state.source.frameCount - 1) seek(0);
  state.playing = true;
  $('playButton').textContent = '\u275A\u275A';
  playStart = { time: performance.now(), frame: state.playhead };
  requestAnimationFrame(tick);
}

function pause() {
  state.playing = false;
  $('playButton').textContent = '\u25B6';
}

// Frames follow the clock at the source's rate; the fetchers skip the ones
// they can't keep up with.
function tick(now) {
  if (!state.playing) return;
  const target = playStart.frame + Math.floor(((now - playStart.time) / 1000) * state.source.fps);
  const last = state.source.frameCount - 1;
  if (target !== state.playhead) seek(Math.min(last, target));
  if (target >= last) {
    pause();
    return;
  }
  requestAnimationFrame(tick);
}

// ---- editing ----

function edited() {
  state.version += 1;
  state.view = null;
  showRectangle();
  showPanels();
  drawTimeline();
  fetchView();
  fetchOutput();
  scheduleTrack();
}

function select(index) {
  state.selected = index;
  if (index >= 0) seek(state.job.keyframes[index].frame);
  showPanels();
  drawTimeline();
}

// Keyframes stay in frame order, as camdrift needs them; the selection
// follows its keyframe.
function sortKeyframes() {
  const chosen = state.job.keyframes[state.selected];
  state.job.keyframes.sort((a, b) => a.frame - b.frame);
  state.selected = chosen ? state.job.keyframes.indexOf(chosen) : -1;
}

function changeKeyframe(field, value, committed) {
  const k = state.job.keyframes[state.selected];
  if (!k) return;
  k[field] = value;
  if (field === 'frame' && committed) {
    sortKeyframes();
    seek(k.frame);
  }
  edited();
}

function changeJob(field, value) {
  state.job[field] = value;
  edited();
}

function freeLabel() {
  const taken = new Set(state.job.keyframes.map((k) => k.label));
  for (let n = 1; ; n++) if (!taken.has(`key${n}`)) return `key${n}`;
}

// The view now on screen, from the server, as whole percents.
function currentView() {
  const n = state.playhead;
  if (state.track && state.trackVersion === state.version) {
    return { zoom: state.track.zoom[n], centerX: state.track.centerX[n], centerY: state.track.centerY[n] };
  }
  if (state.view && state.view.frame === n) return state.view.view;
  return { zoom: 100, centerX: 50, centerY: 50 };
}

// The keyframe at the playhead, made from the current view when there is none.
function keyframeHere() {
  let at = keyframeAt(state.playhead);
  if (at < 0) {
    const view = currentView();
    const k = {
      label: freeLabel(), frame: state.playhead,
      zoom: Math.min(100, Math.max(1, Math.round(view.zoom))),
      centerX: Math.round(view.centerX), centerY: Math.round(view.centerY), transition: 0,
    };
    state.job.keyframes.push(k);
    state.selected = state.job.keyframes.length - 1;
    sortKeyframes();
    at = state.selected;
  }
  state.selected = at;
  return state.job.keyframes[at];
}

function addKeyframe() {
  keyframeHere();
  edited();
  $('kLabel').focus();
  $('kLabel').select();
}

function deleteKeyframe() {
  if (state.selected < 0) return;
  state.job.keyframes.splice(state.selected, 1);
  state.selected = -1;
  edited();
}

// ---- the rectangle: drag to move the centre, a corner or the wheel to zoom ----

let drag = null;
const clamp = (value, low, high) => Math.min(high, Math.max(low, value));

$('sourceCanvas').addEventListener('pointerdown', (event) => {
  const part = sourceView.hit(event);
  if (part === 'outside' || !state.job) return;
  pause();
  const k = keyframeHere();
  const crop = sourceView.crop;
  drag = {
    part, k,
    start: sourceView.toSource(event),
    centerX: k.centerX, centerY: k.centerY,
    middle: { x: crop.x + crop.width / 2, y: crop.y + crop.height / 2 },
  };
  $('sourceCanvas').setPointerCapture(event.pointerId);
  edited();
});

$('sourceCanvas').addEventListener('pointermove', (event) => {
  const canvas = $('sourceCanvas');
  if (!drag) {
    const part = sourceView.hit(event);
    canvas.className = part === 'inside' ? 'over-rect'
      : part === 'corner-nw' || part === 'corner-se' ? 'over-corner'
        : part.startsWith('corner') ? 'over-corner-ne' : '';
    return;
  }
  const at = sourceView.toSource(event);
  const { sourceWidth: w, sourceHeight: h } = sourceView;
  if (drag.part === 'inside') {
    drag.k.centerX = clamp(Math.round(drag.centerX + ((at.x - drag.start.x) / w) * 100), 0, 100);
    drag.k.centerY = clamp(Math.round(drag.centerY + ((at.y - drag.start.y) / h) * 100), 0, 100);
  } else {
    // The zoom keeps the source's aspect: the farther side decides.
    const across = Math.max(Math.abs(at.x - drag.middle.x) / (w / 2), Math.abs(at.y - drag.middle.y) / (h / 2));
    drag.k.zoom = clamp(Math.round(across * 100), 1, 100);
  }
  edited();
});

function endDrag() {
  if (!drag) return;
  drag = null;
  scheduleTrack();
}
$('sourceCanvas').addEventListener('pointerup', endDrag);
$('sourceCanvas').addEventListener('pointercancel', endDrag);

$('sourceCanvas').addEventListener('wheel', (event) => {
  if (!state.job || sourceView.hit(event) === 'outside') return;
  event.preventDefault();
  pause();
  const k = keyframeHere();
  const step = event.shiftKey ? 5 : 1;
  k.zoom = clamp(k.zoom + (event.deltaY > 0 ? step : -step), 1, 100);
  edited();
}, { passive: false });

// ---- timeline ----

$('slider').addEventListener('input', () => {
  pause();
  seek(Number($('slider').value));
});
$('marks').addEventListener('click', (event) => {
  const box = $('marks').getBoundingClientRect();
  const index = markAt(event.clientX - box.left, {
    keyframes: state.job.keyframes, frames: state.source.frameCount, width: box.width,
  });
  if (index >= 0) select(index);
});
// Pressing on the plot moves the playhead there, and dragging scrubs.
function seekOnPlot(event) {
  const box = $('plot').getBoundingClientRect();
  seek(xToFrame(event.clientX - box.left, state.source.frameCount, box.width));
}
$('plot').addEventListener('pointerdown', (event) => {
  pause();
  $('plot').setPointerCapture(event.pointerId);
  seekOnPlot(event);
});
$('plot').addEventListener('pointermove', (event) => {
  if ($('plot').hasPointerCapture(event.pointerId)) seekOnPlot(event);
});

const steps = { firstFrame: -Infinity, back10: -10, back1: -1, forward1: 1, forward10: 10, lastFrame: Infinity };
for (const [id, step] of Object.entries(steps)) {
  $(id).addEventListener('click', () => {
    pause();
    seek(Number.isFinite(step) ? state.playhead + step : step < 0 ? 0 : state.source.frameCount - 1);
  });
}
$('playButton').addEventListener('click', () => (state.playing ? pause() : play()));

function typing(target) {
  return target instanceof HTMLInputElement && target.type !== 'range' ||
    target instanceof HTMLSelectElement || target instanceof HTMLTextAreaElement;
}

document.addEventListener('keydown', (event) => {
  if ((event.ctrlKey || event.metaKey) && event.key === 's') {
    event.preventDefault();
    save();
    return;
  }
  if (!state.source || typing(event.target) || event.ctrlKey || event.metaKey || event.altKey) return;
  const step = event.shiftKey ? 10 : 1;
  const moves = {
    ArrowLeft: () => seek(state.playhead - step), ArrowRight: () => seek(state.playhead + step),
    Home: () => seek(0), End: () => seek(state.source.frameCount - 1),
  };
  if (moves[event.key]) {
    event.preventDefault();
    pause();
    moves[event.key]();
  } else if (event.key === ' ') {
    event.preventDefault();
    state.playing ? pause() : play();
  } else if (event.key === 'k' || event.key === 'K') {
    addKeyframe();
  } else if (event.key === 'Delete') {
    deleteKeyframe();
  }
});

$('addKeyframe').addEventListener('click', addKeyframe);
$('deleteKeyframe').addEventListener('click', deleteKeyframe);

// ---- save and render ----

async function save() {
  const job = state.job;
  const json = JSON.stringify(job);
  try {
    await api.save(job);
    state.savedJson = json;
    notice('');
    showSaveState();
    return true;
  } catch (error) {
    notice(`Not saved: ${error.message}`, true);
    $('saveState').textContent = 'Not saved';
    $('saveState').className = 'status error';
    return false;
  }
}

$('saveButton').addEventListener('click', save);

let renderTimer = 0;
function showRender(status) {
  const log = $('renderLog');
  const atBottom = log.scrollTop + log.clientHeight >= log.scrollHeight - 4;
  log.textContent = status.lines.join('\n');
  if (atBottom) log.scrollTop = log.scrollHeight;
  const running = status.state === 'running';
  $('cancelButton').disabled = !running;
  $('renderButton').disabled = running;
  const box = $('renderState');
  if (running) {
    box.textContent = status.cancelled ? 'Cancelling…' : 'Rendering…';
    box.className = 'facts';
  } else if (status.state === 'finished') {
    const code = status.exitStatus === null ? 'no exit status' : `exit status ${status.exitStatus}`;
    box.textContent = `${code}: ${status.meaning}. ${status.lastLine}`;
    box.className = status.exitStatus === 0 ? 'ok' : 'bad';
  }
  clearTimeout(renderTimer);
  if (running) renderTimer = setTimeout(pollRender, RENDER_POLL_MS);
}

function pollRender() {
  api.renderStatus().then(showRender, (error) => notice(error.message, true));
}

$('renderButton').addEventListener('click', async () => {
  if (!(await save())) return;
  try {
    showRender(await api.render());
  } catch (error) {
    notice(error.message, true);
  }
});
$('cancelButton').addEventListener('click', () => {
  api.cancelRender().then(showRender, (error) => notice(error.message, true));
});

window.addEventListener('beforeunload', (event) => {
  if (state.job && JSON.stringify(state.job) !== state.savedJson) event.preventDefault();
});

// ---- start ----

function layout() {
  if (!state.source) return;
  sourceView.layout();
  drawTimeline();
  fetchSource();
}

async function start() {
  let answer;
  try {
    answer = await api.job();
  } catch (error) {
    notice(`Can't load the job: ${error.message}`, true);
    return;
  }
  state.source = answer.source;
  state.job = answer.job;
  state.decimalPoint = answer.decimalPoint;
  if (state.job.transitionSeconds === null) state.job.transitionSeconds = 0;
  state.savedJson = JSON.stringify(state.job);
  document.title = `camdrift-studio · ${answer.scriptPath}`;
  $('scriptPath').textContent = answer.scriptPath;
  const s = state.source;
  // The run's own reader is the rule; OpenCV's, where a run would take it, is told.
  const reader = s.reader === 'libav' ? '' : ` · read by ${s.reader.replace(/^opencv /, 'OpenCV’s capture ')}`;
  $('sourceFacts').textContent =
    `${s.path} · ${s.width} × ${s.height}, ${round(s.fps)} fps, ${s.frameCount} frames${reader}`;
  $('slider').max = String(s.frameCount - 1);
  if (answer.sourceChanged !== undefined) {
    notice(`The script on disk now names another source (“${answer.sourceChanged}”); restart the studio to edit it.`, true);
  } else if (answer.rewritesFile) {
    notice('The script on disk is written otherwise than the studio writes it (other number forms, or lines ' +
      'that are not read as keyframes: camdrift-preview tells which); saving rewrites it with what is shown here.');
  }
  sourceView.setSourceSize(s.width, s.height);
  new ResizeObserver(layout).observe($('sourceStage'));
  window.addEventListener('resize', drawTimeline);
  showPanels();
  seek(0);
  fetchTrack();
  pollRender();
}

start();
