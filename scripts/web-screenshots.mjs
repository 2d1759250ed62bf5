// Screenshots of the page's three tasks at desktop width and at 360 px, for the README:
//   node scripts/web-screenshots.mjs [SITE-DIR] [OUT-DIR]   (defaults: build/web/site, docs)
// Each task is shown with work done: the game tunes compiled, then made to ring with one of them
// playing, that database listed with a record playing, then opened to add two tunes and remove a
// record.
import fs from 'node:fs';
import http from 'node:http';
import os from 'node:os';
import path from 'node:path';
import puppeteer from 'puppeteer-core';

const root = path.resolve(path.dirname(new URL(import.meta.url).pathname), '..');
const site = path.resolve(process.argv[2] || path.join(root, 'build/web/site'));
const out = path.resolve(process.argv[3] || path.join(root, 'docs'));
const samples = '/usr/share/games/openttd/baseset/openmsx';
const work = fs.mkdtempSync(path.join(os.tmpdir(), 'carillo-shots-'));

const server = http.createServer((request, response) => {
  const file = path.join(site, new URL(request.url, 'http://x').pathname.replace(/\/$/, '/index.html'));
  if (!file.startsWith(site) || !fs.existsSync(file)) return response.writeHead(404).end();
  const type = { '.js': 'text/javascript', '.wasm': 'application/wasm', '.css': 'text/css', '.html': 'text/html' }[path.extname(file)];
  response.writeHead(200, type ? { 'content-type': type } : {}).end(fs.readFileSync(file));
});
await new Promise(resolve => server.listen(0, '127.0.0.1', resolve));
const browser = await puppeteer.launch({
  executablePath: '/usr/bin/chromium',
  args: ['--headless', '--no-sandbox', '--disable-gpu', '--no-first-run', '--disable-background-networking',
    '--disable-component-update', '--disable-sync', `--user-data-dir=${path.join(work, 'profile')}`],
});
try {
  const page = await browser.newPage();
  const cdp = await page.createCDPSession();
  await cdp.send('Browser.setDownloadBehavior', { behavior: 'allow', downloadPath: work });
  await page.goto(`http://127.0.0.1:${server.address().port}/`);
  const tunes = fs.readdirSync(samples).filter(n => n.endsWith('.mid')).map(n => path.join(samples, n));
  await (await page.$('#midi-files')).uploadFile(...tunes);
  await page.waitForSelector('#midi-tunes:not([hidden])');
  await page.click('#compile');
  const pdb = path.join(work, 'My_MIDI_Database.pdb');
  for (let i = 0; i < 200 && !fs.existsSync(pdb); ++i) await new Promise(r => setTimeout(r, 50));
  // Pressed ▶ shows ■ as long as the sound lasts, well past the screenshots.
  const play = async selector => {
    await page.click(selector);
    await page.waitForSelector(`${selector}[aria-pressed=true]`);
  };
  await page.click('#ring');
  await page.type('#ring-seconds', '30');
  await play('#midi-tunes li:nth-child(2) button');
  for (const [width, suffix] of [[1100, ''], [360, '-360']]) {
    await page.setViewport({ width, height: width === 360 ? 740 : 800 });
    await page.click('#tab-compile');
    await page.screenshot({ path: path.join(out, `web-compile${suffix}.png`) });
  }
  await page.click('#midi-tunes li:nth-child(2) button');
  await page.click('#tab-extract');
  await (await page.$('#pdb-file')).uploadFile(pdb);
  await page.waitForSelector('#listing:not([hidden])');
  await play('#listing-rows tr:nth-child(3) button.play');
  for (const [width, suffix] of [[1100, ''], [360, '-360']]) {
    await page.setViewport({ width, height: width === 360 ? 740 : 800 });
    await page.evaluate(() => window.scrollTo(0, 0));  // the messages scrolled into view
    await page.screenshot({ path: path.join(out, `web-extract${suffix}.png`) });
  }
  await page.click('#tab-add');
  await (await page.$('#add-pdb')).uploadFile(pdb);
  await page.waitForSelector('#add-listing:not([hidden])');
  await (await page.$('#add-files')).uploadFile(...tunes.slice(0, 2));
  await page.click('#add-listing-rows tr:nth-child(3) input');
  for (const [width, suffix] of [[1100, ''], [360, '-360']]) {
    await page.setViewport({ width, height: width === 360 ? 740 : 800 });
    await page.evaluate(() => window.scrollTo(0, 0));  // the click scrolled to the row
    await page.screenshot({ path: path.join(out, `web-add${suffix}.png`) });
  }
} finally {
  await browser.close();
  server.close();
  fs.rmSync(work, { recursive: true, force: true });
}
