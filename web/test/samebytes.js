'use strict';
// The module's export against the converter's bytes for every public GEDCOM
// file, in UTF-8 and Windows-1252, with the default options and with sortable
// dates, double quotes and a sort. UTF-8 must match byte for byte; in
// Windows-1252 the browser's Unicode has no transliterator, so the cells
// that differ are listed. Workbooks must hold the same parts.
// Usage: node samebytes.js CONVERTER MODULE_DIR DATA_DIR
const fs = require('fs');
const os = require('os');
const path = require('path');
const { execFileSync } = require('child_process');
const { sameWorkbook } = require('./zip');

const [converter, moduleDir, dataDir] = process.argv.slice(2);
if (!dataDir) {
  console.error('usage: node samebytes.js CONVERTER MODULE_DIR DATA_DIR');
  process.exit(2);
}

function gedcomFiles(folder) {
  const out = [];
  for (const entry of fs.readdirSync(folder, { withFileTypes: true })) {
    const full = path.join(folder, entry.name);
    if (entry.isDirectory()) out.push(...gedcomFiles(full));
    else if (/\.(ged|gedcom|txt)$/i.test(entry.name)) out.push(full);
  }
  return out.sort();
}

const optionSets = [
  { name: 'default', western: true, args: [] },
  { name: 'sorted', western: false, args: ['--dates', 'sortable', '--enclose', 'double', '--sort', 'Nachname :,Vorname :'] },
];
const encodings = [
  { name: 'utf-8', args: ['--encoding', 'utf-8'], exact: true },
  { name: 'windows-1252', args: [], exact: false },
];
// Workbooks where the module was built with them (WITH_XLSX=1).
if (process.env.WITH_XLSX === '1') encodings.push({ name: 'xlsx', args: ['--format', 'xlsx'], xlsx: true });

// The stretch of two texts where they first differ.
function around(a, b) {
  let i = 0;
  while (i < a.length && a[i] === b[i]) ++i;
  const from = Math.max(0, i - 12);
  return { native: a.slice(from, i + 12), web: b.slice(from, i + 12) };
}

// The cells of two export lines that differ, by header.
function cellDifferences(nativeText, webText, headers) {
  const a = nativeText.split('\r\n');
  const b = webText.split('\r\n');
  const out = [];
  for (let i = 0; i < Math.max(a.length, b.length); ++i) {
    if (a[i] === b[i]) continue;
    const ca = (a[i] || '').split(';');
    const cb = (b[i] || '').split(';');
    for (let c = 0; c < Math.max(ca.length, cb.length); ++c)
      if (ca[c] !== cb[c]) out.push({ line: i, column: headers[c] || String(c), ...around(ca[c] || '', cb[c] || '') });
  }
  return out;
}

async function main() {
  const RowsmithCore = require(path.resolve(moduleDir, 'rowsmith-core.js'));
  const wasmBinary = fs.readFileSync(path.resolve(moduleDir, 'rowsmith-core.wasm'));
  const M = await RowsmithCore({ wasmBinary });
  const scratch = fs.mkdtempSync(path.join(os.tmpdir(), 'rowsmith-web-'));
  let failures = 0;
  let compared = 0;
  const differing = [];
  for (const file of gedcomFiles(dataDir)) {
    const name = path.relative(dataDir, file);
    M.FS.writeFile('/input.ged', fs.readFileSync(file));
    for (const set of optionSets) {
      for (const enc of encodings) {
        // Each export from a fresh import: the sort is not stable, so a second
        // sort of sorted rows may order equal keys otherwise.
        const session = new M.Session();
        const read = session.importFile('/input.ged', set.western, null);
        const webOk = read.status === 'imported' || read.status === 'noPersons';
        const args = [...enc.args, ...set.args];
        const out = path.join(scratch, 'out');
        let nativeOk = true;
        try {
          execFileSync(converter, ['-q', ...args, '-o', out, file], { stdio: ['ignore', 'ignore', 'pipe'] });
        } catch (e) {
          nativeOk = false;
        }
        if (nativeOk !== webOk) {
          console.log(`FAIL ${name} ${set.name}: converter ${nativeOk ? 'converts' : 'refuses'}, module says ${read.status}`);
          ++failures;
          continue;
        }
        if (!nativeOk) {
          session.delete();
          continue;
        }
        const expected = fs.readFileSync(out);
        const exported = session.exportBytes(args, 0);
        if (enc.xlsx) {
          ++compared;
          if (exported.error || !sameWorkbook(expected, Buffer.from(exported.bytes))) {
            console.log(`FAIL ${name} ${set.name} workbook: ${exported.error || 'parts differ'}`);
            ++failures;
          }
          session.delete();
          continue;
        }
        if (exported.error) {
          console.log(`FAIL ${name} ${set.name} ${enc.name}: ${exported.error}`);
          ++failures;
          continue;
        }
        const got = Buffer.from(exported.bytes);
        ++compared;
        if (expected.equals(got)) continue;
        if (enc.exact) {
          console.log(`FAIL ${name} ${set.name} ${enc.name}: bytes differ (${expected.length} vs ${got.length})`);
          ++failures;
          continue;
        }
        const nativeText = expected.toString('latin1');
        const headers = nativeText.slice(0, nativeText.indexOf('\r\n')).split(';');
        differing.push({ name, set: set.name, cells: cellDifferences(nativeText, got.toString('latin1'), headers) });
        session.delete();
      }
    }
  }
  fs.rmSync(scratch, { recursive: true, force: true });

  // Progress goes up to the caller, whose true answer stops the import; a
  // stopped or refused import leaves the table that was there.
  const session = new M.Session();
  M.FS.writeFile('/input.ged', fs.readFileSync(path.join(__dirname, '../../examples/familie.ged')));
  const phases = new Set();
  const whole = session.importFile('/input.ged', true, (phase) => { phases.add(phase); return false; });
  const stopped = session.importFile('/input.ged', true, (phase) => phase === 2);
  M.FS.writeFile('/input.ged', new Uint8Array([0x89, 0x50, 0x4e, 0x47]));
  const refused = session.importFile('/input.ged', true, null);
  if (whole.status !== 'imported' || phases.size < 3 || stopped.status !== 'cancelled' ||
      refused.status !== 'notGedcom' || session.rowCount() !== 5) {
    console.log(`FAIL progress and cancel: ${whole.status}, phases ${[...phases]}, ${stopped.status}, ${refused.status}, ${session.rowCount()} rows`);
    ++failures;
  }
  session.delete();
  for (const d of differing) {
    console.log(`differs in Windows-1252: ${d.name} (${d.set}), ${d.cells.length} cells`);
    for (const c of d.cells.slice(0, 3))
      console.log(`  line ${c.line} ${c.column}: converter ${JSON.stringify(c.native)}, page ${JSON.stringify(c.web)}`);
  }
  console.log(`${compared} exports compared, ${differing.length} differ in Windows-1252 only, ${failures} failures`);
  process.exit(failures ? 1 : 0);
}

main().catch((e) => {
  console.error(e);
  process.exit(1);
});
