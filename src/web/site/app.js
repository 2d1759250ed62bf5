// The page: three tasks as tabs, the fields kept in localStorage, and the pickers, buttons and drops
// that run the tasks, one at a time. It is ready for input once its core is.
import { busy } from './busy.js';
import { coreConstants } from './core.js';
import { fromDrop, fromFileList, readChosen } from './inputs.js';
import { listingView, list, offerDatabases, removeCell, saveCell } from './listing.js';
import { say } from './messages.js';
import { TUNES, addAndRemove, addTunes, checkName, chooseTunes, compile, compileTunes, downloadTune, extract } from './tasks.js';

const $ = id => document.getElementById(id);
const DEFAULT_NAME = 'My MIDI Database';
const DATABASES = /\.pdb$/i;

// What the bench and the tests read: the last run's time from the bytes in memory to the result
// and the part of it the result's Blob took, the runs ended, when the page was ready for input,
// and the last sound handed to Web Audio with the time rendering it took.
window.carillo = { lastRunMs: null, lastHandOverMs: null, runs: 0, lastSound: null, lastRenderMs: null };

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

// --- Fields kept for the next visit -------------------------------------------------------------

const stored = (key, fallback) => localStorage.getItem(`carillo.${key}`) ?? fallback;
$('database-name').value = stored('name', DEFAULT_NAME);

// The options are one setting shown on two tasks. The cut applies only to tunes made to ring.
const boxes = [[['smf0-only', 'add-smf0-only'], 'smf0Only', 'true'], [['to-smf0', 'add-to-smf0'], 'toSmf0', 'true'],
  [['ring', 'add-ring'], 'ring', 'false']];
const cuts = ['ring-seconds', 'add-ring-seconds'];
const cutWhenRinging = () => cuts.forEach(id => { $(id).disabled = !$('ring').checked; });
for (const [ids, key, fallback] of boxes) {
  for (const id of ids) {
    $(id).checked = stored(key, fallback) === 'true';
    $(id).addEventListener('change', () => {
      for (const other of ids) $(other).checked = $(id).checked;
      localStorage.setItem(`carillo.${key}`, String($(id).checked));
      cutWhenRinging();
    });
  }
}
for (const id of cuts) {
  $(id).value = stored('ringSeconds', '');
  $(id).addEventListener('input', () => {
    for (const other of cuts) $(other).value = $(id).value;
    localStorage.setItem('carillo.ringSeconds', $(id).value);
  });
}
cutWhenRinging();

// --- Pickers, buttons and listings --------------------------------------------------------------

for (const [id, picker] of [['midi-files', compileTunes], ['midi-folder', compileTunes], ['add-files', addTunes],
  ['add-folder', addTunes]]) {
  $(id).addEventListener('change', event => chooseTunes(picker, fromFileList(event.target.files)));
}

const extractView = listingView('database-select', 'database-choice', '',
  saveCell(record => busy(() => downloadTune(extractView.shown, record.number - 1))));
const addView = listingView('add-select', 'add-choice', 'add-', removeCell);
const chooseDatabases = async (view, files) => offerDatabases(view, await readChosen(files, DATABASES), files.length);

$('compile').addEventListener('click', () => busy(compile));
$('extract').addEventListener('click', () => busy(() => extract(extractView)));
$('add-go').addEventListener('click', () => busy(() => addAndRemove(addView)));
for (const view of [extractView, addView]) {
  view.select.addEventListener('change', event => busy(() => list(view, view.databases[Number(event.target.value)])));
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
// The name is judged against the core's longest once it is there.
coreConstants().then(known => {
  $('database-name').addEventListener('input', () => checkName(known));
  checkName(known);
  window.carillo.readyMs = performance.now();
}).catch(error => say('error', String(error), 'Error'));
