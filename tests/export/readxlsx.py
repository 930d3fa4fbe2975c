#!/usr/bin/env python3
"""Prints the first sheet of a workbook as plain lines for the tests:
  rows N | freeze REF | filter RANGE | width:COL W | REF KIND VALUE
KIND is text, bold (a text in bold), number or date (a number shown as a
date, printed as dd.mm.yyyy). Newlines in values are printed as \\n."""
import datetime
import re
import sys
import zipfile
import xml.etree.ElementTree as ET

NS = {"m": "http://schemas.openxmlformats.org/spreadsheetml/2006/main"}


def text_of(node):
    # Control characters are stored as _xHHHH_, as spreadsheets read them.
    text = "".join(t.text or "" for t in node.iter("{%s}t" % NS["m"]))
    return re.sub(r"_x([0-9A-Fa-f]{4})_", lambda m: chr(int(m.group(1), 16)), text)


def main(path):
    with zipfile.ZipFile(path) as book:
        if book.testzip() is not None:
            raise SystemExit("damaged archive")
        sheet = ET.fromstring(book.read("xl/worksheets/sheet1.xml"))
        styles = ET.fromstring(book.read("xl/styles.xml"))
        shared = []
        if "xl/sharedStrings.xml" in book.namelist():
            sst = ET.fromstring(book.read("xl/sharedStrings.xml"))
            shared = [text_of(si) for si in sst.findall("m:si", NS)]

    formats = {int(f.get("numFmtId")): f.get("formatCode") for f in styles.iterfind(".//m:numFmts/m:numFmt", NS)}
    fonts = [f.find("m:b", NS) is not None for f in styles.iterfind("m:fonts/m:font", NS)]
    kinds = []
    for xf in styles.iterfind("m:cellXfs/m:xf", NS):
        code = formats.get(int(xf.get("numFmtId", "0")), "")
        if "yy" in code:
            kinds.append("date:" + code)
        else:
            kinds.append("bold" if fonts[int(xf.get("fontId", "0"))] else "plain")

    rows = sheet.findall("m:sheetData/m:row", NS)
    print("rows", len(rows))
    pane = sheet.find("m:sheetViews/m:sheetView/m:pane", NS)
    if pane is not None and pane.get("state") == "frozen":
        print("freeze", pane.get("topLeftCell"))
    autofilter = sheet.find("m:autoFilter", NS)
    if autofilter is not None:
        print("filter", autofilter.get("ref"))
    for col in sheet.iterfind("m:cols/m:col", NS):
        for c in range(int(col.get("min")), int(col.get("max")) + 1):
            print("width:%d" % c, int(float(col.get("width"))))
    epoch = datetime.date(1899, 12, 30)
    for row in rows:
        for cell in row.findall("m:c", NS):
            ref, kind = cell.get("r"), kinds[int(cell.get("s", "0"))]
            value = cell.find("m:v", NS)
            if cell.get("t") == "inlineStr":
                out = ("bold" if kind == "bold" else "text", text_of(cell.find("m:is", NS)))
            elif cell.get("t") == "s":
                out = ("bold" if kind == "bold" else "text", shared[int(value.text)])
            elif value is None:
                continue
            elif kind.startswith("date:"):
                if kind != "date:dd.mm.yyyy":
                    raise SystemExit("unexpected date format " + kind)
                serial = float(value.text)
                # The day count holds a 29 February 1900 that never was.
                day = (epoch if serial >= 61 else epoch + datetime.timedelta(days=1)) + datetime.timedelta(days=serial)
                out = ("date", day.strftime("%d.%m.%Y"))
            else:
                out = ("number", value.text)
            print(ref, out[0], out[1].replace("\n", "\\n"))


if __name__ == "__main__":
    main(sys.argv[1])
