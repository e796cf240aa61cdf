#!/usr/bin/python3
"""Compares two workbooks as an independent reader sees them.

usage: xlrd_compare.py IN OUT

Every sheet must have the same name, dimensions, merged ranges, and cell values and types,
formula cells aside: the saved file carries a placeholder result for them (the reading
application recalculates), so their cells are located in IN's records and skipped.
OUT's compound file must list the same streams as IN's. Exit status 0 when all agree;
the differences are printed otherwise.
"""
import struct
import sys

import olefile
import xlrd


def formula_cells(path):
    """(worksheet index, row, column) of every FORMULA record, read from the raw stream."""
    data = olefile.OleFileIO(path).openstream("Workbook").read()
    cells, pos, sheet, depth = set(), 0, -1, 0
    while pos + 4 <= len(data):
        rid, size = struct.unpack_from("<HH", data, pos)
        if rid == 0:
            break
        body = data[pos + 4:pos + 4 + size]
        if rid == 0x0809:
            if depth == 0 and struct.unpack_from("<H", body, 2)[0] == 0x0010:
                sheet += 1
            depth += 1
        elif rid == 0x000A:
            depth = max(depth - 1, 0)
        elif rid == 0x0006 and depth == 1:
            row, col = struct.unpack_from("<HH", body, 0)
            cells.add((sheet, row, col))
        pos += 4 + size
    return cells


def streams(path):
    return sorted("/".join(entry) for entry in olefile.OleFileIO(path).listdir(streams=True))


def main(a, b):
    problems = []
    if streams(a) != streams(b):
        problems.append("streams differ: %s vs %s" % (streams(a), streams(b)))
    skip = formula_cells(a)
    book_a = xlrd.open_workbook(a, formatting_info=True)
    book_b = xlrd.open_workbook(b, formatting_info=True)
    if book_a.sheet_names() != book_b.sheet_names():
        problems.append("sheet names %r vs %r" % (book_a.sheet_names(), book_b.sheet_names()))
    for index, (sa, sb) in enumerate(zip(book_a.sheets(), book_b.sheets())):
        where = "sheet %r" % sa.name
        if (sa.nrows, sa.ncols) != (sb.nrows, sb.ncols):
            problems.append("%s: size %dx%d vs %dx%d" % (where, sa.nrows, sa.ncols, sb.nrows, sb.ncols))
            continue
        if sorted(sa.merged_cells) != sorted(sb.merged_cells):
            problems.append("%s: merged %r vs %r" % (where, sa.merged_cells, sb.merged_cells))
        for r in range(sa.nrows):
            for c in range(sa.ncols):
                if (index, r, c) in skip:
                    continue
                ca, cb = sa.cell(r, c), sb.cell(r, c)
                if (ca.ctype, ca.value) != (cb.ctype, cb.value):
                    problems.append("%s: cell (%d,%d) %r vs %r" % (where, r, c, ca, cb))
    for p in problems[:40]:
        print(p)
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1], sys.argv[2]))
