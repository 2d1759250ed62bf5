// Names as the core takes them: NTFS's listing order, and text that Windows-1252 can hold.

// NTFS compares names as UTF-16 code units after Unicode's simple upper-case mapping: a character
// whose upper case is more than one character (such as "ß") stays as it is.
function upcased(name) {
  let out = '';
  for (const ch of name) {
    const upper = ch.toUpperCase();
    out += [...upper].length === 1 ? upper : ch;
  }
  return out;
}

// Code point order is the order of the names' UTF-8 bytes.
function byCodePoints(a, b) {
  const x = [...a], y = [...b];
  for (let i = 0; i < Math.min(x.length, y.length); ++i) {
    const d = x[i].codePointAt(0) - y[i].codePointAt(0);
    if (d !== 0) return d;
  }
  return x.length - y.length;
}

export function ntfsCompare(a, b) {
  const ua = upcased(a), ub = upcased(b);
  if (ua !== ub) return ua < ub ? -1 : 1;
  return byCodePoints(a, b);
}

// What Windows-1252 holds between 0x80 and 0x9F; the rest of the code page is Latin-1.
const HIGH = '€\u0081‚ƒ„…†‡ˆ‰Š‹Œ\u008DŽ\u008F\u0090‘’“”•–—˜™š›œ\u009DžŸ';
const UNDEFINED = '\u0081\u008D\u008F\u0090\u009D';

// The characters of `text` a database name cannot hold: outside Windows-1252, or controls.
export function unholdable(text) {
  const bad = new Set();
  for (const ch of text.normalize('NFC')) {
    const code = ch.codePointAt(0);
    const holds = (code >= 0x20 && code < 0x7F) || (code >= 0xA0 && code <= 0xFF) ||
                  (HIGH.includes(ch) && !UNDEFINED.includes(ch));
    if (!holds) bad.add(ch);
  }
  return [...bad];
}

// The length of `text` in Windows-1252 bytes.
export function windows1252Length(text) {
  return [...text.normalize('NFC')].length;
}

// Text the core hands over as bytes: paths are UTF-8, record names Windows-1252, both in one text
// at times; UTF-8 that decodes whole is taken as such.
const utf8 = new TextDecoder('utf-8', { fatal: true });
const cp1252 = new TextDecoder('windows-1252');
export function decodeCoreText(bytes) {
  try {
    return utf8.decode(bytes);
  } catch {
    return cp1252.decode(bytes);
  }
}

// A file name for a download: the characters Windows refuses, and spaces, as "_".
export function downloadName(text) {
  return text.replace(/[\\/:*?"<>|\s\u0000-\u001F]/g, '_');
}
