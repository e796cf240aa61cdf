#!/usr/bin/python3
# Writes xlwt_labels.xls: text cells as LABEL records (the older in-cell form some programs
# still write) beside numbers and a formula, on rows that edits move, and a shared string
# table whose first string fills its first record but for a few bytes (8,218 characters: the
# record cannot hold its header and first characters together with the table's header).
# Usage: xlwt_labels.py OUT.xls
import struct
import sys

import xlwt


class LabelCell(object):
    """A LABEL record: row, column, XF, then the 16-bit-counted text (8-bit or 16-bit)."""

    def __init__(self, rowx, colx, xf_idx, text):
        self.rowx, self.colx, self.xf_idx, self.text = rowx, colx, xf_idx, text

    def get_biff_data(self):
        try:
            chars, flags = self.text.encode("latin-1"), 0
        except UnicodeEncodeError:
            chars, flags = self.text.encode("utf-16-le"), 1
        body = struct.pack("<3HHB", self.rowx, self.colx, self.xf_idx, len(self.text), flags) + chars
        return struct.pack("<2H", 0x0204, len(body)) + body


book = xlwt.Workbook(encoding="utf-8")
sheet = book.add_sheet("Étiquettes", cell_overwrite_ok=True)
long_text = "".join(chr(ord("a") + i % 26) for i in range(8218))
sheet.write(0, 0, long_text)
sheet.write(0, 1, "Suite")
labels = {2: "Modem", 3: "Câble", 4: "Ligne ☎", 6: "Total"}
for rowx in range(2, 7):
    if rowx in labels:
        sheet.write(rowx, 0, "")  # sets the row's bounds; the cell itself is replaced below
        sheet.row(rowx).insert_cell(0, LabelCell(rowx, 0, 0x11, labels[rowx]))
    if rowx < 6:
        sheet.write(rowx, 1, rowx * 10)
sheet.write(6, 1, xlwt.Formula("SUM(B3:B6)"))
book.save(sys.argv[1])
