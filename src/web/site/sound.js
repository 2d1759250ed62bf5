// Tunes heard as the handheld plays them: the core renders what it sounds, Web Audio plays that.
// One sound at a time: its ▶ pressed again, or another ▶, stops it.
import { busy } from './busy.js';
import { call, coreConstants, withCore } from './core.js';
import { runFace } from './messages.js';

const LEVEL = 0.2;  // the handheld's square wave comes near full scale: a comfortable level
const FULL_SCALE = 32768;

let context = null;
let playing = null;  // { button, source }

function show(button, on) {
  button.setAttribute('aria-pressed', String(on));
  button.textContent = on ? '■' : '▶';
}

export function stop() {
  if (!playing) return;
  const { button, source } = playing;
  playing = null;
  source.onended = null;
  source.stop();
  show(button, false);
}

// Stops the sound when its ▶ is in `container`, whose rows are about to be replaced.
export function stopWithin(container) {
  if (playing && container.contains(playing.button)) stop();
}

function start(button, samples, rate) {
  if (samples.length === 0) return;  // a tune that plays for no time
  const buffer = context.createBuffer(1, samples.length, rate);
  buffer.copyToChannel(samples, 0);
  const source = new AudioBufferSourceNode(context, { buffer });
  const gain = new GainNode(context, { gain: LEVEL });
  source.connect(gain).connect(context.destination);
  source.onended = () => stop();
  playing = { button, source };
  show(button, true);
  source.start();
}

// What the handheld sounds of a tune, as Web Audio takes it (samples / 32768), or null after the
// core said why there is none. `put(core)` puts the tune in and gives web_render's arguments;
// `shownPath` shows the paths the core's messages name. The last sound and how long rendering it
// took are kept for the tests and the bench.
export async function rendered(shownPath, put) {
  const known = await coreConstants();
  return withCore(runFace(known, shownPath), async core => {
    const started = performance.now();
    const table = await call(core, 'web_render', put(core), ['string', 'number', 'number', 'number', 'number']);
    if (!table) return null;
    const [at, count] = new Uint32Array(core.HEAPU8.buffer, table, 2);
    const pcm = new Int16Array(core.HEAPU8.buffer, at, count);
    const samples = new Float32Array(count);
    for (let i = 0; i < count; ++i) samples[i] = pcm[i] / FULL_SCALE;
    Object.assign(window.carillo, { lastSound: samples, lastRenderMs: performance.now() - started });
    return samples;
  });
}

// A ▶ for the tune `name`, whose sound `render()` makes when pressed.
export function playButton(name, render) {
  const button = Object.assign(document.createElement('button'), { type: 'button', className: 'play' });
  button.setAttribute('aria-label', `Play ${name}`);
  show(button, false);
  button.addEventListener('click', () => {
    if (playing?.button === button) return stop();
    stop();
    // Made or resumed in the click itself: browsers let only a user's gesture start sound.
    context ??= new AudioContext();
    context.resume();
    return busy(async () => {
      const samples = await render();
      if (samples) start(button, samples, (await coreConstants()).sample_rate);
    });
  });
  return button;
}
