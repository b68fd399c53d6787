// The keyframe list and editor, the job's fields and the warnings beside
// them. Everything here shows the page's job and turns typing into changes
// of it; nothing computes a view.

const $ = (id) => document.getElementById(id);

const FIELD_INPUTS = {
  output: 'fOutput', muxer: 'fMuxer', codec: 'fCodec', transition: 'fTransition',
  width: 'fWidth', height: 'fHeight',
};
const KEYFRAME_INPUTS = { frame: 'kFrame', zoom: 'kZoom', centerX: 'kCenterX', centerY: 'kCenterY' };

// A whole number that fits the script's 32-bit values, or null.
export function integerOf(text) {
  if (!/^\s*[-+]?\d+\s*$/.test(text)) return null;
  const value = Number(text);
  return Number.isSafeInteger(value) && value >= -2147483648 && value <= 2147483647 ? value : null;
}

// A label is one word: white space would shift every value after it.
export function fixLabel(text) {
  return text.replace(/\s+/g, '-');
}

export function codeText(code, ramps) {
  const [t1, t2, t3] = ramps || [];
  switch (code) {
    case 0: return '0 · linear across the whole segment';
    case 1: return `1 · hold, then ramp over 2T = ${t1 ?? '?'} frames`;
    case 2: return `2 · hold, then ramp over T = ${t2 ?? '?'} frames`;
    case 3: return `3 · hold, then ramp over T/2 = ${t3 ?? '?'} frames`;
    default: return `${code} · not a code: the view stays as it was`;
  }
}

export class Panels {
  constructor(handlers) {
    this.handlers = handlers; // { select(i), changeKeyframe(i, field, value, committed), changeJob(field, value) }
    this.bindJobFields();
    this.bindEditor();
  }

  bindJobFields() {
    const text = { output: 'fOutput', muxer: 'fMuxer', codec: 'fCodec' };
    for (const [field, id] of Object.entries(text)) {
      $(id).addEventListener('input', () => this.handlers.changeJob(field, $(id).value));
    }
    for (const [field, id] of [['width', 'fWidth'], ['height', 'fHeight']]) {
      $(id).addEventListener('input', () => {
        const value = integerOf($(id).value);
        $(id).setCustomValidity(value === null ? 'a whole number of pixels' : '');
        if (value !== null) this.handlers.changeJob(field, value);
      });
    }
    $('fTransition').addEventListener('input', () => {
      const value = $('fTransition').value.trim() === '' ? NaN : Number($('fTransition').value);
      $('fTransition').setCustomValidity(Number.isFinite(value) ? '' : 'a number of seconds');
      if (Number.isFinite(value)) this.handlers.changeJob('transitionSeconds', value);
    });
  }

  bindEditor() {
    $('kLabel').addEventListener('input', () => {
      const input = $('kLabel');
      const fixed = fixLabel(input.value);
      if (fixed !== input.value) {
        const caret = input.selectionStart;
        input.value = fixed;
        input.setSelectionRange(caret, caret);
      }
      this.handlers.changeKeyframe('label', fixed, false);
    });
    for (const [field, id] of Object.entries(KEYFRAME_INPUTS)) {
      const input = $(id);
      const apply = (committed) => {
        const value = integerOf(input.value);
        input.setCustomValidity(value === null ? 'a whole number' : '');
        if (value !== null) this.handlers.changeKeyframe(field, value, committed);
      };
      input.addEventListener('input', () => apply(false));
      input.addEventListener('change', () => apply(true));
    }
    $('kTransition').addEventListener('change', () => {
      this.handlers.changeKeyframe('transition', Number($('kTransition').value), true);
    });
    $('keyframeEditor').addEventListener('submit', (event) => event.preventDefault());
    $('jobForm').addEventListener('submit', (event) => event.preventDefault());
  }

  // Fields are only written when they don't have the focus, so typing is never disturbed.
  showJob(job) {
    const set = (id, value) => {
      const input = $(id);
      if (document.activeElement !== input) input.value = value ?? '';
    };
    set('fOutput', job.output);
    set('fMuxer', job.muxer);
    set('fCodec', job.codec);
    set('fTransition', job.transitionSeconds);
    set('fWidth', job.width);
    set('fHeight', job.height);
  }

  showKeyframes(job, selected, warnings, ramps) {
    const body = document.querySelector('#keyframeTable tbody');
    body.replaceChildren();
    const flagged = new Map();
    for (const w of warnings) {
      if (w.keyframe === undefined) continue;
      flagged.set(w.keyframe, [...(flagged.get(w.keyframe) || []), w.text]);
    }
    job.keyframes.forEach((k, index) => {
      const row = document.createElement('tr');
      if (index === selected) row.className = 'selected';
      const flag = flagged.get(index);
      const cells = [flag ? '\u26A0' : '', k.label, k.frame, k.zoom, k.centerX, k.centerY, k.transition];
      cells.forEach((value, column) => {
        const cell = document.createElement('td');
        cell.textContent = String(value);
        if (column === 0) {
          cell.className = 'flag';
          if (flag) cell.title = flag.join('\n');
        } else if (column >= 2) {
          cell.className = 'num';
        }
        row.appendChild(cell);
      });
      row.addEventListener('click', () => this.handlers.select(index));
      body.appendChild(row);
    });
    $('noKeyframes').hidden = job.keyframes.length > 0;
    $('deleteKeyframe').disabled = selected < 0;

    const editor = $('keyframeEditor');
    editor.hidden = selected < 0;
    if (selected < 0) return;
    const k = job.keyframes[selected];
    const set = (id, value) => {
      if (document.activeElement !== $(id)) {
        $(id).value = value;
        $(id).setCustomValidity('');
      }
    };
    set('kLabel', k.label);
    for (const [field, id] of Object.entries(KEYFRAME_INPUTS)) set(id, k[field]);
    const select = $('kTransition');
    const codes = [0, 1, 2, 3];
    if (!codes.includes(k.transition)) codes.push(k.transition);
    const texts = codes.map((code) => codeText(code, ramps));
    // Rebuilt only when the words change, so an open list stays open.
    if ([...select.options].map((o) => o.textContent).join('\n') !== texts.join('\n')) {
      select.replaceChildren(...codes.map((code, i) => new Option(texts[i], String(code))));
    }
    select.value = String(k.transition);
    const list = $('keyframeWarnings');
    list.replaceChildren(...(flagged.get(selected) || []).map((text) => {
      const line = document.createElement('div');
      line.textContent = text;
      return line;
    }));
  }

  // Each warning beside the field its script line holds.
  showWarnings(warnings) {
    for (const box of document.querySelectorAll('.warn[data-field]')) {
      const field = box.dataset.field;
      const texts = warnings.filter((w) => w.field === field).map((w) => w.text);
      box.replaceChildren(...texts.map((text) => {
        const line = document.createElement('div');
        line.textContent = text;
        return line;
      }));
      const input = FIELD_INPUTS[field] && $(FIELD_INPUTS[field]);
      if (input) input.classList.toggle('has-warning', texts.length > 0);
    }
  }
}
