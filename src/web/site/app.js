// The page: two tasks as tabs, the fields kept in localStorage, the core's questions as dialogs
// and its messages in the message area.
import { zipSync } from './fflate.js';
import { call, fileNames, prepareCore, putFile, viewFile, withCore } from './core.js';
import { fromDrop, fromFileList, inNtfsOrder, readChosen } from './inputs.js';
import { decodeCoreText, downloadName, unholdable, windows1252Length } from './names.js';

const $ = id => document.getElementById(id);
const DEFAULT_NAME = 'My MIDI Database';
const TUNES = /\.midi?$/i;
const DATABASES = /\.pdb$/i;

// What the bench and the tests read: the last run's time from the bytes in memory to the result.
window.carillo = { lastRunMs: null, runs: 0 };

// --- Messages and questions ---------------------------------------------------------------------

let shownPath = p => p;

function say(kind, text, caption = '', path = '') {
  const item = document.createElement('p');
  item.className = kind;
  const where = path ? shownPath(path) : '';
  if (caption) {
    const title = document.createElement('strong');
    title.textContent = caption;
    item.append(title);
  }
  item.append((kind === 'note' && where ? `${where}: ` : '') + text.replace(/\r\n?/g, '\n'));
  $('messages').append(item);
  item.scrollIntoView({ block: 'nearest' });
}

const FIELDS = { 5: 'database-name' };  // the core's Edit5

const page = {
  tell(kind, bytes, caption, path, field) {
    say(kind, decodeCoreText(bytes), caption, path);
    if (FIELDS[field] && kind === 'error') markName(true, $(FIELDS[field]));
  },
  // Resolves 0 for OK or Yes, 1 for No, 2 for Cancel (Escape too).
  ask(buttons, bytes, caption) {
    const dialog = $('question');
    $('question-caption').textContent = caption;
    $('question-text').textContent = decodeCoreText(bytes).replace(/\r\n?/g, '\n');
    const labels = buttons === 1 ? ['Yes', 'No', 'Cancel'] : ['OK', 'Cancel'];
    const answers = buttons === 1 ? [0, 1, 2] : [0, 2];
    const row = $('question-buttons');
    row.replaceChildren();
    return new Promise(resolve => {
      const answer = value => {
        dialog.removeEventListener('cancel', onCancel);
        dialog.close();
        resolve(value);
      };
      const onCancel = event => {
        event.preventDefault();
        answer(2);
      };
      dialog.addEventListener('cancel', onCancel);
      labels.forEach((label, i) => {
        const button = document.createElement('button');
        button.type = 'button';
        button.textContent = label;
        button.addEventListener('click', () => answer(answers[i]));
        row.append(button);
      });
      dialog.showModal();
      row.firstChild.focus();  // the default button
    });
  },
};

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

// One run at a time: the buttons wait while the core works.
async function busy(work) {
  const buttons = document.querySelectorAll('.go, td button');
  buttons.forEach(button => { button.disabled = true; });
  document.body.setAttribute('aria-busy', 'true');
  try {
    await work();
  } catch (error) {
    say('error', error.message || String(error), 'Error');
  } finally {
    document.body.removeAttribute('aria-busy');
    document.querySelectorAll('.go, td button').forEach(button => { button.disabled = false; });
    window.carillo.runs += 1;
  }
}

// --- Tabs ---------------------------------------------------------------------------------------

const tabs = [$('tab-compile'), $('tab-extract')];
function selectTab(tab, focus) {
  for (const other of tabs) {
    const chosen = other === tab;
    other.setAttribute('aria-selected', String(chosen));
    other.tabIndex = chosen ? 0 : -1;
    $(other.getAttribute('aria-controls')).hidden = !chosen;
  }
  if (focus) tab.focus();
}
tabs.forEach((tab, i) => {
  tab.addEventListener('click', () => selectTab(tab, false));
  tab.addEventListener('keydown', event => {
    const step = { ArrowRight: 1, ArrowLeft: -1 }[event.key];
    if (step) selectTab(tabs[(i + step + tabs.length) % tabs.length], true);
  });
});
const compileShown = () => !$('panel-compile').hidden;

// --- MIDI files -> database ---------------------------------------------------------------------

let chosenTunes = [];
const nameInput = $('database-name');
const stored = (key, fallback) => localStorage.getItem(`carillo.${key}`) ?? fallback;

nameInput.value = stored('name', DEFAULT_NAME);
$('smf0-only').checked = stored('smf0Only', 'true') === 'true';
$('to-smf0').checked = stored('toSmf0', 'true') === 'true';

function markName(bad, input = nameInput) {
  input.setAttribute('aria-invalid', String(bad));
  $('database-name-help').classList.toggle('bad', bad);
}

// The name as typed: what is wrong with it, or '' when a database can carry it.
function nameProblem(name) {
  const bad = unholdable(name);
  if (bad.length) return `Windows-1252 cannot hold ${bad.map(ch => `"${ch}"`).join(', ')}.`;
  if (windows1252Length(name) > 31) return `${windows1252Length(name)} characters: at most 31 fit.`;
  return '';
}

function checkName() {
  const problem = nameProblem(nameInput.value);
  $('database-name-help').textContent = problem || 'At most 31 characters of Windows-1252 (Western European letters).';
  markName(problem !== '');
  localStorage.setItem('carillo.name', nameInput.value);
  return problem;
}
nameInput.addEventListener('input', checkName);
checkName();
for (const [id, key] of [['smf0-only', 'smf0Only'], ['to-smf0', 'toSmf0']]) {
  $(id).addEventListener('change', () => localStorage.setItem(`carillo.${key}`, String($(id).checked)));
}

function chooseTunes(files) {
  chosenTunes = files.filter(({ path }) => TUNES.test(path) || /\.zip$/i.test(path));
  const count = chosenTunes.length;
  $('midi-chosen').textContent = count === 0 ? 'No MIDI files or zips among them.'
    : `${count} file${count === 1 ? '' : 's'} chosen: ${chosenTunes.slice(0, 3).map(f => f.path).join(', ')}${count > 3 ? ', …' : ''}`;
}
$('midi-files').addEventListener('change', event => chooseTunes(fromFileList(event.target.files)));
$('midi-folder').addEventListener('change', event => chooseTunes(fromFileList(event.target.files)));

async function compile() {
  const problem = checkName();
  if (problem) {
    say('error', problem, 'Unable to continue');
    nameInput.focus();
    return;
  }
  const read = await readChosen(chosenTunes, TUNES);
  const started = performance.now();
  const tunes = inNtfsOrder(read);
  const name = nameInput.value.normalize('NFC');
  const pdb = await withCore(page, async core => {
    // Each file at the path the user knows it by, so that the core's words name it so.
    const sources = new Set();
    for (const tune of tunes) {
      if (tune.name.includes('\\')) {
        say('note', 'skipped: a name with "\\" cannot be a record\'s', '', tune.path);
        continue;
      }
      let source = tune.path.replace(/\//g, '\\');
      for (let n = 2; sources.has(source); ++n) source = `(${n})\\${tune.path.replace(/\//g, '\\')}`;
      sources.add(source);
      putFile(core, source, tune.bytes);
    }
    shownPath = path => path.replace(/\\/g, '/');
    // The core would ask for a directory, which the page has no field for.
    if (sources.size === 0) {
      say('error', 'No MIDI files chosen: pick some, a folder or a zip of them, or drop them here.', 'Unable to continue');
      return null;
    }
    const written = await call(core, 'web_compile', [[...sources].join('\n'), name, $('smf0-only').checked ? 1 : 0,
      $('to-smf0').checked ? 1 : 0], ['string', 'string', 'number', 'number']);
    return written ? new Blob([viewFile(core, '\\database.pdb')], { type: 'application/vnd.palm' }) : null;
  });
  if (!pdb) return;
  window.carillo.lastRunMs = performance.now() - started;
  download(pdb, `${downloadName(name)}.pdb`);
}
$('compile').addEventListener('click', () => busy(compile));

// --- Database -> MIDI files ---------------------------------------------------------------------

let databases = [];  // { path, name, bytes } of each offered database
let shown = null;    // the one listed

const isMidiDatabase = bytes => bytes.length >= 64 && String.fromCharCode(...bytes.subarray(60, 64)) === 'smfr';

async function chooseDatabases(files) {
  const read = await readChosen(files, DATABASES);
  const zipped = read.filter(file => file.path !== file.name);
  // From a backup, only MIDI databases; a database picked alone is listed whatever it is.
  databases = [...read.filter(file => file.path === file.name), ...zipped.filter(file => isMidiDatabase(file.bytes))];
  const select = $('database-select');
  select.replaceChildren(...databases.map((db, i) => new Option(db.path, String(i))));
  $('database-choice').hidden = databases.length < 2;
  if (databases.length === 0) {
    $('listing').hidden = true;
    say('warning', files.length ? 'No MIDI database (.pdb of type "smfr") among these files.' : 'No file chosen.');
    return;
  }
  await list(databases[0]);
}

function cell(row, text, className) {
  const td = document.createElement('td');
  td.textContent = text;
  if (className) td.className = className;
  row.append(td);
  return td;
}

async function list(database) {
  shown = null;
  $('listing').hidden = true;
  const json = await withCore(page, async core => {
    putFile(core, `\\${database.name}`, database.bytes);
    shownPath = () => database.path;
    return core.ccall('web_list', 'string', ['string'], [`\\${database.name}`]);
  });
  if (!json) return;
  const listing = JSON.parse(json);
  shown = database;
  $('listing-caption').textContent = listing.name;
  $('listing-source').textContent = `${listing.record_count} record${listing.record_count === 1 ? '' : 's'} in ${database.path}`;
  const rows = listing.records.map(record => {
    const row = document.createElement('tr');
    cell(row, String(record.number));
    cell(row, record.name ?? '');
    cell(row, record.size === undefined ? '' : String(record.size));
    cell(row, record.format === undefined ? '' : String(record.format));
    cell(row, record.plays_as_is === undefined ? '' : record.plays_as_is ? 'yes' : 'no');
    if (record.status === 'midi') {
      const button = document.createElement('button');
      button.type = 'button';
      button.textContent = 'Save';
      button.setAttribute('aria-label', `Download ${record.name}`);
      button.addEventListener('click', () => busy(() => downloadTune(record.number - 1)));
      cell(row, '').append(button);
    } else {
      cell(row, record.problem, 'problem');
    }
    return row;
  });
  $('listing-rows').replaceChildren(...rows);
  $('listing').hidden = false;
}

async function downloadTune(index) {
  const database = shown;
  const tune = await withCore(page, async core => {
    putFile(core, `\\${database.name}`, database.bytes);
    const name = core.ccall('web_tune', 'string', ['string', 'number'], [`\\${database.name}`, index]);
    return name ? { name, blob: new Blob([viewFile(core, `\\tune\\${name}`)], { type: 'audio/midi' }) } : null;
  });
  if (tune) download(tune.blob, tune.name);
}

async function extract() {
  const database = shown;
  if (!database) return;
  const started = performance.now();
  const stem = database.name.replace(/\.pdb$/i, '').replace(/\\/g, '_');
  const zip = await withCore(page, async core => {
    putFile(core, `\\${database.name}`, database.bytes);
    shownPath = path => (path.startsWith('\\') ? database.path : path.replace(/\\/g, '/'));
    await call(core, 'web_extract', [`\\${database.name}`, stem], ['string', 'string']);
    const names = fileNames(core, stem);
    if (names.length === 0) return null;
    const entries = {};
    for (const name of names) entries[name] = [viewFile(core, `${stem}\\${name}`), { level: 0 }];
    return new Blob([zipSync(entries)], { type: 'application/zip' });
  });
  if (!zip) return;
  window.carillo.lastRunMs = performance.now() - started;
  download(zip, `${downloadName(stem)}.zip`);
}
$('extract').addEventListener('click', () => busy(extract));
$('database-select').addEventListener('change', event => busy(() => list(databases[Number(event.target.value)])));
$('pdb-file').addEventListener('change', event => busy(() => chooseDatabases(fromFileList(event.target.files))));

// --- Dropping anywhere --------------------------------------------------------------------------

document.addEventListener('dragover', event => {
  event.preventDefault();
  document.body.classList.add('dragging');
});
document.addEventListener('dragleave', event => {
  if (!event.relatedTarget) document.body.classList.remove('dragging');
});
document.addEventListener('drop', event => {
  event.preventDefault();
  document.body.classList.remove('dragging');
  const dropped = fromDrop(event.dataTransfer);
  busy(async () => {
    const files = await dropped;
    if (compileShown()) chooseTunes(files);
    else await chooseDatabases(files);
  });
});

if ('serviceWorker' in navigator) navigator.serviceWorker.register('sw.js');
window.carillo.readyMs = performance.now();
setTimeout(() => prepareCore(page).catch(error => say('error', String(error), 'Error')), 0);
