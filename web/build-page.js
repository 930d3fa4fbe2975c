'use strict';
// Puts the page together into one file: the style, the app, the worker with
// the core's loader, the module itself (base64) and the language texts, so
// that it opens from a folder or a static host without fetching anything.
// Usage: node build-page.js MODULE_DIR TEXTS.json OUT.html
const fs = require('fs');
const path = require('path');
const zlib = require('zlib');

const [moduleDir, textsFile, outFile] = process.argv.slice(2);
const page = path.join(__dirname, 'page');
const read = (file) => fs.readFileSync(file, 'utf8');
const core = read(path.join(moduleDir, 'rowsmith-core.js'));
const worker = read(path.join(page, 'worker.js'));
for (const [name, text] of [['core', core], ['worker', worker]])
  if (/<\/script/i.test(text)) throw new Error(name + ' holds a closing script tag');
const parts = {
  '/*STYLE*/': read(path.join(page, 'style.css')),
  '/*CORE*/': core,
  '/*WORKER*/': worker,
  '/*WASM*/': fs.readFileSync(path.join(moduleDir, 'rowsmith-core.wasm')).toString('base64'),
  '/*TEXTS*/': read(textsFile).replace(/<\//g, '<\\/'),
  '/*APP*/': read(path.join(page, 'app.js')),
};
let html = read(path.join(page, 'index.html'));
for (const [mark, text] of Object.entries(parts)) {
  const at = html.indexOf(mark);
  if (at < 0) throw new Error('no ' + mark + ' in the page');
  html = html.slice(0, at) + text + html.slice(at + mark.length);
}
fs.mkdirSync(path.dirname(outFile), { recursive: true });
fs.writeFileSync(outFile, html);
const gz = zlib.gzipSync(html, { level: 9 }).length;
console.log(`${outFile}: ${html.length} bytes, ${gz} gzipped`);
