// camdrift-studio in a real browser: open a new job on a generated clip
// with sound, scrub, make a keyframe by dragging the rectangle, change its
// transition code, save, render, and keep a screenshot for a person.
//
//   node --test tests/browser/studio.test.js   (CAMDRIFT_BUILD names the build folder; default build/)

'use strict';

const test = require('node:test');
const assert = require('node:assert/strict');
const { spawn, execFileSync } = require('node:child_process');
const fs = require('node:fs');
const os = require('node:os');
const path = require('node:path');
const puppeteer = require('puppeteer-core');

const repo = path.resolve(__dirname, '..', '..');
const build = path.resolve(repo, process.env.CAMDRIFT_BUILD || 'build');
const studioExe = path.join(build, 'camdrift-studio');
const screenshot = path.join(build, 'studio-screenshot.png');
const FRAMES = 50;

// A clip like a short recording: H.264 with a key frame every second, AAC sound.
function makeClip(file) {
  execFileSync('/usr/bin/ffmpeg', [
    '-nostdin', '-loglevel', 'error', '-y',
    '-f', 'lavfi', '-i', 'testsrc2=size=320x180:rate=25',
    '-f', 'lavfi', '-i', 'sine=frequency=440:sample_rate=44100',
    '-frames:v', String(FRAMES), '-t', '2', '-c:v', 'libx264', '-g', '25', '-pix_fmt', 'yuv420p',
    '-c:a', 'aac', file]);
}

function probe(file, stream, entry) {
  return execFileSync('/usr/bin/ffprobe', [
    '-v', 'error', '-select_streams', stream, '-count_packets',
    '-show_entries', `stream=${entry}`, '-of', 'csv=p=0', file]).toString().trim();
}

// Starts the studio and resolves with its process and the address it printed.
function startStudio(args, cwd) {
  return new Promise((resolve, reject) => {
    const child = spawn(studioExe, args, { cwd, stdio: ['ignore', 'pipe', 'pipe'] });
    let out = '';
    child.stdout.on('data', (chunk) => {
      out += chunk;
      const line = out.split('\n')[0];
      if (out.includes('\n')) resolve({ child, url: line, output: () => out });
    });
    child.on('exit', (code) => reject(new Error(`camdrift-studio ended with ${code}: ${out}`)));
  });
}

function stopStudio(child) {
  return new Promise((resolve) => {
    if (child.exitCode !== null) {
      resolve(child.exitCode);
      return;
    }
    child.removeAllListeners('exit');
    child.on('exit', (code, signal) => resolve(signal ? `signal ${signal}` : code));
    child.kill('SIGTERM');
  });
}

async function text(page, selector) {
  return page.$eval(selector, (element) => element.textContent);
}

test('a new job is framed, saved and rendered in the browser', { timeout: 180000 }, async () => {
  const dir = fs.mkdtempSync(path.join(os.tmpdir(), 'camdrift-studio-browser-'));
  const profile = fs.mkdtempSync(path.join(os.tmpdir(), 'camdrift-studio-profile-'));
  const clip = path.join(dir, 'clip.mp4');
  const script = path.join(dir, 'clip.job');
  makeClip(clip);
  const studio = await startStudio([script, '--source', clip], dir);
  assert.match(studio.url, /^http:\/\/127\.0\.0\.1:\d+\/\?token=[0-9a-f]{64}$/);

  const browser = await puppeteer.launch({
    executablePath: '/usr/bin/chromium',
    headless: true,
    args: ['--headless', '--no-sandbox', '--disable-gpu', '--disable-quic', '--no-first-run',
      '--disable-background-networking', '--disable-component-update', '--disable-sync',
      `--user-data-dir=${profile}`],
  });
  const problems = [];
  try {
    const page = await browser.newPage();
    page.on('pageerror', (error) => problems.push(`page error: ${error.message}`));
    page.on('response', (response) => {
      if (response.status() >= 400) problems.push(`${response.status()} ${response.url()}`);
    });
    await page.setViewport({ width: 1400, height: 1000 });
    await page.goto(studio.url);
    await page.waitForFunction(() => document.getElementById('frameLabel').textContent === 'frame 0 / 49');
    await page.waitForFunction(() => document.getElementById('saveState').textContent === 'Saved');
    assert.equal(await text(page, '#scriptPath'), script);

    // Scrub with the keys and the buttons.
    await page.focus('#sourceCanvas');
    await page.keyboard.press('ArrowRight');
    await page.keyboard.press('ArrowRight');
    assert.equal(await text(page, '#frameLabel'), 'frame 2 / 49');
    await page.keyboard.down('Shift');
    await page.keyboard.press('ArrowRight');
    await page.keyboard.up('Shift');
    assert.equal(await text(page, '#frameLabel'), 'frame 12 / 49');
    await page.keyboard.press('End');
    assert.equal(await text(page, '#frameLabel'), 'frame 49 / 49');
    await page.click('#back10');
    assert.equal(await text(page, '#frameLabel'), 'frame 39 / 49');
    await page.keyboard.press('Home');
    assert.equal(await text(page, '#timeLabel'), '0:00.00 / 0:01.96');
    // Play for a moment at the source's rate, then pause.
    await page.keyboard.press('Space');
    await new Promise((r) => setTimeout(r, 600));
    await page.keyboard.press('Space');
    const played = Number((await text(page, '#frameLabel')).split(' ')[1]);
    assert.ok(played >= 5 && played <= 30, `played to frame ${played}`);

    // To frame 30 with the slider, and wait for its picture.
    const sourceAt30 = page.waitForResponse((r) => r.url().includes('/api/frame?n=30'));
    await page.$eval('#slider', (slider) => {
      slider.value = '30';
      slider.dispatchEvent(new Event('input'));
    });
    await sourceAt30;
    assert.equal(await text(page, '#frameLabel'), 'frame 30 / 49');

    // Drag the top-left corner to the middle of the quarter: zoom 50, a new keyframe.
    const box = await (await page.$('#sourceCanvas')).boundingBox();
    const at = (fx, fy) => [box.x + fx * box.width, box.y + fy * box.height];
    await page.mouse.move(...at(0.002, 0.002));
    await page.mouse.down();
    await page.mouse.move(...at(0.15, 0.15), { steps: 4 });
    await page.mouse.move(...at(0.25, 0.25), { steps: 4 });
    await page.mouse.up();
    await page.waitForFunction(() => document.querySelector('#keyframeTable tbody').textContent.includes('key1'));
    // Then drag the rectangle's inside: the centre moves right 10 % and down 5 %.
    await page.mouse.move(...at(0.5, 0.5));
    await page.mouse.down();
    await page.mouse.move(...at(0.55, 0.52), { steps: 5 });
    await page.mouse.move(...at(0.6, 0.55), { steps: 5 });
    await page.mouse.up();
    const row = () => page.$$eval('#keyframeTable tbody tr td', (cells) => cells.map((c) => c.textContent));
    await page.waitForFunction(() => document.querySelector('#keyframeTable tbody tr td:nth-child(5)').textContent === '60');
    assert.deepEqual(await row(), ['', 'key1', '30', '50', '60', '55', '0']);

    // A one-word label, however typed, and the hold-then-ramp code 2.
    await page.click('#kLabel', { clickCount: 3 });
    await page.keyboard.type('close up');
    assert.equal(await page.$eval('#kLabel', (input) => input.value), 'close-up');
    const codes = await page.$$eval('#kTransition option', (options) => options.map((o) => o.textContent));
    assert.deepEqual(codes, ['0 · linear across the whole segment', '1 · hold, then ramp over 2T = 50 frames',
      '2 · hold, then ramp over T = 25 frames', '3 · hold, then ramp over T/2 = 12 frames']);
    await page.select('#kTransition', '2');
    await page.waitForFunction(() => document.getElementById('saveState').textContent === 'Unsaved changes');
    assert.deepEqual(await row(), ['', 'close-up', '30', '50', '60', '55', '2']);

    // Save: the file says exactly what the page shows.
    await page.click('#saveButton');
    await page.waitForFunction(() => document.getElementById('saveState').textContent === 'Saved');
    assert.equal(fs.readFileSync(script, 'utf8'),
      'camdrift-studio job for clip.mp4\n' +
      `${clip}\n${path.join(dir, 'clip-framed.mp4')}\n/usr/bin/ffmpeg\navc1\n1\n320\n180\n` +
      'close-up 30 50 60 55 2\n');

    // Render with camdrift; the output has every frame and the sound.
    await page.click('#renderButton');
    await page.waitForFunction(() => /exit status/.test(document.getElementById('renderState').textContent),
      { timeout: 120000 });
    assert.equal(await text(page, '#renderState'), 'exit status 0: complete. Finished!');
    const log = await text(page, '#renderLog');
    assert.match(log, /^Opened\n320x180@25\.000000\t50\nfn2=.*clip-framed\.mp4\nFinished!$/);
    const output = path.join(dir, 'clip-framed.mp4');
    assert.equal(probe(output, 'v:0', 'nb_read_packets'), String(FRAMES));
    assert.equal(probe(output, 'v:0', 'width,height'), '320,180');
    assert.equal(probe(output, 'a:0', 'codec_name'), 'aac');

    // A frame on the ramp for the picture a person looks at.
    const onRamp = page.waitForResponse((r) => r.url().includes('/api/output'));
    await page.$eval('#slider', (slider) => {
      slider.value = '18';
      slider.dispatchEvent(new Event('input'));
    });
    await onRamp;
    await new Promise((r) => setTimeout(r, 300));
    await page.screenshot({ path: screenshot, fullPage: true });
  } finally {
    await browser.close();
    const status = await stopStudio(studio.child);
    fs.rmSync(profile, { recursive: true, force: true });
    fs.rmSync(dir, { recursive: true, force: true });
    assert.equal(status, 0);
  }
  assert.deepEqual(problems, []);
});
