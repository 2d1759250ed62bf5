// A database listed: the databases offered to choose from, and the chosen one's table, made from
// the page's one template and filled from the core's listing.
import { coreConstants, midiDatabaseName, putFile, withCore } from './core.js';
import { runFace, say } from './messages.js';
import { playButton, rendered, stopWithin } from './sound.js';

const $ = id => document.getElementById(id);
const SYSTEM_SOUNDS = 'System MIDI Sounds';

// A task's listing, made in its placeholder (whose data- attributes name the task's button and last
// column): the databases offered, the one listed, its elements, and `lastCell(row, record)`, which
// fills the last cell of a record's row.
export function listingView(select, choice, prefix, lastCell) {
  const listing = $(`${prefix}listing`);
  listing.append($('listing-template').content.cloneNode(true));
  const [source, go, caption, rows] = ['p', '.go', 'caption', 'tbody'].map(part => listing.querySelector(part));
  Object.assign(go, { id: listing.dataset.go, textContent: listing.dataset.goText });
  listing.querySelector('th:last-child').textContent = listing.dataset.lastColumn;
  source.id = `${prefix}listing-source`;
  caption.id = `${prefix}listing-caption`;
  rows.id = `${prefix}listing-rows`;
  return { databases: [], shown: null, select: $(select), choice: $(choice), listing, source, caption, rows, lastCell };
}

function cell(row, text, className) {
  const td = document.createElement('td');
  td.textContent = text;
  if (className) td.className = className;
  row.append(td);
  return td;
}

// A record's tune, saved by `save(record)`; a record that holds none says why.
export const saveCell = save => (row, record) => {
  if (record.status !== 'midi') return cell(row, record.problem, 'problem');
  const button = Object.assign(document.createElement('button'), { type: 'button', textContent: 'Save' });
  button.setAttribute('aria-label', `Download ${record.name}`);
  button.addEventListener('click', () => save(record));
  cell(row, '').append(button);
};

// A record's tune as it is stored, heard as the handheld plays it.
function playCell(row, record, database) {
  const td = cell(row, '');
  if (record.status !== 'midi') return;
  const at = `\\${database.name}`;
  const name = record.name ?? `#${record.number}`;
  const shown = path => (path === at ? database.path : name);  // the sound, named after its record
  td.append(playButton(name, () => rendered(shown, core => {
    putFile(core, at, database.bytes);
    return [at, record.number - 1, 0, 0, 0];
  })));
}

// Every record can go, by its number, whatever it holds.
export function removeCell(row, record) {
  if (record.status !== 'midi') {
    row.querySelector('.name').append(Object.assign(document.createElement('span'), { className: 'problem', textContent: ` (${record.problem})` }));
  }
  const box = Object.assign(document.createElement('input'), { type: 'checkbox', value: String(record.number) });
  box.setAttribute('aria-label', `Remove #${record.number} ${record.name ?? ''}`.trim());
  cell(row, '').append(box);
}

export async function list(view, database) {
  view.shown = null;
  view.listing.hidden = true;
  const at = `\\${database.name}`;
  const json = await withCore(runFace(await coreConstants(), () => database.path), async core => {
    putFile(core, at, database.bytes);
    return core.ccall('web_list', 'string', ['string'], [at]);
  });
  if (!json) return;
  const listing = JSON.parse(json);
  view.shown = database;
  view.caption.textContent = listing.name;
  view.source.textContent = `${listing.record_count} record${listing.record_count === 1 ? '' : 's'} in ${database.path}`;
  const rows = listing.records.map(record => {
    const row = document.createElement('tr');
    cell(row, String(record.number));
    playCell(row, record, database);
    cell(row, record.name ?? '', 'name');
    cell(row, record.size === undefined ? '' : String(record.size));
    cell(row, record.format === undefined ? '' : String(record.format));
    cell(row, record.plays_as_is === undefined ? '' : record.plays_as_is ? 'yes' : 'no', 'plays');
    view.lastCell(row, record);
    return row;
  });
  stopWithin(view.rows);
  view.rows.replaceChildren(...rows);
  view.listing.hidden = false;
}

// Offers the databases read: from a backup, only MIDI ones, as the core judges them; a database
// picked alone whatever it is. The handheld's system sounds are chosen first, being what one adds
// alarms to.
export async function offerDatabases(view, read, picked) {
  const judged = '\\judged.pdb';
  const names = read.length === 0 ? [] : await withCore(runFace(await coreConstants(), path => path), async core =>
    read.map(file => {
      putFile(core, judged, file.bytes);
      return midiDatabaseName(core, judged);
    }));
  const midiName = new Map(read.map((file, i) => [file, names[i]]));
  view.databases = [...read.filter(file => file.path === file.name),
    ...read.filter(file => file.path !== file.name && midiName.get(file) !== null)];
  view.select.replaceChildren(...view.databases.map((db, i) => new Option(db.path, String(i))));
  view.choice.hidden = view.databases.length < 2;
  if (view.databases.length === 0) {
    view.listing.hidden = true;
    view.shown = null;
    say('warning', picked ? 'No MIDI database (.pdb of type "smfr") among these files.' : 'No file chosen.');
    return;
  }
  const system = Math.max(0, view.databases.findIndex(db => midiName.get(db) === SYSTEM_SOUNDS));
  view.select.value = String(system);
  await list(view, view.databases[system]);
}
