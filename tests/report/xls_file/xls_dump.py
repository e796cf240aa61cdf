#!/usr/bin/python3
"""Prints what an independent reader (xlrd, olefile) sees in a workbook, one fact a line:
  stream NAME SIZE                     every stream of the compound document
  sheet NAME                           every sheet, in order
  cell SHEET!A1 TYPE VALUE | FORMAT    every non-empty cell (TYPE: text, number, date, blank...)
  note SHEET!A1 TEXT                   every note
  break SHEET ROW                      every horizontal page break (1-based first row after it)
  found TEXT COUNT                     with --find TEXT...: how often the Workbook stream holds
                                       the bytes of TEXT (pictures are stored whole)
"""
import sys

import olefile
import xlrd

TYPES = {0: "empty", 1: "text", 2: "number", 3: "date", 4: "bool", 5: "error", 6: "blank"}


def ref(col, row):
    return xlrd.colname(col) + str(row + 1)


def main(path, finds):
    with olefile.OleFileIO(path) as ole:
        for entry in sorted(ole.listdir(streams=True, storages=False)):
            name = "/".join(entry)
            print("stream", repr(name), ole.get_size(name))
        workbook = ole.openstream("Workbook").read()
    for text in finds:
        print("found", text, workbook.count(text.encode()))
    book = xlrd.open_workbook(path, formatting_info=True)
    for sheet in book.sheets():
        print("sheet", sheet.name)
    for sheet in book.sheets():
        for r in range(sheet.nrows):
            for c, cell in enumerate(sheet.row(r)):
                if cell.ctype == 0:
                    continue
                fmt = book.format_map[book.xf_list[cell.xf_index].format_key].format_str
                value = cell.value
                if cell.ctype in (2, 3) and value == int(value):
                    value = int(value)
                print(f"cell {sheet.name}!{ref(c, r)} {TYPES[cell.ctype]} {value!r} | {fmt}")
        for (r, c), note in sorted(sheet.cell_note_map.items()):
            print(f"note {sheet.name}!{ref(c, r)} {note.text!r}")
        for row, _, _ in sheet.horizontal_page_breaks:
            print(f"break {sheet.name} {row + 1}")


if __name__ == "__main__":
    args = sys.argv[1:]
    main(args[0], args[2:] if args[1:2] == ["--find"] else [])
