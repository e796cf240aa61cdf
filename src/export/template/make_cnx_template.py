#!/usr/bin/python3
"""Builds "cnx.xls", the template of the journal export, beside this script.

The template is written as a flat ODF spreadsheet and converted to "MS Excel 97" by LibreOffice
(soffice --headless). The .xls is committed: the build copies it and never runs this script.

One sheet, copied once per entry (the pages data set CnxList, each copy named after the entry):
  row 1  the month ("#.Month", e.g. "Mars 2005")
  row 2  the entry ("##CnxList##Name")
  row 4  the column headings
  row 5  the band __Cnx__: one row per connection of the entry
  row 6  the entry's total ("##CnxList##Duree")
  row 7  the month's total ("#.DureeT")
Rows 1-7 make the band __Main__, produced once per sheet; cells outside it are left alone.
The totals come from the data, not from formulas. Durations show as hours past 24 ([h]:mm:ss).

Usage: /usr/bin/python3 make_cnx_template.py [output.xls]
"""
import os
import shutil
import subprocess
import sys
import tempfile
from xml.sax.saxutils import escape, quoteattr

HERE = os.path.dirname(os.path.abspath(__file__))
SHEET = "Connexions"

NS = " ".join(
    f'xmlns:{k}="{v}"'
    for k, v in [
        ("office", "urn:oasis:names:tc:opendocument:xmlns:office:1.0"),
        ("style", "urn:oasis:names:tc:opendocument:xmlns:style:1.0"),
        ("text", "urn:oasis:names:tc:opendocument:xmlns:text:1.0"),
        ("table", "urn:oasis:names:tc:opendocument:xmlns:table:1.0"),
        ("fo", "urn:oasis:names:tc:opendocument:xmlns:xsl-fo-compatible:1.0"),
        ("dc", "http://purl.org/dc/elements/1.1/"),
        ("meta", "urn:oasis:names:tc:opendocument:xmlns:meta:1.0"),
        ("number", "urn:oasis:names:tc:opendocument:xmlns:datastyle:1.0"),
        ("svg", "urn:oasis:names:tc:opendocument:xmlns:svg-compatible:1.0"),
    ]
)

THIN = "0.5pt solid #000000"

# Number formats a French reader takes in at a glance.
NUMBER_STYLES = """
<number:date-style style:name="Ndate"><number:day number:style="long"/><number:text>/</number:text><number:month number:style="long"/><number:text>/</number:text><number:year number:style="long"/></number:date-style>
<number:time-style style:name="Ntime"><number:hours number:style="long"/><number:text>:</number:text><number:minutes number:style="long"/><number:text>:</number:text><number:seconds number:style="long"/></number:time-style>
<number:time-style style:name="Nduree" number:truncate-on-overflow="false"><number:hours number:style="long"/><number:text>:</number:text><number:minutes number:style="long"/><number:text>:</number:text><number:seconds number:style="long"/></number:time-style>
"""


def cell_style(name, data=None, bold=False, size=None, colour=None, fill=None, borders=None,
               align=None, sides=("top", "bottom", "left", "right")):
    data_attr = f' style:data-style-name="{data}"' if data else ""
    cell = []
    if fill:
        cell.append(f'fo:background-color="{fill}"')
    if borders:
        cell += [f'fo:border-{side}="{borders}"' for side in sides]
    cell.append('style:vertical-align="middle"')
    text = []
    if bold:
        text += ['fo:font-weight="bold"']
    if size:
        text.append(f'fo:font-size="{size}pt"')
    if colour:
        text.append(f'fo:color="{colour}"')
    para = f'<style:paragraph-properties fo:text-align="{align}"/>' if align else ""
    return (
        f'<style:style style:name="{name}" style:family="table-cell" '
        f'style:parent-style-name="Default"{data_attr}>'
        f'<style:table-cell-properties {" ".join(cell)}/>{para}'
        f'<style:text-properties style:font-name="Liberation Sans" {" ".join(text)}/>'
        "</style:style>"
    )


CELL_STYLES = "".join(
    [
        cell_style("title", bold=True, size=16, colour="#1f1f7a"),
        cell_style("entry", bold=True, size=12),
        cell_style("head", bold=True, fill="#d9d9f2", borders=THIN, align="center"),
        cell_style("date", data="Ndate", borders=THIN, align="center"),
        cell_style("time", data="Ntime", borders=THIN, align="center"),
        cell_style("duree", data="Nduree", borders=THIN, align="end"),
        cell_style("remark", borders=THIN),
        # The label runs on over the empty cell beside it: no border between the two.
        cell_style("label", bold=True, fill="#eeeef9", borders=THIN, sides=("top", "bottom", "left")),
        cell_style("labelEnd", fill="#eeeef9", borders=THIN, sides=("top", "bottom", "right")),
        cell_style("total", data="Nduree", bold=True, fill="#eeeef9", borders=THIN, align="end"),
        cell_style("filler", fill="#eeeef9", borders=THIN),
    ]
)

COLUMNS = [("cA", "2.7cm"), ("cB", "2.3cm"), ("cC", "2.7cm"), ("cD", "9.6cm")]

AUTOMATIC = (
    NUMBER_STYLES
    + "".join(
        f'<style:style style:name="{n}" style:family="table-column">'
        f'<style:table-column-properties style:column-width="{w}"/></style:style>'
        for n, w in COLUMNS
    )
    + '<style:style style:name="rTitle" style:family="table-row"><style:table-row-properties '
    'style:row-height="0.8cm" style:use-optimal-row-height="false"/></style:style>'
    + '<style:style style:name="rRow" style:family="table-row"><style:table-row-properties '
    'style:row-height="0.5cm" style:use-optimal-row-height="false"/></style:style>'
    + '<style:style style:name="ta1" style:family="table" style:master-page-name="Rapport">'
    '<style:table-properties table:display="true"/></style:style>'
    + CELL_STYLES
    # A4 portrait, the width fitted to one page.
    + '<style:page-layout style:name="pm1"><style:page-layout-properties fo:page-width="21cm" '
    'fo:page-height="29.7cm" style:print-orientation="portrait" fo:margin-top="1.5cm" '
    'fo:margin-bottom="1.5cm" fo:margin-left="1.8cm" fo:margin-right="1.8cm" '
    'style:scale-to-X="1" style:scale-to-Y="0" style:print="grid-not charts drawings objects"/>'
    '<style:header-style><style:header-footer-properties fo:min-height="0cm"/></style:header-style>'
    '<style:footer-style><style:header-footer-properties fo:min-height="0.6cm" '
    'fo:margin-top="0.3cm"/></style:footer-style></style:page-layout>'
)

MASTER = (
    '<office:master-styles><style:master-page style:name="Rapport" style:page-layout-name="pm1">'
    '<style:header style:display="false"/>'
    "<style:footer><style:region-left><text:p>Chronolin</text:p></style:region-left>"
    '<style:region-right><text:p>Page <text:page-number>1</text:page-number> / '
    "<text:page-count>1</text:page-count></text:p></style:region-right></style:footer>"
    "</style:master-page></office:master-styles>"
)


def cell(value=None, style=None):
    attrs = f" table:style-name={quoteattr(style)}" if style else ""
    if value is None:
        return f"<table:table-cell{attrs}/>"
    return (
        f'<table:table-cell{attrs} office:value-type="string">'
        f"<text:p>{escape(value)}</text:p></table:table-cell>"
    )


def row(cells, style="rRow"):
    return f'<table:table-row table:style-name="{style}">{"".join(cells)}</table:table-row>'


ROWS = [
    row([cell("#.Month", "title")], "rTitle"),
    row([cell("##CnxList##Name", "entry")]),
    row([]),
    row([cell(t, "head") for t in ("Date", "Début", "Durée", "Remarque")]),
    row(
        [
            cell("##Cnx##Date", "date"),
            cell("##Cnx##Heure", "time"),
            cell("##Cnx##Duree", "duree"),
            cell("##Cnx##Ajustement", "remark"),
        ]
    ),
    row([cell("Total de la connexion", "label"), cell(None, "labelEnd"),
         cell("##CnxList##Duree", "total"), cell(None, "filler")]),
    row([cell("Total du mois", "label"), cell(None, "labelEnd"), cell("#.DureeT", "total"),
         cell(None, "filler")]),
]

NAMES = [("__Main__", 1, 7), ("__Cnx__", 5, 5)]


def document():
    columns = "".join(f'<table:table-column table:style-name="{n}"/>' for n, _ in COLUMNS)
    names = "".join(
        f"<table:named-range table:name={quoteattr(n)} table:base-cell-address=\"${SHEET}.$A$1\" "
        f'table:cell-range-address="${SHEET}.$A${a}:.$D${b}"/>'
        for n, a, b in NAMES
    )
    return (
        f'<?xml version="1.0" encoding="UTF-8"?>\n<office:document {NS} office:version="1.3" '
        'office:mimetype="application/vnd.oasis.opendocument.spreadsheet">\n'
        "<office:meta><dc:title>Journal des connexions</dc:title></office:meta>\n"
        f"<office:automatic-styles>{AUTOMATIC}</office:automatic-styles>\n{MASTER}\n"
        "<office:body><office:spreadsheet>\n"
        f'<table:table table:name="{SHEET}" table:style-name="ta1" '
        f'table:print-ranges="{SHEET}.A1:{SHEET}.D7">{columns}'
        + "".join(ROWS)
        + "</table:table>\n"
        + f"<table:named-expressions>{names}</table:named-expressions>\n"
        "</office:spreadsheet></office:body></office:document>\n"
    )


def main():
    target = sys.argv[1] if len(sys.argv) > 1 else os.path.join(HERE, "cnx.xls")
    work = tempfile.mkdtemp()
    try:
        source = os.path.join(work, "cnx.fods")
        with open(source, "w", encoding="utf-8") as out:
            out.write(document())
        # A private profile keeps the conversion independent of any user settings.
        subprocess.run(
            ["soffice", "--headless", "--norestore", f"-env:UserInstallation=file://{work}/profile",
             "--convert-to", "xls:MS Excel 97", "--outdir", work, source],
            check=True, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        shutil.copyfile(os.path.join(work, "cnx.xls"), target)
    finally:
        shutil.rmtree(work, ignore_errors=True)


if __name__ == "__main__":
    main()
