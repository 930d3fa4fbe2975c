'use strict';
// The page in headless Chromium, opened from file:// as a user opens a saved
// folder: import through the file input, sort, filter, details, export in
// German and English compared with the converter's bytes, refused files.
// Usage: node page.js PAGE.html CONVERTER [SCREENSHOT.png]
const fs = require('fs');
const os = require('os');
const path = require('path');
const { execFileSync } = require('child_process');
const puppeteer = require('puppeteer-core');
const { sameWorkbook } = require('./zip');

const [pageFile, converter, screenshot] = process.argv.slice(2);
const example = path.resolve(__dirname, '../../examples/familie.ged');
const scratch = fs.mkdtempSync(path.join(os.tmpdir(), 'rowsmith-page-'));
let failures = 0;
function check(ok, what) {
  console.log((ok ? 'ok   ' : 'FAIL ') + what);
  if (!ok) ++failures;
}

async function main() {
  const browser = await puppeteer.launch({
    executablePath: process.env.CHROMIUM || '/usr/bin/chromium',
    headless: true,
    args: ['--no-sandbox', '--lang=de-DE'],
  });
  const page = await browser.newPage();
  await page.setViewport({ width: 1280, height: 720 });
  const errors = [];
  page.on('pageerror', (e) => errors.push(e.message));
  page.on('request', (r) => { if (!/^(file|blob|data):/.test(r.url())) errors.push('request ' + r.url()); });
  const downloads = path.join(scratch, 'downloads');
  fs.mkdirSync(downloads);
  const cdp = await page.createCDPSession();
  await cdp.send('Browser.setDownloadBehavior', { behavior: 'allow', downloadPath: downloads });
  await page.goto('file://' + path.resolve(pageFile));
  await page.waitForFunction(() => window.rowsmith && window.rowsmith.ready);
  await page.select('#language', 'de');

  const shownCells = () => page.$$eval('#rows .row', (rows) => rows.map((r) => [...r.children].map((c) => c.textContent)));
  // By position, scrolled to the left: the grid draws its rows afresh as it
  // scrolls, so a handle on a cell may be gone by the time it is clicked.
  const clickCell = async (row, column) => {
    await page.evaluate(() => { document.querySelector('#body').scrollLeft = 0; });
    await new Promise((r) => setTimeout(r, 100));
    const at = await page.evaluate((r, c) => {
      const cell = document.querySelector(`#rows .row:nth-child(${r}) .cell:nth-child(${c})`);
      const box = cell.getBoundingClientRect();
      return { x: box.x + box.width / 2, y: box.y + box.height / 2 };
    }, row, column);
    await page.mouse.click(at.x, at.y);
  };
  const upload = async (file) => {
    const input = await page.$('#file');
    await input.uploadFile(file);
  };

  await upload(example);
  await page.waitForFunction(() => document.querySelectorAll('#rows .row').length >= 5);
  let rows = await shownCells();
  check(rows.length === 5, 'familie.ged shows five rows');
  check(rows[0][1] === 'Johann Georg Müller' && rows[0][5] === '12.01.1850', 'first row: Johann Georg Müller, 12.01.1850');
  check((await page.$eval('#status', (e) => e.textContent)).startsWith('6 Personen importiert'), 'status names six persons');

  // Sort by birth date (column 6 in the shown order).
  const headers = await page.$$('#head .hcell');
  await headers[5].click();
  await page.waitForFunction(() => document.querySelector('#head .hcell:nth-child(6) .rank'));
  check((await page.$eval('#head .hcell:nth-child(6) .rank', (e) => e.textContent)) === '1▲', 'birth date header shows key 1 ascending');
  rows = await shownCells();
  const births = rows.map((r) => r[5]);
  check(births[0] === '' && births.includes('12.01.1850'), 'rows sorted by birth date, empty first: ' + births.join('|'));

  if (screenshot) {
    await clickCell(2, 3);
    await page.screenshot({ path: screenshot });
  }

  // The keyboard: Shift+Enter on the surname header adds it as the deciding key.
  await page.focus('#head .hcell:nth-child(4)');
  await page.keyboard.down('Shift');
  await page.keyboard.press('Enter');
  await page.keyboard.up('Shift');
  await page.waitForFunction(() => document.querySelector('#head .hcell:nth-child(4) .rank'), { timeout: 5000 }).catch(() => {});
  check((await page.$eval('#head .hcell:nth-child(4) .rank', (e) => e.textContent).catch(() => '')) === '1▲' &&
        (await page.$eval('#head .hcell:nth-child(6) .rank', (e) => e.textContent).catch(() => '')) === '2▲',
        'Shift+Enter on a header: surname key 1, birth date key 2');
  await page.click('#head .hcell:nth-child(6)');
  await page.waitForFunction(() => !document.querySelector('#head .hcell:nth-child(4) .rank'), { timeout: 5000 }).catch(() => {});

  // Filter.
  await page.type('#filter', 'Weiß');
  await page.waitForFunction(() => document.querySelector('#filtercount').textContent === '1 von 5', { timeout: 5000 }).catch(() => {});
  await page.waitForFunction(() => document.querySelectorAll('#rows .row').length === 1, { timeout: 5000 }).catch(() => {});
  const count = await page.$eval('#filtercount', (e) => e.textContent);
  check(count === '1 von 5', 'filter "Weiß": 1 von 5 (' + count + ', ' + await page.evaluate(() => JSON.stringify([window.rowsmith.filter, window.rowsmith.sortKeys, window.rowsmith.multiSort])) + ')');
  rows = await shownCells();
  check(rows.length === 1 && rows[0].some((c) => c === 'Katharina Weiß'), 'filtered row holds Katharina Weiß');

  // Details of the shown row, notes in full.
  await clickCell(1, 1);
  await page.keyboard.press('Enter');
  await page.waitForSelector('#details[open]');
  const details = await page.$eval('#details-body', (e) => e.innerText);
  check(details.includes('Übernahm 1878 die Bäckerei seines Vaters\nin der Hohen Straße. Zweimal verheiratet.'), 'details show the whole note');
  await page.keyboard.press('Escape');

  // Clear the filter, export chosen columns in UTF-8 and compare.
  await page.click('#filter', { clickCount: 3 });
  await page.keyboard.press('Backspace');
  await page.waitForFunction(() => window.rowsmith.shown === 5);
  const exportWith = async (name, columns, to = 'file') => {
    await page.click('#export');
    await page.waitForSelector('#exportdlg[open]');
    await page.click('#cols-none');
    for (const c of columns) await page.click(`#export-columns input[value="${c}"]`);
    await page.click('input[name=cs][value="utf-8"]');
    await page.click(`input[name=to][value="${to}"]`);
    await page.waitForFunction(() => document.querySelector('#preview').textContent.length > 0);
    for (const f of fs.readdirSync(downloads)) fs.unlinkSync(path.join(downloads, f));
    await page.click('#export-go');
    const file = path.join(downloads, to === 'workbook' ? 'familie.xlsx' : 'familie.csv');
    for (let i = 0; i < 100 && !fs.existsSync(file); ++i) await new Promise((r) => setTimeout(r, 100));
    return fs.existsSync(file) ? fs.readFileSync(file) : Buffer.alloc(0);
  };
  // The converter takes English headers from the language file beside it.
  const nls = path.join(path.dirname(path.resolve(converter)), 'NLS', 'NLS.44');
  if (!fs.existsSync(nls)) {
    fs.mkdirSync(path.dirname(nls), { recursive: true });
    fs.copyFileSync(path.resolve(__dirname, '../../data/nls/NLS.44'), nls);
  }
  const convert = (args) => execFileSync(converter, ['-q', ...args, example]);
  let got = await exportWith('de', [-1, 2, 3, 5, 18]);
  let want = convert(['--encoding', 'utf-8', '--columns', '3,4,6,19', '--sort', 'Geburtsdatum']);
  check(got.equals(want), 'German export equals the converter\'s bytes');

  if (await page.evaluate(() => window.rowsmith.workbooks)) {
    got = await exportWith('de', [-1, 2, 3, 5, 18], 'workbook');
    const book = path.join(scratch, 'familie.xlsx');
    execFileSync(converter, ['-q', '--format', 'xlsx', '-o', book, '--columns', '3,4,6,19', '--sort', 'Geburtsdatum', example]);
    check(sameWorkbook(got, fs.readFileSync(book)), 'workbook export holds the converter\'s parts');
  }

  await page.select('#language', 'en');
  check((await page.$eval('#head .hcell:nth-child(3)', (e) => e.textContent)) === 'Given name :', 'English headers');
  got = await exportWith('en', [-1, 2, 3, 5, 18]);
  want = convert(['--encoding', 'utf-8', '--columns', '3,4,6,19', '--sort', 'Geburtsdatum', '--language', 'en']);
  check(got.equals(want), 'English export equals the converter\'s bytes');

  // A picture and an empty file are refused; the table stays.
  const empty = path.join(scratch, 'empty.ged');
  fs.writeFileSync(empty, '');
  for (const file of [path.resolve(__dirname, '../../docs/window.png'), empty]) {
    await upload(file);
    await page.waitForSelector('#message[open]');
    const text = await page.$eval('#message-text', (e) => e.textContent);
    check(text.includes('not a GEDCOM file') && text.includes(path.basename(file)), 'refused: ' + text);
    await page.click('#message-ok');
    check((await shownCells()).length === 5, 'the table is still shown');
  }
  await page.select('#language', 'de');
  // A file dropped on the page is read like a chosen one.
  await page.evaluate((base64) => {
    const bytes = Uint8Array.from(atob(base64), (c) => c.charCodeAt(0));
    const drop = new DataTransfer();
    drop.items.add(new File([bytes], 'dropped.ged'));
    document.body.dispatchEvent(new DragEvent('drop', { dataTransfer: drop, bubbles: true, cancelable: true }));
  }, fs.readFileSync(example).toString('base64'));
  await page.waitForFunction(() => window.rowsmith.file && window.rowsmith.file.name === 'dropped.ged', { timeout: 10000 }).catch(() => {});
  check((await page.evaluate(() => window.rowsmith.file.name)) === 'dropped.ged' && (await shownCells()).length === 5, 'a dropped file is read');
  // A new file starts unsorted; sorted by birth date again for what follows.
  await page.click('#head .hcell:nth-child(6)');
  await page.waitForFunction(() => document.querySelector('#head .hcell:nth-child(6) .rank'), { timeout: 5000 }).catch(() => {});

  // A long import shows its progress and can be cancelled; the table stays.
  const big = path.join(scratch, 'big.ged');
  const lines = ['0 HEAD', '1 CHAR UTF-8'];
  for (let i = 1; i <= 300000; ++i) lines.push(`0 @I${i}@ INDI`, `1 NAME Vorname${i} /Nachname${i % 977}/`, '1 SEX M', '1 BIRT', `2 DATE ${1 + (i % 28)} MAR ${1700 + (i % 300)}`);
  lines.push('0 TRLR', '');
  fs.writeFileSync(big, lines.join('\r\n'));
  await upload(big);
  const progressShown = await page.waitForSelector('#progress[open]', { timeout: 10000 }).then(() => true, () => false);
  check(progressShown, 'a long import shows its progress');
  if (progressShown) await page.click('#cancel');
  await page.waitForFunction(() => !document.querySelector('#progress[open]'), { timeout: 10000 }).catch(() => {});
  await new Promise((r) => setTimeout(r, 300));
  check((await shownCells()).length === 5 && (await page.evaluate(() => window.rowsmith.total)) === 5, 'after Cancel the table is still shown');

  // Find, a block copied as tab-separated lines, the other date form.
  await page.type('#find', 'Brühl');
  await page.keyboard.press('Enter');
  await page.waitForFunction(() => document.querySelector('#rows .cell.cur') && document.querySelector('#rows .cell.cur').textContent === 'Brühl', { timeout: 5000 }).catch(() => {});
  check((await page.$eval('#rows .cell.cur', (e) => e.textContent)) === 'Brühl', 'find goes to a cell holding "Brühl"');
  check((await page.$$('#rows .cell.found')).length >= 2, 'cells holding the text are marked');
  await clickCell(2, 3);
  await page.keyboard.down('Shift');
  await page.keyboard.press('ArrowDown');
  await page.keyboard.press('ArrowRight');
  await page.keyboard.up('Shift');
  await page.keyboard.down('Control');
  await page.keyboard.press('c');
  await page.keyboard.up('Control');
  await page.waitForFunction(() => window.rowsmith.copied !== undefined, { timeout: 5000 }).catch(() => {});
  const copied = await page.evaluate(() => window.rowsmith.copied);
  check(copied === 'Johann Georg\tMüller\nJohann Georg\tMüller\n', 'two rows by two cells copied as TSV: ' + JSON.stringify(copied));
  await page.click('#sortable');
  await page.waitForFunction(() => [...document.querySelectorAll('#rows .row')].some((r) => r.children[5].textContent === '18500112'), { timeout: 10000 }).catch(() => {});
  rows = await shownCells();
  check(rows.some((r) => r[5] === '18500112'), 'sortable dates after the switch');
  check((await page.$eval('#head .hcell:nth-child(6) .rank', (e) => e.textContent).catch(() => '')) === '1▲', 'the sort is kept over the switch');
  check(errors.length === 0, 'no script errors and no requests: ' + errors.join('; '));
  await browser.close();
}

main()
  .catch((e) => {
    console.error(e);
    ++failures;
  })
  .finally(() => {
    fs.rmSync(scratch, { recursive: true, force: true });
    console.log(failures ? failures + ' failures' : 'all passed');
    process.exit(failures ? 1 : 0);
  });
