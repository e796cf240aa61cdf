#!/usr/bin/python3
"""Lists an exported journal workbook as xlrd reads it, one line per fact, for the export
tests to compare: each sheet's name, the title, the entry, every connection row (date, time,
duration, remark, each with its number format), the entry's total and the month's total.

Usage: /usr/bin/python3 read_export.py FILE.xls
"""
import sys

import xlrd

# xlrd tells numbers shown as dates or times apart from other numbers.
NUMBERS = (xlrd.XL_CELL_NUMBER, xlrd.XL_CELL_DATE)


def fmt(book, sheet, r, c):
    return book.format_map[book.xf_list[sheet.cell_xf_index(r, c)].format_key].format_str


def clock(value):
    seconds = round(value * 86400)
    return "%02d:%02d:%02d" % (seconds // 3600, seconds // 60 % 60, seconds % 60)


def date(book, value):
    y, m, d, _, _, _ = xlrd.xldate_as_tuple(value, book.datemode)
    return "%02d/%02d/%04d" % (d, m, y)


def main():
    book = xlrd.open_workbook(sys.argv[1], formatting_info=True)
    for sheet in book.sheets():
        print("sheet", sheet.name)
        print("title", sheet.cell_value(0, 0))
        print("entry", sheet.cell_value(1, 0))
        print("head", " | ".join(str(sheet.cell_value(3, c)) for c in range(4)))
        r = 4
        while r < sheet.nrows and sheet.cell_type(r, 0) in NUMBERS:
            print(
                "row",
                date(book, sheet.cell_value(r, 0)),
                clock(sheet.cell_value(r, 1)),
                clock(sheet.cell_value(r, 2)),
                "|",
                sheet.cell_value(r, 3),
                "|",
                fmt(book, sheet, r, 0),
                fmt(book, sheet, r, 1),
                fmt(book, sheet, r, 2),
            )
            r += 1
        for label in ("total", "month"):
            kind = sheet.cell_type(r, 2)
            value = clock(sheet.cell_value(r, 2)) if kind in NUMBERS else "not a number"
            print(label, sheet.cell_value(r, 0), value, fmt(book, sheet, r, 2))
            r += 1
        print("rows", sheet.nrows)


if __name__ == "__main__":
    main()
