// The page's figures in headless Chromium: time to be ready for input, compile and extract of a
// set of tunes timed in the page from the files' bytes in memory to the result's bytes, with the
// part that making the result a Blob for its download took, and ▶ on a long tune timed from its
// bytes in memory to the samples handed to Web Audio.
//   node bench/web_bench.mjs SITE-DIR TUNES-DIR RUNS LONG-TUNE    prints one JSON object
import fs from 'node:fs';
import http from 'node:http';
import os from 'node:os';
import path from 'node:path';
import puppeteer from 'puppeteer-core';

const [site, tunesDir, runsText, longTune] = process.argv.slice(2);
const runs = Number(runsText || 5);
const work = fs.mkdtempSync(path.join(os.tmpdir(), 'carillo-web-bench-'));
const types = { '.js': 'text/javascript', '.wasm': 'application/wasm', '.css': 'text/css', '.html': 'text/html' };
const server = http.createServer((request, response) => {
  const file = path.join(site, new URL(request.url, 'http://x').pathname.replace(/\/$/, '/index.html'));
  if (!file.startsWith(path.resolve(site)) || !fs.existsSync(file)) return response.writeHead(404).end();
  const type = types[path.extname(file)];
  response.writeHead(200, type ? { 'content-type': type } : {}).end(fs.readFileSync(file));
});
await new Promise(resolve => server.listen(0, '127.0.0.1', resolve));
const origin = `http://127.0.0.1:${server.address().port}/`;
const browser = await puppeteer.launch({
  executablePath: '/usr/bin/chromium',
  args: ['--headless', '--no-sandbox', '--disable-gpu', '--disable-quic', '--no-first-run',
    '--disable-background-networking', '--disable-component-update', '--disable-sync', `--user-data-dir=${path.join(work, 'profile')}`],
});
const median = values => [...values].sort((a, b) => a - b)[Math.floor(values.length / 2)];

async function downloaded(name) {
  const file = path.join(work, name);
  for (let i = 0; i < 2400 && !fs.existsSync(file); ++i) await new Promise(r => setTimeout(r, 50));
  if (!fs.existsSync(file)) throw new Error(`${name} was not downloaded`);
  fs.renameSync(file, path.join(work, `last-${name}`));
  return path.join(work, `last-${name}`);
}

try {
  // A fresh page each time, the cache cold the first time only as a visitor's would be.
  const ready = [];
  for (let i = 0; i < runs; ++i) {
    const page = await browser.newPage();
    await page.goto(origin);
    await page.waitForFunction(() => window.carillo && window.carillo.readyMs !== undefined);
    ready.push(await page.evaluate(() => window.carillo.readyMs));
    await page.close();
  }

  const page = await browser.newPage();
  const cdp = await page.createCDPSession();
  await cdp.send('Browser.setDownloadBehavior', { behavior: 'allow', downloadPath: work });
  await page.goto(origin);
  const tunes = fs.readdirSync(tunesDir).map(n => path.join(tunesDir, n));
  await (await page.$('#midi-files')).uploadFile(...tunes);
  await page.waitForSelector('#midi-tunes:not([hidden])');
  const compile = [], extract = [], compileBlob = [], extractBlob = [];
  const timed = async (runs, blobs) => {
    const [lastRunMs, lastHandOverMs] = await page.evaluate(() => [window.carillo.lastRunMs, window.carillo.lastHandOverMs]);
    runs.push(lastRunMs);
    blobs.push(lastHandOverMs);
  };
  let pdb;
  for (let i = 0; i < runs; ++i) {
    await page.click('#compile');
    pdb = await downloaded('My_MIDI_Database.pdb');
    await timed(compile, compileBlob);
  }
  await page.click('#tab-extract');
  await (await page.$('#pdb-file')).uploadFile(pdb);
  await page.waitForSelector('#listing:not([hidden])');
  for (let i = 0; i < runs; ++i) {
    await page.click('#extract');
    await downloaded('last-My_MIDI_Database.zip');
    await timed(extract, extractBlob);
  }

  // Each press renders the tune afresh and plays it; the next press stops it.
  await page.click('#tab-compile');
  await (await page.$('#midi-files')).uploadFile(longTune);
  const play = '#midi-tunes li:first-child button.play';
  await page.waitForSelector(play);
  const render = [];
  let soundSeconds = 0;
  for (let i = 0; i < runs; ++i) {
    await page.click(play);
    await page.waitForSelector(`${play}[aria-pressed=true]`);
    const figures = await page.evaluate(() => [window.carillo.lastRenderMs, window.carillo.lastSound.length]);
    render.push(figures[0]);
    soundSeconds = figures[1] / 22050;  // the core renders at 22050 Hz
    await page.click(play);
  }
  console.log(JSON.stringify({ tunes: tunes.length, ready_ms: median(ready), first_ready_ms: ready[0],
    compile_ms: median(compile), extract_ms: median(extract), compile_blob_ms: median(compileBlob),
    extract_blob_ms: median(extractBlob), render_ms: median(render), sound_seconds: soundSeconds }));
} finally {
  await browser.close();
  server.close();
  fs.rmSync(work, { recursive: true, force: true });
}
