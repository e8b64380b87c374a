#!/usr/bin/python3
"""Writes the first sheet of every workbook in a folder, as read by xlrd, to a
gzip'd text file that the reader's tests compare against.

    xlrd-expected.py TESTDATA_DIR OUT.gz

Lines (tab-separated, texts escaped with \\t \\n \\r \\\\):
    F <path relative to TESTDATA_DIR> ok|error <sheet count or the error text>
    C <row> <col> text|number|date|bool|error <value>
Numbers are written with repr(), the shortest text that reads back exactly.
Empty cells and empty texts are left out. "date" is a number whose format
xlrd reads as a date.
"""
import gzip
import os
import sys

import xlrd
from xlrd.biffh import error_text_from_code


def escape(text):
    return (text.replace("\\", "\\\\").replace("\t", "\\t")
            .replace("\n", "\\n").replace("\r", "\\r"))


def cells(sheet):
    for r in range(sheet.nrows):
        for c, cell in enumerate(sheet.row(r)):
            t = cell.ctype
            if t in (xlrd.XL_CELL_EMPTY, xlrd.XL_CELL_BLANK):
                continue
            if t == xlrd.XL_CELL_TEXT:
                if cell.value == "":
                    continue
                yield r, c, "text", escape(cell.value)
            elif t == xlrd.XL_CELL_NUMBER:
                yield r, c, "number", repr(float(cell.value))
            elif t == xlrd.XL_CELL_DATE:
                yield r, c, "date", repr(float(cell.value))
            elif t == xlrd.XL_CELL_BOOLEAN:
                yield r, c, "bool", "1" if cell.value else "0"
            elif t == xlrd.XL_CELL_ERROR:
                yield r, c, "error", error_text_from_code.get(cell.value, "#???")


def main():
    root, out = sys.argv[1], sys.argv[2]
    names = []
    for folder, _, files in os.walk(root):
        for name in files:
            if name.lower().endswith(".xls"):
                names.append(os.path.relpath(os.path.join(folder, name), root))
    with gzip.open(out, "wt", encoding="utf-8", newline="\n") as dst, open(os.devnull, "w") as quiet:
        for rel in sorted(names):
            try:
                book = xlrd.open_workbook(os.path.join(root, rel), logfile=quiet)
                rows = list(cells(book.sheet_by_index(0))) if book.nsheets else []
            except Exception as e:  # xlrd fails in many ways; the file is then not compared
                dst.write("F\t%s\terror\t%s\n" % (rel, escape(str(e).splitlines()[0] if str(e) else type(e).__name__)))
                continue
            dst.write("F\t%s\tok\t%d\n" % (rel, book.nsheets))
            for r, c, t, v in rows:
                dst.write("C\t%d\t%d\t%s\t%s\n" % (r, c, t, v))


if __name__ == "__main__":
    main()
