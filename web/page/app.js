// The page: a file is read by the core in a Web Worker, the grid shows a
// window of the table's rows at a time, so a million rows cost no more than
// forty. Nothing is sent anywhere: the file is read from the disk into the
// worker and exports are handed back as downloads.
/* global WASM_BASE64, TEXTS */
'use strict';

const ROW_HEIGHT = 22;
const MAX_SCROLL = 15000000;  // browsers stop growing a box at a few million pixels
const DEFAULT_WIDTH = 110;
const MAX_KEYS = 5;
const KEY_COLOURS = ['rgb(255,0,0)', 'rgb(192,64,0)', 'rgb(128,128,0)', 'rgb(64,192,0)', 'rgb(0,255,0)'];
const $ = (id) => document.getElementById(id);

// ---- language texts -------------------------------------------------------
let language = (navigator.language || 'de').toLowerCase().startsWith('de') ? 'de' : 'en';
function rawText(path) {
  const [section, key] = path.split('/');
  const pick = (lang) => TEXTS[lang] && TEXTS[lang][section] && TEXTS[lang][section][key];
  return pick(language) || pick('en') || pick('de') || key;
}
// Without the accelerator marks, which the page gives as access keys.
function t(path) { return rawText(path).replace(/&(.)/g, '$1'); }
// An import's failure in the page's language, by the key the module gives.
function causeText(outcome) {
  if (!outcome.cause) return outcome.systemText || outcome.status;
  if (outcome.cause === 'CutShort')
    return t('Causes/CutShort').replace('%s', outcome.bytesRead).replace('%s', outcome.bytesExpected);
  return t('Causes/' + outcome.cause);
}
function applyTexts() {
  document.documentElement.lang = language;
  $('language').value = language;
  for (const el of document.querySelectorAll('[data-text]')) {
    const raw = rawText(el.dataset.text);
    el.textContent = raw.replace(/&(.)/g, '$1');
    const m = raw.match(/&(.)/);
    if (m && el.tagName === 'BUTTON') el.accessKey = m[1].toLowerCase();
  }
  $('welcome').textContent = rawText('frmGedComIm/WelcomeText');
  document.title = 'Rowsmith';
  renderHead();
  updateFilterCount();
}

// ---- the core in a worker -------------------------------------------------
let wasmBytes = null;
let workerUrl = null;
function wasm() {
  if (!wasmBytes) {
    const text = atob(WASM_BASE64);
    wasmBytes = new Uint8Array(text.length);
    for (let i = 0; i < text.length; ++i) wasmBytes[i] = text.charCodeAt(i);
  }
  return wasmBytes;
}
// From a Blob, so that a page opened from file:// may start it.
function workerSource() {
  if (!workerUrl) {
    const source = $('core').textContent + '\n' + $('worker').textContent;
    workerUrl = URL.createObjectURL(new Blob([source], { type: 'text/javascript' }));
  }
  return workerUrl;
}

class Core {
  constructor() {
    this.worker = new Worker(workerSource());
    this.pending = new Map();
    this.next = 1;
    this.onProgress = null;
    this.worker.onmessage = (e) => {
      const { id, result, error, progress } = e.data;
      if (progress) {
        if (this.onProgress) this.onProgress(progress);
        return;
      }
      const p = this.pending.get(id);
      this.pending.delete(id);
      if (!p) return;
      if (error) p.reject(new Error(error));
      else p.resolve(result);
    };
    this.worker.onerror = (e) => {
      for (const p of this.pending.values()) p.reject(new Error(e.message || 'worker failed'));
      this.pending.clear();
    };
  }
  call(op, args, transfer) {
    const id = this.next++;
    return new Promise((resolve, reject) => {
      this.pending.set(id, { resolve, reject });
      this.worker.postMessage({ id, op, args }, transfer || []);
    });
  }
  async start() { return this.call('start', { wasm: wasm() }); }
  end() {
    this.worker.terminate();
    for (const p of this.pending.values()) p.reject(new Error('cancelled'));
    this.pending.clear();
  }
}

// A worker started ahead, its module compiled, for the next import.
let spare = null;
function startCore() {
  const core = new Core();
  core.ready = core.start();
  core.ready.catch(() => {});
  return core;
}
function takeCore() {
  const core = spare || startCore();
  spare = null;
  return core;
}
function prepareSpare() {
  if (!spare) spare = startCore();
}

// ---- state ----------------------------------------------------------------
const state = {
  core: null,           // the worker whose table is shown
  file: null,           // the File of the shown table
  western: true,
  columns: [],          // {header, key, kind} by logical index
  order: [],            // logical indices in shown order
  widths: [],
  total: 0,             // data rows
  shown: 0,             // rows shown (filter)
  sortKeys: [],         // logical columns, the deciding one first
  descending: false,
  sortCol: -1,
  multiSort: false,
  filter: '',
  find: '',
  cur: { index: 0, col: 0 },  // shown row index, shown column position
  anchor: null,         // the other corner of a selected block
  curRow: -1,           // table row of the current cell
  cache: null,          // {first, rows, found, key}
  importing: null,
  timings: {},
};
window.rowsmith = state;  // for the tests and benchmarks

function initialColumns(columns) {
  state.columns = columns;
  if (state.order.length !== columns.length) {
    state.order = columns.map((_, i) => i);
    state.widths = columns.map(() => DEFAULT_WIDTH);
  }
}

// ---- messages and progress ------------------------------------------------
function showMessage(text) {
  $('message-text').textContent = text;
  const dlg = $('message');
  if (!dlg.open) dlg.showModal();
  $('message-ok').focus();
}
$('message-ok').onclick = () => $('message').close();
function setStatus(text) { $('status').textContent = text; }

const PHASES = ['Reading', 'Loading', 'Persons', 'Export'];
function showProgress(progress) {
  $('phase').textContent = t('ImportProgress/' + PHASES[progress.phase]);
  const bar = $('bar-progress');
  if (progress.percent < 0) bar.removeAttribute('value');
  else bar.value = progress.percent;
}

// ---- import ---------------------------------------------------------------
// Reads bytes in a new worker; the shown table stays until the new one is
// complete, and stays for good when the file is refused or the user cancels.
async function importFile(file, western, keepView) {
  const name = file.name;
  if (state.importing) state.importing.end();
  const started = performance.now();
  const core = takeCore();
  state.importing = core;
  core.onProgress = showProgress;
  showProgress({ phase: 0, percent: 0 });
  const dlg = $('progress');
  const dialogTimer = setTimeout(() => { if (!dlg.open && state.importing === core) dlg.showModal(); }, 150);
  let outcome;
  try {
    await core.ready;
    // Read afresh for every import and handed to the worker without a copy.
    const bytes = await file.arrayBuffer();
    outcome = await core.call('import', { bytes, western }, [bytes]);
  } catch (e) {
    outcome = { status: state.importing === core ? 'readFailed' : 'cancelled', systemText: e.message };
  }
  clearTimeout(dialogTimer);
  setTimeout(prepareSpare, 0);
  if (state.importing === core) state.importing = null;
  if (dlg.open && !state.importing) dlg.close();
  const shownName = name;
  if (outcome.status !== 'imported') {
    core.end();
    if (outcome.status === 'cancelled') return false;
    if (outcome.status === 'notGedcom') showMessage(t('Errors/NotGedcom').replace('%s', shownName));
    else if (outcome.status === 'noPersons') showMessage(t('Errors/NoPersons').replace('%s', shownName));
    else showMessage(shownName + ': ' + causeText(outcome));
    return false;
  }
  if (state.core) state.core.end();
  state.core = core;
  state.file = file;
  state.western = western;
  state.total = outcome.rows;
  state.shown = outcome.rows;
  state.timings.importMs = performance.now() - started;
  state.timings.coreImportMs = outcome.ms;
  state.timings.heap = outcome.heap;
  initialColumns(outcome.columns);
  state.workbooks = outcome.workbooks;
  state.cache = null;
  $('welcome').hidden = true;
  $('export').disabled = false;
  if (keepView) {
    if (state.sortKeys.length) await core.call('sort', { keys: state.sortKeys, descending: state.descending, selectedRow: 1 });
    if (state.filter) await applyFilter(false);
  } else {
    state.sortKeys = [];
    state.sortCol = -1;
    state.multiSort = false;
    state.descending = false;
    state.cur = { index: 0, col: 0 };
    state.anchor = null;
    if (state.filter) await applyFilter(false);
  }
  setStatus(t('Information/PersonsImported').replace('%s', outcome.persons));
  renderHead();
  updateFilterCount();
  layout();
  await render();
  state.timings.gridMs = performance.now() - started;
  return true;
}

function openFile(file) {
  return importFile(file, state.western, false);
}

$('cancel').onclick = () => {
  if (state.importing) {
    const core = state.importing;
    state.importing = null;
    core.end();
    $('progress').close();
  }
};
$('progress').addEventListener('cancel', (e) => { e.preventDefault(); $('cancel').click(); });
$('open').onclick = () => $('file').click();
$('file').onchange = () => {
  const file = $('file').files[0];
  $('file').value = '';
  if (file) openFile(file);
};
for (const el of [document.body]) {
  el.addEventListener('dragover', (e) => { e.preventDefault(); $('drop').hidden = false; });
  el.addEventListener('dragleave', (e) => { if (!e.relatedTarget) $('drop').hidden = true; });
  el.addEventListener('drop', (e) => {
    $('drop').hidden = true;
    if (!e.dataTransfer.files.length) return;
    e.preventDefault();
    openFile(e.dataTransfer.files[0]);
  });
}
for (const id of ['western', 'sortable']) {
  $(id).onchange = async () => {
    const western = $('western').checked;
    if (!state.file || western === state.western) {
      state.western = western;
      return;
    }
    // The table holds every date once; only the cells show anew, in the
    // same order, with the same row selected.
    const answer = await state.core.call('dates', { western, selectedRow: state.curRow });
    state.western = western;
    // A filter text may match a date in one form only.
    if (state.filter) {
      state.shown = answer.shown;
      state.cur.index = answer.index >= 0 ? answer.index : 0;
      state.anchor = null;
      updateFilterCount();
      layout();
    }
    state.cache = null;
    await render();
  };
}

// ---- grid -----------------------------------------------------------------
function headerText(logical) {
  const column = state.columns[logical];
  return column.key ? t('Headers/' + column.key) : column.header;
}
function keyRank(logical) {
  if (state.multiSort) return state.sortKeys.indexOf(logical);
  return logical === state.sortCol ? 0 : -1;
}
function headerTip(logical) {
  const rank = keyRank(logical);
  if (rank < 0) return t('frmGedComIm/HeaderTipShiftClick');
  const count = state.multiSort ? state.sortKeys.length : 1;
  const direction = t(state.descending ? 'frmGedComIm/HeaderTipDescending' : 'frmGedComIm/HeaderTipAscending');
  return t('frmGedComIm/HeaderTipKey').replace('%1', rank + 1).replace('%2', count).replace('%3', direction);
}

function renderHead() {
  const head = $('head');
  head.textContent = '';
  state.order.forEach((logical, position) => {
    if (!state.columns[logical]) return;
    const cell = document.createElement('div');
    cell.className = 'hcell';
    cell.style.width = state.widths[logical] + 'px';
    cell.title = headerTip(logical);
    cell.dataset.position = position;
    cell.setAttribute('role', 'columnheader');
    const rank = keyRank(logical);
    if (rank >= 0) {
      cell.classList.add('key');
      cell.style.background = KEY_COLOURS[rank];
      const badge = document.createElement('span');
      badge.className = 'rank';
      badge.textContent = (rank + 1) + (state.descending ? '▼' : '▲');
      cell.appendChild(badge);
      cell.setAttribute('aria-sort', state.descending ? 'descending' : 'ascending');
    }
    cell.appendChild(document.createTextNode(headerText(logical)));
    const grip = document.createElement('span');
    grip.className = 'grip';
    cell.appendChild(grip);
    cell.draggable = true;
    cell.tabIndex = 0;
    head.appendChild(cell);
  });
  const pad = document.createElement('div');
  pad.style.cssText = 'flex:none;width:40px';
  head.appendChild(pad);
  head.scrollLeft = $('body').scrollLeft;
}

// Click sorts, Shift+click adds a key; a drag moves the column, the grip resizes.
let resize = null;
let dragFrom = -1;
$('head').addEventListener('mousedown', (e) => {
  if (!e.target.classList.contains('grip')) return;
  e.preventDefault();
  const cell = e.target.parentElement;
  const logical = state.order[+cell.dataset.position];
  resize = { logical, x: e.clientX, width: state.widths[logical] };
});
window.addEventListener('mousemove', (e) => {
  if (!resize) return;
  state.widths[resize.logical] = Math.max(16, resize.width + e.clientX - resize.x);
  renderHead();
  layout();
  drawRows();
});
window.addEventListener('mouseup', () => { if (resize) setTimeout(() => { resize = null; }, 0); });
$('head').addEventListener('click', (e) => {
  if (resize || e.target.classList.contains('grip')) return;
  const cell = e.target.closest('.hcell');
  if (!cell || !state.core) return;
  sortBy(state.order[+cell.dataset.position], e.shiftKey);
});
$('head').addEventListener('dragstart', (e) => {
  const cell = e.target.closest('.hcell');
  if (!cell || resize) return e.preventDefault();
  dragFrom = +cell.dataset.position;
  e.dataTransfer.setData('text/plain', 'column');
  e.dataTransfer.effectAllowed = 'move';
});
$('head').addEventListener('dragover', (e) => {
  if (dragFrom < 0) return;
  e.preventDefault();
  e.stopPropagation();
  for (const c of $('head').children) c.classList.remove('dragover');
  const cell = e.target.closest('.hcell');
  if (cell) cell.classList.add('dragover');
});
$('head').addEventListener('drop', (e) => {
  if (dragFrom < 0) return;
  e.preventDefault();
  e.stopPropagation();
  const cell = e.target.closest('.hcell');
  if (cell) moveColumn(dragFrom, +cell.dataset.position);
  dragFrom = -1;
});
$('head').addEventListener('dragend', () => { dragFrom = -1; renderHead(); });
// From the keyboard: Enter or Space sorts (with Shift: one more key),
// Alt+Left/Right moves the column.
$('head').addEventListener('keydown', (e) => {
  const cell = e.target.closest('.hcell');
  if (!cell || !state.core) return;
  // The grid's own keys are for its cells.
  e.stopPropagation();
  const position = +cell.dataset.position;
  let focusAt = position;
  if (e.key === 'Enter' || e.key === ' ') {
    e.preventDefault();
    sortBy(state.order[position], e.shiftKey).then(() => focusHeader(position));
    return;
  }
  if (e.altKey && (e.key === 'ArrowLeft' || e.key === 'ArrowRight')) {
    focusAt = Math.max(0, Math.min(state.order.length - 1, position + (e.key === 'ArrowLeft' ? -1 : 1)));
    moveColumn(position, focusAt);
  } else if (e.key === 'ArrowLeft' || e.key === 'ArrowRight') {
    focusAt = position + (e.key === 'ArrowLeft' ? -1 : 1);
  } else if (e.key === 'ArrowDown') {
    $('grid').focus();
  } else {
    return;
  }
  e.preventDefault();
  focusHeader(focusAt);
});
function focusHeader(position) {
  const cell = $('head').children[position];
  if (cell && cell.classList.contains('hcell')) cell.focus();
}
function moveColumn(from, to) {
  const [logical] = state.order.splice(from, 1);
  state.order.splice(to, 0, logical);
  renderHead();
  drawRows();
}

async function sortBy(logical, shift) {
  state.descending = logical === state.sortCol ? !state.descending : false;
  state.sortCol = logical;
  if (shift) {
    // The newest key decides; the oldest of five falls out.
    if (!state.multiSort) state.sortKeys = state.sortKeys.slice(0, 1);
    if (state.sortKeys[0] !== logical) state.sortKeys = [logical, ...state.sortKeys.filter((k) => k !== logical)].slice(0, MAX_KEYS);
    state.multiSort = true;
  } else {
    state.sortKeys = [logical];
    state.multiSort = false;
  }
  const started = performance.now();
  const result = await state.core.call('sort', { keys: state.sortKeys, descending: state.descending, selectedRow: state.curRow > 0 ? state.curRow : 1 });
  state.timings.sortMs = performance.now() - started;
  state.timings.coreSortMs = result.ms;
  state.shown = result.shown;
  state.cache = null;
  if (result.index >= 0) state.cur.index = result.index;
  state.anchor = null;
  renderHead();
  updateFilterCount();
  layout();
  await render();
  scrollToCurrent();
}

function layout() {
  const body = $('body');
  const width = state.order.reduce((sum, l) => sum + state.widths[l], 0);
  const height = Math.min(state.shown * ROW_HEIGHT, MAX_SCROLL);
  $('spacer').style.height = height + ROW_HEIGHT + 'px';
  $('spacer').style.width = width + 40 + 'px';
  $('rows').style.width = width + 'px';
  body.dataset.height = height;
}
function visibleRows() { return Math.ceil($('body').clientHeight / ROW_HEIGHT) + 1; }
// The first shown row at the top of the view; the scroll range is scaled
// where the rows would be taller than a box may be.
function firstVisible() {
  const body = $('body');
  const full = state.shown * ROW_HEIGHT;
  if (full <= MAX_SCROLL) return Math.floor(body.scrollTop / ROW_HEIGHT);
  const range = MAX_SCROLL + ROW_HEIGHT - body.clientHeight;
  const fraction = range > 0 ? body.scrollTop / range : 0;
  return Math.floor(fraction * Math.max(0, state.shown - visibleRows() + 2));
}
function scrollTopFor(index) {
  const body = $('body');
  const full = state.shown * ROW_HEIGHT;
  if (full <= MAX_SCROLL) return index * ROW_HEIGHT;
  const range = MAX_SCROLL + ROW_HEIGHT - body.clientHeight;
  return (index / Math.max(1, state.shown - visibleRows() + 2)) * range;
}

let renderPending = null;
async function render() {
  if (!state.core) return;
  const first = firstVisible();
  const count = visibleRows();
  const key = state.find;
  const c = state.cache;
  if (!c || c.key !== key || first < c.first || first + count > c.first + c.rows.length && c.first + c.rows.length < state.shown) {
    const request = { first: Math.max(0, first - 20), count: count + 60, needle: key };
    const ask = state.core.call('rows', request);
    renderPending = ask;
    const result = await ask;
    if (renderPending !== ask) return;
    state.cache = { first: result.first, rows: result.rows, found: result.found, key };
  }
  drawRows();
}

function selectionBox() {
  const a = state.anchor || state.cur;
  return {
    top: Math.min(a.index, state.cur.index), bottom: Math.max(a.index, state.cur.index),
    left: Math.min(a.col, state.cur.col), right: Math.max(a.col, state.cur.col),
  };
}

function drawRows() {
  const rowsEl = $('rows');
  const body = $('body');
  const c = state.cache;
  rowsEl.textContent = '';
  rowsEl.style.top = body.scrollTop + 'px';
  if (!c) return;
  const first = firstVisible();
  const count = Math.min(visibleRows(), state.shown - first);
  const box = selectionBox();
  const frag = document.createDocumentFragment();
  for (let k = 0; k < count; ++k) {
    const index = first + k;
    const cells = c.rows[index - c.first];
    if (!cells) continue;
    const found = c.found && c.found[index - c.first];
    const row = document.createElement('div');
    row.className = 'row';
    row.style.top = k * ROW_HEIGHT + 'px';
    row.dataset.index = index;
    row.setAttribute('role', 'row');
    state.order.forEach((logical, position) => {
      const cell = document.createElement('div');
      cell.className = 'cell';
      cell.style.width = state.widths[logical] + 'px';
      const text = cells[logical + 1];
      cell.textContent = text.replace(/\r\n|\r|\n/g, ' ¶ ');
      if (text.length > 12) cell.title = text;
      if (found && found[logical + 1]) cell.classList.add('found');
      if (index >= box.top && index <= box.bottom && position >= box.left && position <= box.right) cell.classList.add('sel');
      if (index === state.cur.index && position === state.cur.col) {
        cell.classList.add('cur');
        state.curRow = cells[0];
      }
      cell.dataset.position = position;
      cell.setAttribute('role', 'gridcell');
      row.appendChild(cell);
    });
    frag.appendChild(row);
  }
  rowsEl.appendChild(frag);
}

$('body').addEventListener('scroll', () => {
  $('head').scrollLeft = $('body').scrollLeft;
  drawRows();
  render();
});
window.addEventListener('resize', () => { layout(); render(); });

$('rows').addEventListener('mousedown', (e) => {
  const cell = e.target.closest('.cell');
  if (!cell) return;
  const index = +cell.parentElement.dataset.index;
  const col = +cell.dataset.position;
  if (e.shiftKey) state.anchor = state.anchor || { ...state.cur };
  else state.anchor = null;
  state.cur = { index, col };
  $('grid').focus();
  drawRows();
});
$('rows').addEventListener('dblclick', () => showDetails());

function scrollToCurrent() {
  const body = $('body');
  const first = firstVisible();
  const rows = visibleRows() - 2;
  if (state.cur.index < first) body.scrollTop = scrollTopFor(state.cur.index);
  else if (state.cur.index > first + rows) body.scrollTop = scrollTopFor(state.cur.index - rows);
  let left = 0;
  for (let p = 0; p < state.cur.col; ++p) left += state.widths[state.order[p]];
  const width = state.widths[state.order[state.cur.col]] || 0;
  if (left < body.scrollLeft) body.scrollLeft = left;
  else if (left + width > body.scrollLeft + body.clientWidth) body.scrollLeft = left + width - body.clientWidth;
  drawRows();
  render();
}

$('grid').addEventListener('keydown', (e) => {
  if (!state.core || !state.shown) return;
  const page = Math.max(1, visibleRows() - 2);
  const last = state.shown - 1;
  const lastCol = state.order.length - 1;
  let { index, col } = state.cur;
  switch (e.key) {
    case 'ArrowDown': index = Math.min(last, index + 1); break;
    case 'ArrowUp': index = Math.max(0, index - 1); break;
    case 'ArrowRight': col = Math.min(lastCol, col + 1); break;
    case 'ArrowLeft': col = Math.max(0, col - 1); break;
    case 'PageDown': index = Math.min(last, index + page); break;
    case 'PageUp': index = Math.max(0, index - page); break;
    case 'Home': if (e.ctrlKey) index = 0; col = 0; break;
    case 'End': if (e.ctrlKey) index = last; col = lastCol; break;
    case 'Enter': e.preventDefault(); showDetails(); return;
    case 'c': case 'C':
      if (e.ctrlKey || e.metaKey) { e.preventDefault(); copySelection(); }
      return;
    default: return;
  }
  e.preventDefault();
  if (e.shiftKey) state.anchor = state.anchor || { ...state.cur };
  else state.anchor = null;
  state.cur = { index, col };
  scrollToCurrent();
});

async function copySelection() {
  const box = selectionBox();
  const columns = state.order.slice(box.left, box.right + 1);
  const text = await state.core.call('copy', { first: box.top, last: box.bottom, columns });
  try {
    await navigator.clipboard.writeText(text);
  } catch (err) {
    const area = document.createElement('textarea');
    area.value = text;
    document.body.appendChild(area);
    area.select();
    document.execCommand('copy');
    area.remove();
    $('grid').focus();
  }
  state.copied = text;
  setStatus(t('Information/LinesCopied').replace('%s', box.bottom - box.top + 1));
}

// ---- find and filter ------------------------------------------------------
function updateFilterCount() {
  $('filtercount').textContent = state.filter && state.core
    ? t('frmGedComIm/FilterCount').replace('%1', state.shown).replace('%2', state.total) : '';
}
async function applyFilter(narrow) {
  const started = performance.now();
  const result = await state.core.call('filter', { needle: state.filter, narrow, selectedRow: state.curRow });
  state.timings.filterMs = performance.now() - started;
  state.timings.coreFilterMs = result.ms;
  state.shown = result.shown;
  state.cur.index = result.index >= 0 ? result.index : 0;
  state.anchor = null;
  state.cache = null;
}
let filtering = Promise.resolve();
$('filter').addEventListener('input', () => {
  const text = $('filter').value;
  filtering = filtering.then(async () => {
    if (!state.core || text === state.filter) return;
    // A longer text can only narrow what the shorter one left.
    const narrow = state.filter !== '' && text.startsWith(state.filter);
    state.filter = text;
    await applyFilter(narrow);
    updateFilterCount();
    layout();
    await render();
    scrollToCurrent();
  });
});

async function findNext(backward) {
  const needle = $('find').value;
  if (!needle) {
    $('find').focus();
    return false;
  }
  if (!state.core) return false;
  state.find = needle;
  const found = await state.core.call('find', {
    needle, columns: state.order, fromIndex: state.cur.index, fromColumn: state.cur.col, backward,
  });
  state.cache = null;
  if (!found) {
    $('findstate').textContent = t('frmGedComIm/NotFound');
    await render();
    return false;
  }
  $('findstate').textContent = '';
  state.cur = { index: found.index, col: found.column };
  state.anchor = null;
  scrollToCurrent();
  return true;
}
$('findnext').onclick = () => findNext(false);
$('findprev').onclick = () => findNext(true);
$('find').addEventListener('keydown', (e) => {
  if (e.key === 'Enter') { e.preventDefault(); findNext(e.shiftKey); }
});
document.addEventListener('keydown', (e) => {
  if ((e.ctrlKey || e.metaKey) && e.key.toLowerCase() === 'f') { e.preventDefault(); $('find').focus(); $('find').select(); }
  if ((e.ctrlKey || e.metaKey) && e.key.toLowerCase() === 'o') { e.preventDefault(); $('file').click(); }
  if (e.key === 'F3') { e.preventDefault(); findNext(e.shiftKey); }
});

// ---- details --------------------------------------------------------------
async function showDetails() {
  if (!state.core || state.curRow < 1) return;
  const cells = await state.core.call('row', { row: state.curRow });
  const body = $('details-body');
  body.textContent = '';
  // The parts as the module reports them; empty cells are left out.
  const titles = ['frmRowDetails/gbxPerson', 'frmRowDetails/gbxMarriage', 'frmRowDetails/gbxPartner'];
  titles.forEach((title, part) => {
    const section = document.createElement('section');
    const h = document.createElement('h3');
    h.textContent = t(title);
    section.appendChild(h);
    const dl = document.createElement('dl');
    state.columns.forEach((column, c) => {
      const value = cells[c + 1];
      if (column.part !== part || value === '') return;
      const dt = document.createElement('dt');
      dt.textContent = headerText(c).replace(/\s*:\s*$/, '');
      const dd = document.createElement('dd');
      dd.textContent = value.replace(/\r\n|\r/g, '\n');
      dl.append(dt, dd);
    });
    section.appendChild(dl);
    body.appendChild(section);
  });
  $('details-title').textContent = t('frmRowDetails/Caption').replace('%1', state.cur.index + 1);
  $('details').showModal();
  $('details-close').focus();
}
$('details-close').onclick = () => $('details').close();
$('details').addEventListener('close', () => $('grid').focus());

// ---- export ---------------------------------------------------------------
function exportArgs() {
  const pick = (name) => document.querySelector(`input[name=${name}]:checked`).value;
  const args = [];
  const sep = pick('sep');
  args.push('--separator', sep === 'free' ? $('sep-free').value : sep);
  const enc = pick('enc');
  args.push('--enclose', enc === 'free' ? $('enc-free').value : enc);
  const lb = pick('lb');
  args.push('--line-break', lb === 'free' ? $('lb-free').value : lb);
  args.push('--encoding', pick('cs'));
  const boxes = [...$('export-columns').querySelectorAll('input')];
  if (!boxes[0].checked) args.push('--no-rowcount');
  const columns = boxes.slice(1).filter((b) => b.checked).map((b) => +b.value + 1);
  args.push('--columns', columns.join(','));
  if (language === 'en') args.push('--language', 'en');
  return { args, columns: columns.length, to: pick('to') };
}
function fillExportColumns() {
  const list = $('export-columns');
  list.textContent = '';
  const add = (value, text) => {
    const label = document.createElement('label');
    const box = document.createElement('input');
    box.type = 'checkbox';
    box.checked = true;
    box.value = value;
    box.onchange = preview;
    label.append(box, ' ' + text);
    list.appendChild(label);
  };
  add(-1, '#');
  for (const logical of state.order) add(logical, headerText(logical));
}
async function preview() {
  const { args, columns } = exportArgs();
  $('export-error').textContent = '';
  $('export-go').disabled = columns === 0;
  if (columns === 0) {
    $('preview').textContent = '';
    return;
  }
  const out = await state.core.call('export', { args, limit: 30 }).catch((e) => ({ error: e.message }));
  if (out.error) {
    $('export-error').textContent = out.error;
    $('export-go').disabled = true;
    return;
  }
  const charset = document.querySelector('input[name=cs]:checked').value;
  $('preview').textContent = new TextDecoder(charset === 'windows-1252' ? 'windows-1252' : 'utf-8').decode(out.bytes);
}
$('export').onclick = () => {
  if (!state.core) return;
  $('to-workbook').hidden = !state.workbooks;
  fillExportColumns();
  $('exportdlg').showModal();
  preview();
};
for (const el of $('exportdlg').querySelectorAll('input')) el.addEventListener('input', preview);
$('cols-all').onclick = () => { for (const b of $('export-columns').querySelectorAll('input')) b.checked = true; preview(); };
$('cols-none').onclick = () => { for (const b of $('export-columns').querySelectorAll('input')) b.checked = false; preview(); };
$('export-cancel').onclick = () => $('exportdlg').close();
$('export-go').onclick = async () => {
  const { args, to } = exportArgs();
  const workbook = to === 'workbook';
  const out = await state.core.call('export', { args: workbook ? [...args, '--format', 'xlsx'] : args });
  if (out.error) {
    $('export-error').textContent = out.error;
    return;
  }
  if (to === 'clipboard') {
    const charset = document.querySelector('input[name=cs]:checked').value;
    const text = new TextDecoder(charset === 'windows-1252' ? 'windows-1252' : 'utf-8').decode(out.bytes);
    await navigator.clipboard.writeText(text).catch(() => {});
    $('exportdlg').close();
    setStatus(t('Information/LinesCopied').replace('%s', out.rows + 1));
    return;
  }
  const link = document.createElement('a');
  const type = workbook ? 'application/vnd.openxmlformats-officedocument.spreadsheetml.sheet' : 'text/csv';
  link.href = URL.createObjectURL(new Blob([out.bytes], { type }));
  link.download = (state.file ? state.file.name.replace(/\.[^.]*$/, '') : 'rowsmith') + (workbook ? '.xlsx' : '.csv');
  document.body.appendChild(link);
  link.click();
  link.remove();
  setTimeout(() => URL.revokeObjectURL(link.href), 10000);
  $('exportdlg').close();
  setStatus(t('Information/LinesSaved').replace('%s', out.rows + 1));
};

// ---- start ----------------------------------------------------------------
$('language').onchange = () => {
  language = $('language').value;
  applyTexts();
  drawRows();
};
applyTexts();
prepareSpare();
state.ready = true;
