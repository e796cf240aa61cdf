#!/usr/bin/python3
"""Independent checks of edited workbooks.

usage: edit_checks.py rows OUT      the lo_report.xls edit of the tests: rows 6-7 of the first
                                    sheet copied twice to row 13 (1-based)
       edit_checks.py shapes OUT    every shape id of the file is unique; prints the count of
                                    drawings, shapes and notes per sheet
Exit status 0 when the file agrees; the differences are printed otherwise.
"""
import struct
import sys

import olefile
import xlrd


def records(data):
    pos = 0
    while pos + 4 <= len(data):
        rid, size = struct.unpack_from("<HH", data, pos)
        if rid == 0:
            break
        yield rid, data[pos + 4:pos + 4 + size]
        pos += 4 + size


def sheet_drawings(path):
    """Per worksheet: its drawing bytes (MSODRAWING bodies joined) and its FORMULA bodies."""
    data = olefile.OleFileIO(path).openstream("Workbook").read()
    sheets, depth = [], 0
    for rid, body in records(data):
        if rid == 0x0809:
            if depth == 0 and struct.unpack_from("<H", body, 2)[0] == 0x0010:
                sheets.append({"drawing": b"", "formulas": [], "notes": 0})
            depth += 1
        elif rid == 0x000A:
            depth = max(depth - 1, 0)
        elif depth == 1 and sheets:
            if rid == 0x00EC:
                sheets[-1]["drawing"] += body
            elif rid == 0x0006:
                sheets[-1]["formulas"].append(body)
            elif rid == 0x001C:
                sheets[-1]["notes"] += 1
    return sheets


def shape_ids(drawing):
    ids, pos = [], 0
    while pos + 8 <= len(drawing):
        ver_inst, kind, length = struct.unpack_from("<HHI", drawing, pos)
        if ver_inst & 0x0F == 0x0F:
            pos += 8  # a container: step into it
            continue
        if kind == 0xF00A:
            ids.append(struct.unpack_from("<I", drawing, pos + 8)[0])
        pos += 8 + length
    return ids


def check_rows(path):
    problems = []
    sheet = xlrd.open_workbook(path, formatting_info=True).sheet_by_index(0)
    names = [sheet.cell_value(r, 0) for r in range(sheet.nrows)]
    expected = (["Connexion", "Modem", "RNIS", "Câble", "Hôtel", "Gare", "Bureau", "Maison",
                 "Café", "Mobile", "Labo", "Réseau", "Gare", "Bureau", "Gare", "Bureau",
                 "Secours", "Total"])
    if names[:18] != expected:
        problems.append("first column %r" % names[:18])
    for r in (12, 14):
        if sheet.cell_value(r, 1) != 38.0 or sheet.cell_value(r + 1, 1) != 45.0:
            problems.append("copied values at row %d" % r)
    notes = {k: v.text for k, v in sheet.cell_note_map.items()}
    want = {(1, 0): "Première connexion du mois", (6, 0): "Ligne coupée deux fois",
            (13, 0): "Ligne coupée deux fois", (15, 0): "Ligne coupée deux fois"}
    if notes != want:
        problems.append("notes %r" % notes)
    if sorted(sheet.merged_cells) != [(20, 22, 0, 3), (21, 22, 4, 6)]:
        problems.append("merged %r" % sheet.merged_cells)
    # The total under the block: SUM over an area (ptgArea, any class) now rows 1-16.
    totals = []
    for body in sheet_drawings(path)[0]["formulas"]:
        row, col = struct.unpack_from("<HH", body, 0)
        tokens = body[22:22 + struct.unpack_from("<H", body, 20)[0]]
        if row == 17 and tokens[:1] in (b"\x25", b"\x45", b"\x65"):
            totals.append((col, struct.unpack_from("<HH", tokens, 1)))
    if sorted(totals) != [(1, (1, 16)), (2, (1, 16)), (3, (1, 16))]:
        problems.append("total areas %r" % totals)
    return problems


def check_shapes(path):
    problems, seen = [], {}
    for index, sheet in enumerate(sheet_drawings(path)):
        ids = shape_ids(sheet["drawing"])
        for spid in ids:
            if spid in seen:
                problems.append("shape id %d in sheets %d and %d" % (spid, seen[spid], index))
            seen[spid] = index
        print("sheet %d: %d shapes, %d notes" % (index, len(ids), sheet["notes"]))
    return problems


def main(mode, path):
    problems = check_rows(path) if mode == "rows" else check_shapes(path)
    for p in problems:
        print(p)
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1], sys.argv[2]))
