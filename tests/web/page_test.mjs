// The page in a real headless Chromium: the three tasks against the native command line, the questions'
// dialogs, a damaged database, working offline, requests, console errors and axe-core.
//   node page_test.mjs SITE-DIR CARILLO-BINARY
import assert from 'node:assert/strict';
import { execFileSync } from 'node:child_process';
import fs from 'node:fs';
import http from 'node:http';
import os from 'node:os';
import path from 'node:path';
import { createRequire } from 'node:module';
import { unzipSync, zipSync } from 'fflate';
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
const messages = () => page.$$eval('#messages p', items => items.map(item => item.textContent).join(' | '));
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
  // Tunes are listed once read, which moves what lies below them.
  await page.waitForFunction(() => [...document.querySelectorAll('.chosen')].every(p => p.textContent !== 'Reading…'));
}
async function typeName(name) {
  await page.$eval('#database-name', input => { input.value = ''; });
  await page.type('#database-name', name);
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
function nativeExtract(pdb, ...flags) {
  const dir = fs.mkdtempSync(path.join(work, 'native-'));
  fs.writeFileSync(path.join(dir, 'db.pdb'), pdb);
  const tunes = path.join(dir, 'tunes');
  fs.mkdirSync(tunes);
  execFileSync(carillo, ['extract', '-q', ...flags, path.join(dir, 'db.pdb'), tunes], { stdio: 'pipe' });
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
    const extracted = nativeExtract(pdb);
    assert.deepEqual(unzipped(await downloaded('native.zip')), extracted);
    await click('#listing-rows tr:nth-child(2) button:not(.play)');
    assert.ok((await downloaded('be_sharp_bw_redfarn.mid')).equals(extracted['be_sharp_bw_redfarn.mid']));
  });

  // The Float32 samples the page last handed to Web Audio, and a WAV's samples / 32768.
  const lastSound = async () => Buffer.from(await page.evaluate(() => new Promise(resolve => {
    const reader = new FileReader();
    reader.onload = () => resolve(reader.result.slice(reader.result.indexOf(',') + 1));
    reader.readAsDataURL(new Blob([window.carillo.lastSound]));
  })), 'base64');
  const wavSound = wav => Buffer.from(Float32Array.from(new Int16Array(wav.buffer.slice(wav.byteOffset + 44, wav.byteOffset + wav.length)), s => s / 32768).buffer);
  const pressed = selector => page.$eval(selector, button => [button.getAttribute('aria-pressed'), button.getAttribute('aria-label')]);
  const options = async (ring, toSmf0, cut) => {
    await tab('compile');
    for (const [id, on] of [['ring', ring], ['to-smf0', toSmf0]]) if (await page.$eval(`#${id}`, box => box.checked) !== on) await page.click(`#${id}`);
    await page.$eval('#ring-seconds', (input, text) => { input.value = text; input.dispatchEvent(new Event('input')); }, cut);
  };

  await check('▶ hands Web Audio what carillo render writes, of a record and of a chosen tune made to ring; again, or another ▶, stops it; a tune that plays nothing says why', async () => {
    const wav = path.join(work, 'sound.wav');
    const chosen = tunes.slice(0, 3);
    for (const [what, press, render, setUp] of [
      ['record #1', '#listing-rows tr:nth-child(1) button.play', ['render', path.join(work, 'native.pdb'), '#1'], () => tab('extract')],
      ['a chosen tune cut after 4.5 s', '#midi-tunes li:nth-child(2) button.play', ['render', '--ring', '--seconds', '4.5', chosen[1]], async () => {
        await options(true, true, '4.5');
        await pick('#midi-files', chosen);
        await page.waitForSelector('#midi-tunes li:nth-child(3) button.play');
      }]]) {
      await setUp();
      await click(press);
      await idle();
      assert.deepEqual(await pressed(press), ['true', `Play ${what === 'record #1' ? '5432gone_redfarn' : path.basename(chosen[1])}`], what);
      execFileSync(carillo, [...render, wav, '-q', '-y']);
      assert.ok((await lastSound()).equals(wavSound(fs.readFileSync(wav))), what);
    }
    await click('#midi-tunes li:nth-child(3) button.play');
    await idle();
    assert.deepEqual([(await pressed('#midi-tunes li:nth-child(2) button.play'))[0], (await pressed('#midi-tunes li:nth-child(3) button.play'))[0]], ['false', 'true']);
    await page.click('#midi-tunes li:nth-child(3) button.play');
    assert.equal((await pressed('#midi-tunes li:nth-child(3) button.play'))[0], 'false');
    await options(false, false, '');
    await click('#midi-tunes li:nth-child(1) button.play');
    await idle();
    assert.match(await messages(), /Unable to continuenot rendered: plays nothing: format 1$/);
    assert.equal((await pressed('#midi-tunes li:nth-child(1) button.play'))[0], 'false');
    await options(false, true, '');
  });

  await check('with "Make each tune ring" cut after 20 s, compile makes what carillo compile --ring --seconds 20 makes', async () => {
    await options(true, true, '20');
    await pick('#midi-files', tunes.slice(0, 8));
    await click('#compile');
    const shaped = await downloaded('My_MIDI_Database.pdb');
    execFileSync(carillo, ['compile', '-q', '--ring', '--seconds', '20', ...tunes.slice(0, 8), path.join(work, 'ring.pdb')]);
    assert.ok(withoutDates(shaped).equals(withoutDates(fs.readFileSync(path.join(work, 'ring.pdb')))));
    await options(false, true, '');
  });

  await check('a Windows-1252 name survives both ways; a name it cannot hold is skipped with a word', async () => {
    await tab('compile');
    const dir = fs.mkdtempSync(path.join(work, 'names-'));
    fs.copyFileSync(tunes[0], path.join(dir, 'Café Ünï–€.mid'));
    fs.writeFileSync(path.join(dir, 'more.zip'), zipSync({ 'in/日本.mid': fs.readFileSync(tunes[1]) }));
    fs.copyFileSync(tunes[2], path.join(dir, 'a\\b.mid'));
    await typeName('日本');
    assert.equal(await page.$eval('#database-name', input => input.getAttribute('aria-invalid')), 'true');
    await typeName('Dépôt');
    assert.equal(await page.$eval('#database-name', input => input.getAttribute('aria-invalid')), 'false');
    await pick('#midi-files', fs.readdirSync(dir).map(n => path.join(dir, n)));
    await click('#compile');
    const named = await downloaded('Dépôt.pdb');
    // The name as picked, whatever the run before showed its paths as.
    assert.match(await messages(), /a\\b\.mid: skipped: a name with "\\" cannot be a record's \| more\.zip\/in\/日本\.mid: skipped: Windows-1252 cannot hold this name/);
    fs.writeFileSync(path.join(dir, 'Dépôt.pdb'), named);
    const listing = JSON.parse(execFileSync(carillo, ['list', '--json', path.join(dir, 'Dépôt.pdb')]).toString());
    assert.deepEqual([listing.name, listing.records.map(r => r.name)], ['Dépôt', ['Café Ünï–€']]);
    await tab('extract');
    await pick('#pdb-file', [path.join(dir, 'Dépôt.pdb')]);
    await click('#extract');
    assert.deepEqual(Object.keys(unzipped(await downloaded('Dépôt.zip'))), ['Café Ünï–€.mid']);
    await page.$eval('#database-name', input => { input.value = 'My MIDI Database'; input.dispatchEvent(new Event('input')); });
  });

  await check('questions: OK and Cancel on a broken tune, Escape cancels; a record name twice given extracts as two files', async () => {
    await tab('compile');
    const dir = fs.mkdtempSync(path.join(work, 'ask-'));
    const long = 'L'.repeat(31);
    fs.writeFileSync(path.join(dir, 'broken.mid'), 'not a tune at all');
    fs.copyFileSync(tunes[2], path.join(dir, `${long}1.mid`));
    fs.copyFileSync(tunes[3], path.join(dir, `${long}2.mid`));
    const skip = ['MIDI Error', 'Wrong MIDI format:\nbroken.mid\nnot a Standard MIDI File: it does not begin with "MThd" (at byte 0)', ['OK', 'Cancel']];
    await pick('#midi-files', fs.readdirSync(dir).map(n => path.join(dir, n)));
    for (const button of ['Cancel', 'Escape']) {
      await click('#compile');
      await answer(...skip, button);
      await idle();
      assert.deepEqual(fs.readdirSync(downloads), []);
    }
    await click('#compile');
    await answer(...skip, 'OK');
    const clash = await downloaded('My_MIDI_Database.pdb');
    assert.match(await messages(), /broken\.mid: skipped: Wrong MIDI format: not a Standard MIDI File: it does not begin with "MThd" \(at byte 0\) \| L{31}1\.mid: a record name holds 31 characters: stored as "L{31}" \| L{31}2\.mid: a record name holds 31 characters: stored as "L{31}" \| L{31}2\.mid: gives the record name of L{31}1\.mid; an extract/);
    fs.writeFileSync(path.join(dir, 'Clash.pdb'), clash);
    await tab('extract');
    await pick('#pdb-file', [path.join(dir, 'Clash.pdb')]);
    await page.waitForFunction(() => document.querySelectorAll('#listing-rows tr').length === 2);
    await click('#extract');
    const extracted = unzipped(await downloaded('Clash.zip'));
    assert.deepEqual([Object.keys(extracted), extracted], [[`${long} (2).mid`, `${long}.mid`], nativeExtract(clash)]);
  });

  await check('too much input, a file that is no database and a damaged one are told; the page goes on', async () => {
    await tab('compile');
    const huge = path.join(work, 'huge.mid');
    fs.writeFileSync(huge, '');
    fs.truncateSync(huge, 512 * 1024 * 1024 + 1);
    await pick('#midi-files', [huge]);
    await click('#compile');
    await idle();
    assert.match(await messages(), /more than 512 MB in all/);
    await tab('extract');
    fs.writeFileSync(path.join(work, 'junk.pdb'), 'no database');
    await pick('#pdb-file', [path.join(work, 'junk.pdb')]);
    await idle();
    assert.match(await messages(), /Unable to continuenot a Palm database \(too short for a database header\)$/);
    const damaged = Buffer.from(pdb);
    damaged.writeUInt32BE(pdb.length + 1000, 78 + 30 * 8);  // the last record lies past the end
    // An emulator's backup: its MIDI databases are offered, the others not.
    fs.writeFileSync(path.join(work, 'backup.zip'), zipSync({ 'b/Tunes.pdb': pdb, 'b/Memo.pdb': fs.readFileSync(path.join(work, 'junk.pdb')), 'b/Damaged.pdb': damaged }));
    await pick('#pdb-file', [path.join(work, 'backup.zip')]);
    await idle();
    assert.deepEqual(await page.$$eval('#database-select option', options => options.map(o => o.textContent)),
      ['backup.zip/b/Tunes.pdb', 'backup.zip/b/Damaged.pdb']);
    await page.select('#database-select', '1');
    await page.waitForFunction(() => document.querySelectorAll('#listing-rows td.problem').length > 0);
    const problems = await page.$$eval('td.problem', cells => cells.map(c => c.textContent));
    assert.ok(problems.length >= 1 && problems.every(problem => /\w/.test(problem)), problems);
    await click('#extract');
    assert.equal(Object.keys(unzipped(await downloaded('Damaged.zip'))).length, 31 - problems.length);
    assert.match(await messages(), /MIDI Error/);
  });

  await check('a backup\'s System MIDI Sounds gains two tunes, one replacing its namesake, and loses #5 as carillo add -y then remove make it; refusals download nothing', async () => {
    const dir = fs.mkdtempSync(path.join(work, 'add-'));
    const system = path.join(dir, 'System_MIDI_Sounds.PDB'), added = path.join(dir, 'new');
    execFileSync(carillo, ['compile', '-q', '--to-smf0', '--name', 'System MIDI Sounds', samples, system]);
    fs.mkdirSync(added);
    fs.copyFileSync(tunes[5], path.join(added, 'be_sharp_bw_redfarn.mid'));
    fs.copyFileSync(tunes[6], path.join(added, 'Wake up.mid'));
    fs.writeFileSync(path.join(dir, 'backup.zip'), zipSync({ 'b/Tunes.pdb': pdb, 'b/System_MIDI_Sounds.PDB': fs.readFileSync(system), 'b/Memo.pdb': Buffer.from('no database') }));
    await tab('add');
    await pick('#add-pdb', [path.join(dir, 'backup.zip')]);
    await page.waitForFunction(() => document.querySelectorAll('#add-listing-rows tr').length === 31);
    assert.deepEqual(await page.$eval('#add-select', s => [...s.options].map(o => o.textContent).concat(s.value)),
      ['backup.zip/b/Tunes.pdb', 'backup.zip/b/System_MIDI_Sounds.PDB', '1']);
    await pick('#add-files', fs.readdirSync(added).map(n => path.join(added, n)));
    await page.click('#add-listing-rows tr:nth-child(5) input');
    await click('#add-go');
    await answer('Tune exists', 'A tune named "be_sharp_bw_redfarn" is already in the database.\nReplace it?', ['Yes', 'No', 'Cancel'], 'Yes');
    const edited = await downloaded('System_MIDI_Sounds.PDB');
    assert.match(await messages(), /1 tune added, 1 replaced, 1 removed; the database holds 31 records\.$/);
    execFileSync(carillo, ['add', '-q', '-y', '--to-smf0', system, added]);
    execFileSync(carillo, ['remove', '-q', system, '#5']);
    const native = fs.readFileSync(system);
    assert.equal(edited.readUInt32BE(48) + 1, native.readUInt32BE(48), 'one edit, where the command line made two');
    edited.copy(native, 40, 40, 44);
    edited.copy(native, 48, 48, 52);
    assert.ok(edited.equals(native));
    // The result is listed, so every one of its records can be checked.
    await page.$$eval('#add-listing-rows input', boxes => boxes.forEach(box => { box.checked = true; }));
    const other = Buffer.from(edited), damaged = Buffer.from(edited);
    other.write('DATA', 60);
    damaged.writeUInt32BE(edited.length + 1000, 78 + 30 * 8);
    for (const [file, bytes, refusal] of [[null, null, /removing every record would leave it empty/], ['Other.pdb', other, /not a MIDI sound database \(type "DATA"\)/],
      ['Damaged.pdb', damaged, /record 31.*begins past the end of the file/]]) {
      if (file) {
        fs.writeFileSync(path.join(dir, file), bytes);
        await pick('#add-pdb', [path.join(dir, file)]);
        await idle();
        await page.click('#add-listing-rows tr:nth-child(1) input');
      }
      await click('#add-go');
      await idle();
      assert.match(await messages(), new RegExp(`Unable to continue${refusal.source}[^|]*$`));
      assert.deepEqual(fs.readdirSync(downloads), [], file);
    }
  });

  await check('axe-core finds no violation on any task, at desktop width and at 360 px, where no listing scrolls sideways', async () => {
    await page.addScriptTag({ path: createRequire(import.meta.url).resolve('axe-core/axe.min.js') });
    for (const width of [1200, 360]) {
      await page.setViewport({ width, height: 800 });
      for (const name of ['compile', 'extract', 'add']) {
        await tab(name);
        assert.ok(await page.$eval(`#panel-${name}`, panel => [...panel.querySelectorAll('.table-wrap')].every(wrap => wrap.scrollWidth <= wrap.clientWidth)), `${name} scrolls at ${width}`);
        const violations = await page.evaluate(() => axe.run(document).then(r => r.violations.map(v => `${v.id}: ${v.nodes.map(n => n.target).join(' ')}`)));
        assert.deepEqual(violations, [], `${name} at ${width}`);
      }
    }
  });

  await check('with the server stopped, a reload still converts', async () => {
    await new Promise(resolve => { server.close(resolve); server.closeAllConnections(); });
    await tab('compile');
    await typeName('Kept Name');
    await page.reload();
    await pick('#midi-files', [tunes[4]]);
    await click('#compile');
    assert.ok((await downloaded('Kept_Name.pdb')).length > 78);
  });

  await check('no console error, no request off localhost', () => {
    assert.deepEqual(consoleErrors, []);
    assert.deepEqual(offsite, []);
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
