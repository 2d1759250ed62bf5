// The tasks, each one run of the core that ends in a download: compile the tunes chosen, extract
// the database listed, add to and remove from one, save one record's tune; and what they take.
import { call, coreConstants, joinPieces, putFile, viewFile, withCore } from './core.js';
import { inNtfsOrder, readChosen } from './inputs.js';
import { list } from './listing.js';
import { runFace, say } from './messages.js';
import { downloadName, unholdable, windows1252Length } from './names.js';
import { playButton, rendered, stopWithin } from './sound.js';

const $ = id => document.getElementById(id);
export const TUNES = /\.midi?$/i;
const userPath = path => path.replace(/\\/g, '/');  // a path the core was given, as the user gave it

// The result made a Blob for its download; how long that took is kept for the bench, since here
// it can take longer than the run itself.
function handedOver(makeBlob) {
  const start = performance.now();
  const blob = makeBlob();
  window.carillo.lastHandOverMs = performance.now() - start;
  return blob;
}

function download(blob, name) {
  const url = URL.createObjectURL(blob);
  const link = document.createElement('a');
  link.href = url;
  link.download = name;
  document.body.append(link);
  link.click();
  link.remove();
  setTimeout(() => URL.revokeObjectURL(url), 60000);
}

// --- What the tasks take ------------------------------------------------------------------------

// The tunes chosen for a task: the files picked, the tunes read from them (a promise, so that a
// run waits for the reading), the line that says how many, and their list, each with its ▶.
const picker = (status, list, cut) => ({ files: [], tunes: Promise.resolve([]), status: $(status), list: $(list), cut: $(cut) });
export const compileTunes = picker('midi-chosen', 'midi-tunes', 'ring-seconds');
export const addTunes = picker('add-chosen', 'add-tunes', 'add-ring-seconds');

// Puts a tune into the core at the path the user knows it by, so that the core's words name it so.
const corePath = tune => tune.path.replace(/\//g, '\\');

function showTunes(picker, tunes, picked) {
  stopWithin(picker.list);
  const count = tunes.length;
  picker.status.textContent = count === 0 ? (picked ? 'No MIDI files among them.' : 'No files chosen.')
    : `${count} tune${count === 1 ? '' : 's'} chosen:`;
  picker.list.replaceChildren(...tunes.map(tune => {
    const row = document.createElement('li');
    const play = playButton(tune.path, async () => (cutProblem(picker.cut, await coreConstants()) ? null
      : rendered(() => tune.path, core => {
        putFile(core, corePath(tune), tune.bytes);
        return [corePath(tune), -1, ...storing()];
      })));
    row.append(play, Object.assign(document.createElement('span'), { textContent: tune.path }));
    return row;
  }));
  picker.list.hidden = count === 0;
}

// Reads the tunes among `files` (zips opened) and lists them; the task's run takes them from there.
export function chooseTunes(picker, files) {
  picker.files = files.filter(({ path }) => TUNES.test(path) || /\.zip$/i.test(path));
  const reading = readChosen(picker.files, TUNES).then(inNtfsOrder);
  picker.tunes = reading;
  picker.status.textContent = picker.files.length ? 'Reading…'
    : files.length ? 'No MIDI files or zips among them.' : 'No files chosen.';
  picker.list.hidden = true;
  reading.then(tunes => { if (picker.tunes === reading) showTunes(picker, tunes, picker.files.length); },
    error => { if (picker.tunes === reading) picker.status.textContent = error.message; });
}

const nameInput = $('database-name');

function markName(bad) {
  nameInput.setAttribute('aria-invalid', String(bad));
  $('database-name-help').classList.toggle('bad', bad);
}

// The name as typed: what is wrong with it, or '' when a database can carry it.
function nameProblem(name, longest) {
  const bad = unholdable(name);
  if (bad.length) return `Windows-1252 cannot hold ${bad.map(ch => `"${ch}"`).join(', ')}.`;
  if (windows1252Length(name) > longest) return `${windows1252Length(name)} characters: at most ${longest} fit.`;
  return '';
}

// Says under the field what is wrong with the name, or what a name may be; keeps it for the next
// visit.
export function checkName(known) {
  const longest = known.max_name_length;
  const problem = nameProblem(nameInput.value, longest);
  $('database-name-help').textContent = problem || `At most ${longest} characters of Windows-1252 (Western European letters).`;
  markName(problem !== '');
  localStorage.setItem('carillo.name', nameInput.value);
  return problem;
}

// How the tasks store a tune, as the core takes it: "Convert format 1 to format 0", "Make each tune
// ring" and its cut (0 for none); app.js keeps each task's boxes alike.
function storing() {
  const cut = $('ring').checked ? Number($('ring-seconds').value.trim() || 0) : 0;
  return [$('to-smf0').checked ? 1 : 0, $('ring').checked ? 1 : 0, cut];
}
const options = () => [$('smf0-only').checked ? 1 : 0, ...storing()];

// The cut as typed is a number of seconds the core takes, or empty; else says so at the field.
function cutProblem(field, known) {
  const text = field.value.trim();
  const seconds = Number(text);
  const bad = $('ring').checked && text !== '' && !(seconds > 0 && seconds <= known.longest_cut_seconds);
  field.setAttribute('aria-invalid', String(bad));
  if (!bad) return false;
  say('error', `Cut after a number of seconds above 0, at most ${known.longest_cut_seconds}.`, 'Unable to continue');
  field.focus();
  return true;
}

// Puts the tunes into the core, each at the path the user knows it by, so that the core's words
// name it so; the paths, in order.
function putTunes(core, tunes) {
  const sources = new Set();
  for (const tune of tunes) {
    if (tune.name.includes('\\')) {
      say('note', 'skipped: a name with "\\" cannot be a record\'s', '', tune.path);
      continue;
    }
    let source = corePath(tune);
    for (let n = 2; sources.has(source); ++n) source = `(${n})\\${corePath(tune)}`;
    sources.add(source);
    putFile(core, source, tune.bytes);
  }
  return [...sources];
}

// --- The tasks ----------------------------------------------------------------------------------

export async function compile() {
  const known = await coreConstants();
  const problem = checkName(known);
  if (problem) {
    say('error', problem, 'Unable to continue');
    nameInput.focus();
    return;
  }
  if (cutProblem(compileTunes.cut, known)) return;
  const tunes = await compileTunes.tunes;
  const started = performance.now();
  const name = nameInput.value.normalize('NFC');
  const pdb = await withCore(runFace(known, userPath, () => markName(true)), async core => {
    const sources = putTunes(core, tunes);
    // The core would ask for a directory, which the page has no field for.
    if (sources.length === 0) {
      say('error', 'No MIDI files chosen: pick some, a folder or a zip of them, or drop them here.', 'Unable to continue');
      return null;
    }
    const written = await call(core, 'web_compile', [sources.join('\n'), name, ...options()],
      ['string', 'string', 'number', 'number', 'number', 'number']);
    return written ? handedOver(() => new Blob([viewFile(core, '\\database.pdb')], { type: 'application/vnd.palm' })) : null;
  });
  if (!pdb) return;
  window.carillo.lastRunMs = performance.now() - started;
  download(pdb, `${downloadName(name)}.pdb`);
}

export async function downloadTune(database, index) {
  const at = `\\${database.name}`;
  const tune = await withCore(runFace(await coreConstants(), () => database.path), async core => {
    putFile(core, at, database.bytes);
    const name = core.ccall('web_tune', 'string', ['string', 'number'], [at, index]);
    return name ? { name, blob: new Blob([viewFile(core, `\\tune\\${name}`)], { type: 'audio/midi' }) } : null;
  });
  if (tune) download(tune.blob, tune.name);
}

export async function extract(view) {
  const database = view.shown;
  if (!database) return;
  const known = await coreConstants();
  const started = performance.now();
  const at = `\\${database.name}`;
  const stem = database.name.replace(/\.pdb$/i, '').replace(/\\/g, '_');
  const zip = await withCore(runFace(known, path => (path.startsWith('\\') ? database.path : userPath(path))), async core => {
    putFile(core, at, database.bytes);
    const pieces = await call(core, 'web_extract_zip', [at, stem], ['string', 'string']);
    return pieces ? handedOver(() => joinPieces(core, pieces, 'application/zip')) : null;
  });
  if (!zip) return;
  window.carillo.lastRunMs = performance.now() - started;
  download(zip, `${downloadName(stem)}.zip`);
}

// Removes the checked records and adds the chosen tunes in one edit; the result downloads under
// the database's own file name and is listed, so that the next edit starts from it.
export async function addAndRemove(view) {
  const database = view.shown;
  if (!database) return;
  const removals = [...view.rows.querySelectorAll('input:checked')].map(box => `#${box.value}`);
  const known = await coreConstants();
  if (cutProblem(addTunes.cut, known)) return;
  const tunes = await addTunes.tunes;
  if (tunes.length === 0 && removals.length === 0) {
    say('error', 'Nothing to do: choose tunes to add, or check records to remove.', 'Unable to continue');
    return;
  }
  const at = `\\${database.name}`;
  const edited = await withCore(runFace(known, path => (path === at ? database.path : userPath(path))), async core => {
    putFile(core, at, database.bytes);
    const sources = putTunes(core, tunes);
    const written = await call(core, 'web_edit', [at, sources.join('\n'), removals.join('\n'), ...options()],
      ['string', 'string', 'string', 'number', 'number', 'number', 'number']);
    return written ? viewFile(core, at).slice() : null;
  });
  if (!edited) return;
  download(new Blob([edited], { type: 'application/vnd.palm' }), database.name);
  database.bytes = edited;
  chooseTunes(addTunes, []);
  $('add-files').value = $('add-folder').value = '';
  await list(view, database);
}
