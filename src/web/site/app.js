// The page: three tasks as tabs, the fields kept in localStorage, the core's questions as dialogs
// and its messages in the message area.
import { call, joinPieces, prepareCore, putFile, viewFile, withCore } from './core.js';
import { fromDrop, fromFileList, inNtfsOrder, readChosen } from './inputs.js';
import { decodeCoreText, downloadName, unholdable, windows1252Length } from './names.js';

const $ = id => document.getElementById(id);
const DEFAULT_NAME = 'My MIDI Database';
const TUNES = /\.midi?$/i;
const DATABASES = /\.pdb$/i;
const SYSTEM_SOUNDS = 'System MIDI Sounds';

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
  const buttons = document.querySelectorAll('.go, td button, td input');
  buttons.forEach(button => { button.disabled = true; });
  document.body.setAttribute('aria-busy', 'true');
  try {
    await work();
  } catch (error) {
    say('error', error.message || String(error), 'Error');
  } finally {
    document.body.removeAttribute('aria-busy');
    document.querySelectorAll('.go, td button, td input').forEach(button => { button.disabled = false; });
    window.carillo.runs += 1;
  }
}

// --- Tabs ---------------------------------------------------------------------------------------

const tabs = [$('tab-compile'), $('tab-extract'), $('tab-add')];
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
const shownTab = () => tabs.find(tab => tab.getAttribute('aria-selected') === 'true').id;

// --- MIDI files -> database ---------------------------------------------------------------------

// The tunes chosen for a task, and the line that says which.
const compileTunes = { files: [], status: $('midi-chosen') };
const addTunes = { files: [], status: $('add-chosen') };
const nameInput = $('database-name');
const stored = (key, fallback) => localStorage.getItem(`carillo.${key}`) ?? fallback;

nameInput.value = stored('name', DEFAULT_NAME);

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

// The options are one setting shown on two tasks.
for (const [ids, key] of [[['smf0-only', 'add-smf0-only'], 'smf0Only'], [['to-smf0', 'add-to-smf0'], 'toSmf0']]) {
  for (const id of ids) {
    $(id).checked = stored(key, 'true') === 'true';
    $(id).addEventListener('change', () => {
      for (const other of ids) $(other).checked = $(id).checked;
      localStorage.setItem(`carillo.${key}`, String($(id).checked));
    });
  }
}
const options = () => [$('smf0-only').checked ? 1 : 0, $('to-smf0').checked ? 1 : 0];

function chooseTunes(picker, files) {
  picker.files = files.filter(({ path }) => TUNES.test(path) || /\.zip$/i.test(path));
  const count = picker.files.length;
  picker.status.textContent = count === 0 ? (files.length ? 'No MIDI files or zips among them.' : 'No files chosen.')
    : `${count} file${count === 1 ? '' : 's'} chosen: ${picker.files.slice(0, 3).map(f => f.path).join(', ')}${count > 3 ? ', …' : ''}`;
}
for (const [id, picker] of [['midi-files', compileTunes], ['midi-folder', compileTunes], ['add-files', addTunes],
  ['add-folder', addTunes]]) {
  $(id).addEventListener('change', event => chooseTunes(picker, fromFileList(event.target.files)));
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
    let source = tune.path.replace(/\//g, '\\');
    for (let n = 2; sources.has(source); ++n) source = `(${n})\\${tune.path.replace(/\//g, '\\')}`;
    sources.add(source);
    putFile(core, source, tune.bytes);
  }
  return [...sources];
}

async function compile() {
  const problem = checkName();
  if (problem) {
    say('error', problem, 'Unable to continue');
    nameInput.focus();
    return;
  }
  const read = await readChosen(compileTunes.files, TUNES);
  const started = performance.now();
  const tunes = inNtfsOrder(read);
  const name = nameInput.value.normalize('NFC');
  const pdb = await withCore(page, async core => {
    const sources = putTunes(core, tunes);
    shownPath = path => path.replace(/\\/g, '/');
    // The core would ask for a directory, which the page has no field for.
    if (sources.length === 0) {
      say('error', 'No MIDI files chosen: pick some, a folder or a zip of them, or drop them here.', 'Unable to continue');
      return null;
    }
    const written = await call(core, 'web_compile', [sources.join('\n'), name, ...options()],
      ['string', 'string', 'number', 'number']);
    return written ? new Blob([viewFile(core, '\\database.pdb')], { type: 'application/vnd.palm' }) : null;
  });
  if (!pdb) return;
  window.carillo.lastRunMs = performance.now() - started;
  download(pdb, `${downloadName(name)}.pdb`);
}
$('compile').addEventListener('click', () => busy(compile));

// --- A database listed: extracted, or added to ------------------------------------------------

// Each task that lists a database: the ones offered, the one listed, its elements, and what the
// last column of a record's row holds.
const view = (select, choice, prefix, lastCell) => ({
  databases: [], shown: null, select: $(select), choice: $(choice), listing: $(`${prefix}listing`),
  source: $(`${prefix}listing-source`), caption: $(`${prefix}listing-caption`), rows: $(`${prefix}listing-rows`), lastCell,
});
const extractView = view('database-select', 'database-choice', '', saveCell);
const addView = view('add-select', 'add-choice', 'add-', removeCell);

const isMidiDatabase = bytes => bytes.length >= 64 && String.fromCharCode(...bytes.subarray(60, 64)) === 'smfr';
const databaseName = bytes => new TextDecoder('windows-1252').decode(bytes.subarray(0, 32)).replace(/\0[^]*$/, '');

// Offers the databases read: from a backup, only MIDI ones; a database picked alone whatever it is.
// The handheld's system sounds are chosen first, being what one adds alarms to.
async function offerDatabases(where, read, picked) {
  const zipped = read.filter(file => file.path !== file.name);
  where.databases = [...read.filter(file => file.path === file.name), ...zipped.filter(file => isMidiDatabase(file.bytes))];
  where.select.replaceChildren(...where.databases.map((db, i) => new Option(db.path, String(i))));
  where.choice.hidden = where.databases.length < 2;
  if (where.databases.length === 0) {
    where.listing.hidden = true;
    where.shown = null;
    say('warning', picked ? 'No MIDI database (.pdb of type "smfr") among these files.' : 'No file chosen.');
    return;
  }
  const system = Math.max(0, where.databases.findIndex(db => databaseName(db.bytes) === SYSTEM_SOUNDS));
  where.select.value = String(system);
  await list(where, where.databases[system]);
}
const chooseDatabases = async (where, files) => offerDatabases(where, await readChosen(files, DATABASES), files.length);

function cell(row, text, className) {
  const td = document.createElement('td');
  td.textContent = text;
  if (className) td.className = className;
  row.append(td);
  return td;
}

function saveCell(row, record) {
  if (record.status !== 'midi') return cell(row, record.problem, 'problem');
  const button = document.createElement('button');
  button.type = 'button';
  button.textContent = 'Save';
  button.setAttribute('aria-label', `Download ${record.name}`);
  button.addEventListener('click', () => busy(() => downloadTune(record.number - 1)));
  cell(row, '').append(button);
}

// Every record can go, by its number, whatever it holds.
function removeCell(row, record) {
  if (record.status !== 'midi') {
    row.children[1].append(Object.assign(document.createElement('span'), { className: 'problem', textContent: ` (${record.problem})` }));
  }
  const box = Object.assign(document.createElement('input'), { type: 'checkbox', value: String(record.number) });
  box.setAttribute('aria-label', `Remove #${record.number} ${record.name ?? ''}`.trim());
  cell(row, '').append(box);
}

async function list(where, database) {
  where.shown = null;
  where.listing.hidden = true;
  const json = await withCore(page, async core => {
    putFile(core, `\\${database.name}`, database.bytes);
    shownPath = () => database.path;
    return core.ccall('web_list', 'string', ['string'], [`\\${database.name}`]);
  });
  if (!json) return;
  const listing = JSON.parse(json);
  where.shown = database;
  where.caption.textContent = listing.name;
  where.source.textContent = `${listing.record_count} record${listing.record_count === 1 ? '' : 's'} in ${database.path}`;
  const rows = listing.records.map(record => {
    const row = document.createElement('tr');
    cell(row, String(record.number));
    cell(row, record.name ?? '');
    cell(row, record.size === undefined ? '' : String(record.size));
    cell(row, record.format === undefined ? '' : String(record.format));
    cell(row, record.plays_as_is === undefined ? '' : record.plays_as_is ? 'yes' : 'no', 'plays');
    where.lastCell(row, record);
    return row;
  });
  where.rows.replaceChildren(...rows);
  where.listing.hidden = false;
}

async function downloadTune(index) {
  const database = extractView.shown;
  const tune = await withCore(page, async core => {
    putFile(core, `\\${database.name}`, database.bytes);
    const name = core.ccall('web_tune', 'string', ['string', 'number'], [`\\${database.name}`, index]);
    return name ? { name, blob: new Blob([viewFile(core, `\\tune\\${name}`)], { type: 'audio/midi' }) } : null;
  });
  if (tune) download(tune.blob, tune.name);
}

async function extract() {
  const database = extractView.shown;
  if (!database) return;
  const started = performance.now();
  const stem = database.name.replace(/\.pdb$/i, '').replace(/\\/g, '_');
  const zip = await withCore(page, async core => {
    putFile(core, `\\${database.name}`, database.bytes);
    shownPath = path => (path.startsWith('\\') ? database.path : path.replace(/\\/g, '/'));
    const pieces = await call(core, 'web_extract_zip', [`\\${database.name}`, stem], ['string', 'string']);
    return pieces ? joinPieces(core, pieces, 'application/zip') : null;
  });
  if (!zip) return;
  window.carillo.lastRunMs = performance.now() - started;
  download(zip, `${downloadName(stem)}.zip`);
}

// Removes the checked records and adds the chosen tunes in one edit; the result downloads under
// the database's own file name and is listed, so that the next edit starts from it.
async function addAndRemove() {
  const database = addView.shown;
  if (!database) return;
  const removals = [...addView.rows.querySelectorAll('input:checked')].map(box => `#${box.value}`);
  const tunes = inNtfsOrder(await readChosen(addTunes.files, TUNES));
  if (tunes.length === 0 && removals.length === 0) {
    say('error', 'Nothing to do: choose tunes to add, or check records to remove.', 'Unable to continue');
    return;
  }
  const edited = await withCore(page, async core => {
    const at = `\\${database.name}`;
    putFile(core, at, database.bytes);
    const sources = putTunes(core, tunes);
    shownPath = path => (path === at ? database.path : path.replace(/\\/g, '/'));
    const written = await call(core, 'web_edit', [at, sources.join('\n'), removals.join('\n'), ...options()],
      ['string', 'string', 'string', 'number', 'number']);
    return written ? viewFile(core, at).slice() : null;
  });
  if (!edited) return;
  download(new Blob([edited], { type: 'application/vnd.palm' }), database.name);
  database.bytes = edited;
  chooseTunes(addTunes, []);
  $('add-files').value = $('add-folder').value = '';
  await list(addView, database);
}

$('extract').addEventListener('click', () => busy(extract));
$('add-go').addEventListener('click', () => busy(addAndRemove));
for (const where of [extractView, addView]) {
  where.select.addEventListener('change', event => busy(() => list(where, where.databases[Number(event.target.value)])));
}
$('pdb-file').addEventListener('change', event => busy(() => chooseDatabases(extractView, fromFileList(event.target.files))));
$('add-pdb').addEventListener('change', event => busy(() => chooseDatabases(addView, fromFileList(event.target.files))));

// --- Dropping anywhere --------------------------------------------------------------------------

// On the add task a drop is the database when it holds one (zips looked into), else tunes.
async function dropOnAdd(files) {
  const read = files.some(file => TUNES.test(file.path)) ? [] : await readChosen(files, DATABASES);
  if (read.length) await offerDatabases(addView, read, files.length);
  else chooseTunes(addTunes, files);
}

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
  const task = shownTab();
  busy(async () => {
    const files = await dropped;
    if (task === 'tab-compile') chooseTunes(compileTunes, files);
    else if (task === 'tab-extract') await chooseDatabases(extractView, files);
    else await dropOnAdd(files);
  });
});

if ('serviceWorker' in navigator) navigator.serviceWorker.register('sw.js');
window.carillo.readyMs = performance.now();
setTimeout(() => prepareCore(page).catch(error => say('error', String(error), 'Error')), 0);
