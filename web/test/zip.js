'use strict';
// Workbooks compared by their parts: two made at different times differ in
// their time stamps only.
const zlib = require('zlib');

// The entries of a zip archive (a workbook) by name, unpacked.
function unzip(bytes) {
  let end = bytes.length - 22;
  while (end >= 0 && bytes.readUInt32LE(end) !== 0x06054b50) --end;
  const entries = new Map();
  let at = bytes.readUInt32LE(end + 16);
  for (let n = bytes.readUInt16LE(end + 10); n > 0; --n) {
    const method = bytes.readUInt16LE(at + 10);
    const size = bytes.readUInt32LE(at + 20);
    const nameLength = bytes.readUInt16LE(at + 28);
    const skip = nameLength + bytes.readUInt16LE(at + 30) + bytes.readUInt16LE(at + 32);
    const name = bytes.toString('utf8', at + 46, at + 46 + nameLength);
    const local = bytes.readUInt32LE(at + 42);
    const data = local + 30 + bytes.readUInt16LE(local + 26) + bytes.readUInt16LE(local + 28);
    const packed = bytes.subarray(data, data + size);
    entries.set(name, method === 8 ? zlib.inflateRawSync(packed) : packed);
    at += 46 + skip;
  }
  return entries;
}

// Whether two workbooks hold the same parts; the time of making differs.
function sameWorkbook(a, b) {
  const x = unzip(a);
  const y = unzip(b);
  if (x.size === 0 || x.size !== y.size) return false;
  for (const [name, data] of x)
    if (name !== 'docProps/core.xml' && !(y.has(name) && y.get(name).equals(data))) return false;
  return true;
}

module.exports = { unzip, sameWorkbook };
