// The core in a worker of its own: one table per worker. The page starts a
// new worker for every import and keeps the old one, with the table shown,
// until the new table is complete; Cancel ends the new worker.
/* global RowsmithCore */
'use strict';
let core = null;
let session = null;

function answer(id, result) {
  postMessage({ id, result });
}

const ops = {
  async start({ wasm }) {
    core = await RowsmithCore({ wasmBinary: wasm, print: () => {}, printErr: () => {} });
    session = new core.Session();
    return true;
  },
  // The file's bytes are handed over, not copied, and the memory file system
  // takes them as they are; they go when the import is done.
  import({ bytes, western }) {
    core.FS.writeFile('/input.ged', new Uint8Array(bytes), { canOwn: true });
    let last = -1;
    let lastTime = 0;
    const started = performance.now();
    const outcome = session.importFile('/input.ged', western, (phase, percent) => {
      const now = performance.now();
      const step = phase * 101 + percent;
      if (step !== last && now - lastTime > 50) {
        last = step;
        lastTime = now;
        postMessage({ progress: { phase, percent } });
      }
      return false;
    });
    core.FS.unlink('/input.ged');
    outcome.ms = performance.now() - started;
    outcome.rows = session.rowCount();
    outcome.columns = session.columns();
    outcome.heap = core.HEAP8.length;
    outcome.workbooks = core.writesWorkbooks();
    return outcome;
  },
  // Dates show in the other form; the table stays as it is.
  dates({ western, selectedRow }) {
    session.setDateForm(western);
    return { shown: session.shownCount(), index: session.shownIndexOf(selectedRow) };
  },
  // A window of shown rows; with a find text, which of their cells hold it.
  rows({ first, count, needle }) {
    const rows = session.rows(first, count);
    const found = needle ? rows.map((cells) => cells.map((c, i) => i > 0 && c !== '' && session.contains(needle, c))) : null;
    return { first, rows, found, shown: session.shownCount() };
  },
  row({ row }) {
    return session.row(row);
  },
  sort({ keys, descending, selectedRow }) {
    const started = performance.now();
    const row = session.sort(keys, descending, selectedRow);
    return { row, index: session.shownIndexOf(row), shown: session.shownCount(), ms: performance.now() - started };
  },
  filter({ needle, narrow, selectedRow }) {
    const started = performance.now();
    const shown = session.filter(needle, narrow);
    return { shown, total: session.rowCount(), index: session.shownIndexOf(selectedRow), ms: performance.now() - started };
  },
  find({ needle, columns, fromIndex, fromColumn, backward }) {
    return session.find(needle, columns, fromIndex, fromColumn, backward);
  },
  copy({ first, last, columns }) {
    return session.copyRange(first, last, columns);
  },
  export({ args, limit }) {
    return session.exportBytes(args, limit || 0);
  },
  heap() {
    return core.HEAP8.length;
  },
};

onmessage = async (event) => {
  const { id, op, args } = event.data;
  try {
    answer(id, await ops[op](args || {}));
  } catch (e) {
    postMessage({ id, error: String(e && e.message ? e.message : e) });
  }
};
