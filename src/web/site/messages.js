// Messages and questions: the message area, and the core's questions as a modal dialog; each run
// says how the paths it names are shown.
import { decodeCoreText } from './names.js';

const $ = id => document.getElementById(id);
let latest = null;  // the message to scroll to at the next frame

// Adds a message; `where`, a path as the user knows it, leads a note.
export function say(kind, text, caption = '', where = '') {
  const item = document.createElement('p');
  item.className = kind;
  if (caption) item.append(Object.assign(document.createElement('strong'), { textContent: caption }));
  item.append((kind === 'note' && where ? `${where}: ` : '') + text.replace(/\r\n?/g, '\n'));
  $('messages').append(item);
  // Once a frame: scrolling lays the page out, which over a long listing cost more than the run.
  if (!latest) requestAnimationFrame(() => { latest.scrollIntoView({ block: 'nearest' }); latest = null; });
  latest = item;
}

// Shows a question with the buttons of its kind; resolves to the core's value for the one
// pressed, and to Cancel's for Escape.
function ask(known, buttons, bytes, caption) {
  const { answers } = known;
  const choices = buttons === known.buttons.yes_no_cancel
    ? [['Yes', answers.yes], ['No', answers.no], ['Cancel', answers.cancel]]
    : [['OK', answers.ok], ['Cancel', answers.cancel]];
  const dialog = $('question');
  $('question-caption').textContent = caption;
  $('question-text').textContent = decodeCoreText(bytes).replace(/\r\n?/g, '\n');
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
      answer(answers.cancel);
    };
    dialog.addEventListener('cancel', onCancel);
    for (const [label, value] of choices) {
      const button = Object.assign(document.createElement('button'), { type: 'button', textContent: label });
      button.addEventListener('click', () => answer(value));
      row.append(button);
    }
    dialog.showModal();
    row.firstChild.focus();  // the default button
  });
}

// How one run shows the core (`known` being its constants): its messages with each path as
// `shownPath` gives it, its questions in the dialog. An error about the name field calls
// `onNameError`.
export function runFace(known, shownPath, onNameError = () => {}) {
  return {
    tell(kind, bytes, caption, path, field) {
      say(kind, decodeCoreText(bytes), caption, path ? shownPath(path) : '');
      if (kind === 'error' && field === known.fields.database_name) onNameError();
    },
    ask: (buttons, bytes, caption) => ask(known, buttons, bytes, caption),
  };
}
