// The page in a real headless Chromium: both tasks against the native command line, the questions'
// dialogs, a damaged database, working offline, requests, console errors and axe-core.
//   node page_test.mjs SITE-DIR CARILLO-BINARY
import assert from 'node:assert/strict';
import { execFileSync } from 'node:child_process';
import fs from 'node:fs';
import http from 'node:http';
import os from 'node:os';
import path from 'node:path';
import { createRequire } from 'node:module';
import { unzipSync } from 'fflate';
import puppeteer from 'puppeteer-core';

const [site, carillo] = process.argv.slice(2).map(p => path.resolve(p));
const { ntfsCompare } = await import(path.join(site, 'names.js'));
const samples = '/usr/share/games/openttd/baseset/openmsx';
const work = fs.mkdtempSync(path.join(os.tmpdir(), 'carillo-page-'));
const downloads = path.join(work, 'downloads');
fs.mkdirSync(downloads);
const failures = [];
async function check(what, body) {
  try {
    await body();
    console.log(`ok: ${what}`);
  } catch (error) {
    failures.push(what);
    console.log(`FAILED: ${what}\n${error.stack}`);
  }
}

// NTFS order: UTF-16 units after simple upper-casing (ß stays), ties by bytes.
await check('names sort in NTFS order', () => {
  const names = ['😀.mid', 'b.mid', 'ß.mid', 'a.mid', 'ｚ.mid', '_x.mid', 'é.mid', 'Z.mid', 'A.mid'];
  assert.deepEqual(names.sort(ntfsCompare),
    ['A.mid', 'a.mid', 'b.mid', 'Z.mid', '_x.mid', 'é.mid', 'ß.mid', '😀.mid', 'ｚ.mid']);
});

const types = { '.html': 'text/html', '.js': 'text/javascript', '.css': 'text/css', '.wasm': 'application/wasm',
  '.png': 'image/png', '.webmanifest': 'application/manifest+json' };
const server = http.createServer((request, response) => {
  const file = path.join(site, decodeURIComponent(new URL(request.url, 'http://x').pathname).replace(/\/$/, '/index.html'));
  if (!file.startsWith(site) || !fs.existsSync(file)) return response.writeHead(404).end();
  response.writeHead(200, { 'content-type': types[path.extname(file)] || 'application/octet-stream' });
  response.end(fs.readFileSync(file));
});
await new Promise(resolve => server.listen(0, '127.0.0.1', resolve));
const origin = `http://127.0.0.1:${server.address().port}`;

const browser = await puppeteer.launch({
  executablePath: '/usr/bin/chromium',
  headless: true,
  args: ['--headless', '--no-sandbox', '--disable-gpu', '--disable-quic', '--no-first-run',
    '--disable-background-networking', '--disable-component-update', '--disable-sync',
    `--user-data-dir=${path.join(work, 'profile')}`],
});
const page = await browser.newPage();
const offsite = [], consoleErrors = [];
page.on('request', request => {
  const url = request.url();
  if (!url.startsWith(origin) && !url.startsWith('blob:') && !url.startsWith('data:')) offsite.push(url);
});
page.on('console', message => { if (message.type() === 'error') consoleErrors.push(message.text()); });
page.on('pageerror', error => consoleErrors.push(String(error)));
const cdp = await page.createCDPSession();
await cdp.send('Browser.setDownloadBehavior', { behavior: 'allow', downloadPath: downloads });

async function downloaded(name) {
  const file = path.join(downloads, name);
  for (let i = 0; i < 300 && !fs.existsSync(file); ++i) await new Promise(r => setTimeout(r, 50));
  assert.ok(fs.existsSync(file), `${name} was not downloaded; messages: ${await messages()}`);
  const bytes = fs.readFileSync(file);
  fs.rmSync(file);
  return bytes;
}
const messages = () => page.$$eval('#messages li', items => items.map(item => item.textContent).join(' | '));
const idle = () => page.waitForFunction(runs => window.carillo.runs > runs && !document.body.hasAttribute('aria-busy'),
  {}, runsBefore);
let runsBefore = 0;
async function click(selector) {
  runsBefore = await page.evaluate(() => window.carillo.runs);
  await page.click(selector);
}
async function pick(selector, files) {
  const input = await page.$(selector);
  runsBefore = await page.evaluate(() => window.carillo.runs);
  await input.uploadFile(...files);
}
async function tab(name) { await page.click(`#tab-${name}`); }
// Answers the open dialog with `button` after checking what it shows.
async function answer(caption, text, buttons, button) {
  await page.waitForSelector('#question[open]');
  const shown = await page.evaluate(() => ({
    caption: document.getElementById('question-caption').textContent,
    text: document.getElementById('question-text').textContent,
    buttons: [...document.querySelectorAll('#question-buttons button')].map(b => b.textContent),
    focused: document.activeElement.textContent,
  }));
  assert.deepEqual(shown, { caption, text, buttons, focused: buttons[0] });
  if (button === 'Escape') await page.keyboard.press('Escape');
  else await page.evaluate(b => [...document.querySelectorAll('#question-buttons button')].find(x => x.textContent === b).click(), button);
  await page.waitForSelector('#question:not([open])');
}
function nativeExtract(pdb) {
  const dir = fs.mkdtempSync(path.join(work, 'native-'));
  fs.writeFileSync(path.join(dir, 'db.pdb'), pdb);
  const tunes = path.join(dir, 'tunes');
  fs.mkdirSync(tunes);
  execFileSync(carillo, ['extract', '-q', path.join(dir, 'db.pdb'), tunes]);
  return Object.fromEntries(fs.readdirSync(tunes).sort().map(n => [n, fs.readFileSync(path.join(tunes, n))]));
}
const unzipped = zip => Object.fromEntries(Object.entries(unzipSync(zip)).sort().map(([n, b]) => [n, Buffer.from(b)]));
const withoutDates = bytes => Buffer.concat([bytes.subarray(0, 36), bytes.subarray(44)]);

try {
  await page.goto(origin + '/');
  await page.evaluate(() => navigator.serviceWorker.ready);

  const tunes = fs.readdirSync(samples).filter(n => n.endsWith('.mid')).map(n => path.join(samples, n));
  let pdb;
  await check('31 game tunes compile as carillo compile --to-smf0 does, and extract back as carillo extract', async () => {
    assert.equal(tunes.length, 31);
    await pick('#midi-files', tunes);
    await click('#compile');
    pdb = await downloaded('My_MIDI_Database.pdb');
    execFileSync(carillo, ['compile', '-q', '--to-smf0', samples, path.join(work, 'native.pdb')]);
    assert.ok(withoutDates(pdb).equals(withoutDates(fs.readFileSync(path.join(work, 'native.pdb')))));
    await tab('extract');
    await pick('#pdb-file', [path.join(work, 'native.pdb')]);
    await page.waitForFunction(() => document.querySelectorAll('#listing-rows tr').length === 31);
    await click('#extract');
    assert.deepEqual(unzipped(await downloaded('native.zip')), nativeExtract(pdb));
  });

  await check('a Windows-1252 name survives both ways; a name it cannot hold is skipped with a word', async () => {
    await tab('compile');
    const dir = fs.mkdtempSync(path.join(work, 'names-'));
    fs.copyFileSync(tunes[0], path.join(dir, 'Café Ünï–€.mid'));
    fs.copyFileSync(tunes[1], path.join(dir, '日本.mid'));
    await page.$eval('#database-name', input => { input.value = 'Dépôt'; input.dispatchEvent(new Event('input')); });
    await pick('#midi-files', fs.readdirSync(dir).map(n => path.join(dir, n)));
    await click('#compile');
    const named = await downloaded('Dépôt.pdb');
    assert.match(await messages(), /日本\.mid: skipped: Windows-1252 cannot hold this name/);
    fs.writeFileSync(path.join(dir, 'Dépôt.pdb'), named);
    const listing = JSON.parse(execFileSync(carillo, ['list', '--json', path.join(dir, 'Dépôt.pdb')]).toString());
    assert.deepEqual([listing.name, listing.records.map(r => r.name)], ['Dépôt', ['Café Ünï–€']]);
    await tab('extract');
    await pick('#pdb-file', [path.join(dir, 'Dépôt.pdb')]);
    await click('#extract');
    assert.deepEqual(Object.keys(unzipped(await downloaded('Dépôt.zip'))), ['Café Ünï–€.mid']);
    await page.$eval('#database-name', input => { input.value = 'My MIDI Database'; input.dispatchEvent(new Event('input')); });
  });
} finally {
  console.log(`console errors: ${consoleErrors.length}, requests off localhost: ${offsite.length}`);
  await browser.close();
  server.close();
  fs.rmSync(work, { recursive: true, force: true });
}
if (failures.length) {
  console.log(`${failures.length} failed: ${failures.join('; ')}`);
  process.exit(1);
}
