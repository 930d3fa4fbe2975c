'use strict';
// Benchmarks of the page in headless Chromium beside the native converter,
// measured in the same run: time from choosing the file to the filled grid,
// the longest stretch the page's main thread was blocked, the module's heap
// at its peak, sort of every row by one column, one filter keystroke.
// Usage: node bench.js PAGE.html CONVERTER FILE.ged...
const fs = require('fs');
const os = require('os');
const path = require('path');
const { execFileSync } = require('child_process');
const puppeteer = require('puppeteer-core');

const [pageFile, converter, ...files] = process.argv.slice(2);

async function measure(browser, file) {
  const page = await browser.newPage();
  await page.setViewport({ width: 1280, height: 720 });
  // Long tasks of the main thread, the measure of a page that stops answering.
  await page.evaluateOnNewDocument(() => {
    window.longest = 0;
    new PerformanceObserver((list) => {
      for (const e of list.getEntries()) window.longest = Math.max(window.longest, e.duration);
    }).observe({ type: 'longtask', buffered: true });
  });
  await page.goto('file://' + path.resolve(pageFile));
  await page.waitForFunction(() => window.rowsmith && window.rowsmith.ready);
  await page.evaluate(() => { window.longest = 0; });
  const input = await page.$('#file');
  const started = Date.now();
  await input.uploadFile(file);
  await page.waitForFunction(() => window.rowsmith.total > 0 && document.querySelectorAll('#rows .row').length > 10,
    { timeout: 600000, polling: 50 });
  const grid = Date.now() - started;
  const importLongest = await page.evaluate(() => window.longest);
  const info = await page.evaluate(() => ({ rows: window.rowsmith.total, heap: window.rowsmith.timings.heap, core: window.rowsmith.timings.coreImportMs }));
  // Sort by the surname column, then one filter keystroke.
  await page.click('#head .hcell:nth-child(4)');
  await page.waitForFunction(() => window.rowsmith.timings.sortMs !== undefined, { timeout: 120000 });
  const sortMs = await page.evaluate(() => window.rowsmith.timings.sortMs);
  await page.click('#head .hcell:nth-child(6)');
  await page.waitForFunction((before) => window.rowsmith.timings.sortMs !== before, { timeout: 120000 }, sortMs);
  const dateSortMs = await page.evaluate(() => window.rowsmith.timings.sortMs);
  await page.type('#filter', 'a');
  await page.waitForFunction(() => window.rowsmith.timings.filterMs !== undefined, { timeout: 120000 });
  const filterMs = await page.evaluate(() => window.rowsmith.timings.filterMs);
  await page.type('#filter', 'n');
  await page.waitForFunction((before) => window.rowsmith.timings.filterMs !== before, { timeout: 120000 }, filterMs);
  const narrowMs = await page.evaluate(() => window.rowsmith.timings.filterMs);
  const longest = await page.evaluate(() => window.longest);
  await page.close();
  return { grid, importLongest, longest, sortMs, dateSortMs, filterMs, narrowMs, ...info };
}

async function main() {
  const browser = await puppeteer.launch({
    executablePath: process.env.CHROMIUM || '/usr/bin/chromium',
    headless: true,
    args: ['--no-sandbox', '--js-flags=--max-old-space-size=8192'],
    protocolTimeout: 900000,
  });
  const out = path.join(fs.mkdtempSync(path.join(os.tmpdir(), 'rowsmith-bench-')), 'out.csv');
  for (const file of files) {
    const size = fs.statSync(file).size;
    let t = Date.now();
    execFileSync(converter, ['-q', '-o', out, file]);
    const native = Date.now() - t;
    const r = await measure(browser, file);
    console.log(`${path.basename(file)} (${(size / 1e6).toFixed(0)} MB, ${r.rows} rows): converter ${native} ms; ` +
      `page: grid filled after ${r.grid} ms (${(r.grid / native).toFixed(1)}x; core import ${Math.round(r.core)} ms), ` +
      `longest main-thread task ${Math.round(r.importLongest)} ms while reading, ${Math.round(r.longest)} ms overall; ` +
      `wasm heap ${(r.heap / 2 ** 20).toFixed(0)} MiB; sort by surname ${Math.round(r.sortMs)} ms, by birth date ${Math.round(r.dateSortMs)} ms; ` +
      `filter "a" ${Math.round(r.filterMs)} ms, "an" ${Math.round(r.narrowMs)} ms`);
  }
  fs.rmSync(path.dirname(out), { recursive: true, force: true });
  await browser.close();
}

main().catch((e) => {
  console.error(e);
  process.exit(1);
});
