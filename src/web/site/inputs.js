// The files the user hands over: from a file input, a folder picker or a drop (folders read
// through their entries), zips opened with fflate. Nothing leaves the browser.
import { unzipSync } from './fflate.js';
import { ntfsCompare } from './names.js';

export const MAX_INPUT_BYTES = 512 * 1024 * 1024;

export class TooLarge extends Error {
  constructor() {
    super(`The files come to more than ${MAX_INPUT_BYTES / 1024 / 1024} MB in all: choose fewer.`);
  }
}

// Picked or dropped files: { path, file } each, path with "/" between folders.
export function fromFileList(list) {
  return [...list].map(file => ({ path: file.webkitRelativePath || file.name, file }));
}

function readEntries(reader) {
  return new Promise((resolve, reject) => reader.readEntries(resolve, reject));
}

async function walk(entry, found) {
  if (entry.isFile) {
    const file = await new Promise((resolve, reject) => entry.file(resolve, reject));
    found.push({ path: entry.fullPath.replace(/^\//, ''), file });
  } else if (entry.isDirectory) {
    const reader = entry.createReader();
    // A directory reader hands its entries out in batches until an empty one.
    for (let batch = await readEntries(reader); batch.length; batch = await readEntries(reader)) {
      for (const child of batch) await walk(child, found);
    }
  }
}

export async function fromDrop(dataTransfer) {
  const entries = [...dataTransfer.items].filter(item => item.kind === 'file')
    .map(item => item.webkitGetAsEntry && item.webkitGetAsEntry());
  if (entries.length === 0 || entries.some(entry => !entry)) return fromFileList(dataTransfer.files);
  const found = [];
  for (const entry of entries) await walk(entry, found);
  return found;
}

const nameOf = path => path.slice(path.lastIndexOf('/') + 1);

// The bytes of the chosen files whose names match `wanted` (zips opened, the members whose names
// match taken), as { path, name, bytes }; refused before reading when they come to too much.
export async function readChosen(chosen, wanted) {
  const files = chosen.filter(({ path }) => wanted.test(path) || /\.zip$/i.test(path));
  if (files.reduce((sum, { file }) => sum + file.size, 0) > MAX_INPUT_BYTES) throw new TooLarge();
  const read = [];
  let total = 0;
  for (const { path, file } of files) {
    const bytes = new Uint8Array(await file.arrayBuffer());
    if (!/\.zip$/i.test(path)) {
      read.push({ path, name: nameOf(path), bytes });
      total += bytes.length;
      continue;
    }
    const members = unzipSync(bytes, {
      filter: member => {
        if (!wanted.test(member.name) || member.name.endsWith('/')) return false;
        total += member.originalSize;
        if (total > MAX_INPUT_BYTES) throw new TooLarge();
        return true;
      },
    });
    for (const [member, data] of Object.entries(members)) {
      const inside = member.replace(/\\/g, '/');
      read.push({ path: `${path}/${inside}`, name: nameOf(inside), bytes: data });
    }
  }
  if (total > MAX_INPUT_BYTES) throw new TooLarge();
  return read;
}

// In the order NTFS lists names, so that one set of files makes one database everywhere.
export function inNtfsOrder(files) {
  return [...files].sort((a, b) => ntfsCompare(a.name, b.name) || ntfsCompare(a.path, b.path));
}
