// The core as a wasm module: made on first use, and made anew after an abort, since its memory
// can no longer be trusted then. Its calls may wait for a dialog, so one runs at a time, and the
// run's face shows what it asks and tells.
import createCarilloCore from './carillo-core.js';

let core = null;
let making = null;     // the module being made, which every caller waits for
let constants = null;  // what the core knows and the page shows, read from the first module
let face = null;       // shows the questions and messages of the run under way
let failed = null;     // rejects the run under way when the module aborts

function makeCore() {
  return createCarilloCore({
    carilloAsk: (buttons, text, caption) => face.ask(buttons, text, caption),
    carilloTell: (kind, text, caption, path, field) => face.tell(kind, text, caption, path, field),
    onAbort: what => {
      core = null;
      if (failed) failed(new Error(`The converter stopped: ${what}`));
    },
    print: () => {},
    printErr: () => {},
  });
}

function ready() {
  if (core) return Promise.resolve(core);
  making ??= makeCore().then(made => {
    constants ??= JSON.parse(made.ccall('web_constants', 'string', [], []));
    core = made;
    return made;
  }).finally(() => { making = null; });
  return making;
}

// The core's facts the page uses (the longest database name, the kinds of question and their
// answers, the name field's number). The first call makes the module, so that the first click
// waits for nothing.
export async function coreConstants() {
  await ready();
  return constants;
}

// Runs `work(core)` with a module of its own kind: files put in, a call made, results taken out.
// `runFace` ({ ask, tell }) shows what the call asks and tells.
export async function withCore(runFace, work) {
  const used = await ready();
  face = runFace;
  const aborted = new Promise((_, reject) => { failed = reject; });
  try {
    return await Promise.race([work(used), aborted]);
  } catch (error) {
    core = null;  // an exception out of the module may have left it half way
    throw error;
  } finally {
    failed = null;
    if (core === used) core.ccall('web_clear', null, [], []);
  }
}

export function putFile(module, path, bytes) {
  const at = module.ccall('web_add_file', 'number', ['string', 'number'], [path, bytes.length]);
  if (!at && bytes.length) throw new Error('Out of memory');
  module.HEAPU8.set(bytes, at);
}

// A view of the file's bytes in the module's memory, good until the next call into the module.
export function viewFile(module, path) {
  const at = module.ccall('web_file_data', 'number', ['string'], [path]);
  const size = module.ccall('web_file_size', 'number', ['string'], [path]);
  return module.HEAPU8.subarray(at, at + size);
}

// The bytes laid out at `table` ([count, then address and size of each piece]) as one Blob.
export function joinPieces(module, table, type) {
  const count = new Uint32Array(module.HEAPU8.buffer, table, 1)[0];
  const words = new Uint32Array(module.HEAPU8.buffer, table + 4, 2 * count);
  const pieces = [];
  for (let i = 0; i < words.length; i += 2) pieces.push(module.HEAPU8.subarray(words[i], words[i] + words[i + 1]));
  return new Blob(pieces, { type });
}

// The name of the MIDI sound database at `path`, or null when the file is none.
export function midiDatabaseName(module, path) {
  const at = module.ccall('web_midi_database_name', 'number', ['string'], [path]);
  return at ? module.UTF8ToString(at) : null;
}

export function call(module, name, args, types) {
  return module.ccall(name, 'number', types, args, { async: true });
}
