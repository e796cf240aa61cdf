#!/usr/bin/python3
# Writes xlwt_strings.xls: a shared string table far over one record (so strings run on in
# CONTINUE records, one of them split across the boundary), 8-bit and 16-bit text, rich text,
# formulas with relative, absolute and 3-D references, merged cells, page breaks, column
# widths and row heights, over three sheets. Usage: xlwt_strings.py OUT.xls
import sys

import xlwt

book = xlwt.Workbook(encoding="utf-8")
data = book.add_sheet("Lignes")
more = book.add_sheet("Détails")
rates = book.add_sheet("Taux")

rates.write(0, 0, "Tarif")
rates.write(0, 1, 0.2)
rates.write(1, 0, "Seuil")
rates.write(1, 1, 100)

# 8-bit and 16-bit strings alternate so that the run-on records switch encodings too.
for i in range(150):
    if i % 3 == 2:
        text = "Линия %03d — соединение номер %d" % (i, i * 7)
    else:
        text = "Ligne %03d : connexion numéro %d" % (i, i * 7)
    data.write(i, 0, text)
    data.write(i, 1, i * 1.5)
    if i < 20:
        data.write(i, 2, xlwt.Formula("B%d*2" % (i + 1)))  # relative
        data.write(i, 3, xlwt.Formula("B%d*$B$1" % (i + 1)))  # absolute
        data.write(i, 4, xlwt.Formula("B%d*Taux!$B$1" % (i + 1)))  # 3-D
# One long 8-bit and one long 16-bit string: each must span a record boundary.
data.write(0, 6, "".join("Durée %04d. " % k for k in range(750)))
data.write(1, 6, "".join("Ω%03dλ " % k for k in range(500)))

bold = xlwt.easyxf("font: bold on, colour red").font
italic = xlwt.easyxf("font: italic on").font
more.write_rich_text(0, 0, ("Texte ", ("gras", bold), " puis ", ("italique", italic)))
more.write_merge(2, 3, 0, 2, "Fusion sur deux lignes")
more.write_merge(5, 5, 1, 4, "Fusion d'une ligne")
more.write(6, 0, xlwt.Formula("SUM(Lignes!B1:B10)"))
more.write(7, 0, xlwt.Formula("Taux!B2+Lignes!$B$2"))
more.col(0).width = 256 * 30
more.col(3).width = 256 * 5
more.row(0).height_mismatch = True
more.row(0).height = 20 * 30
more.row(6).height_mismatch = True
more.row(6).height = 20 * 8
more.horz_page_breaks = [(4, 0, 255)]
more.vert_page_breaks = [(2, 0, 65535)]

book.save(sys.argv[1])
