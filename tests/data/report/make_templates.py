#!/usr/bin/python3
"""Rebuilds the report templates of this folder and the CSV tables that fill them.

Each template is written as a flat ODF spreadsheet and converted to "MS Excel 97" by LibreOffice
(soffice --headless), so the .xls files come from an independent spreadsheet program. The
templates and CSV files are committed: the tests never run this script.

Bands are named ranges "__Name__" over whole rows of the band; tags are cell texts, note texts
and picture names.

Usage: /usr/bin/python3 make_templates.py [NAME...]   (all templates without a name)
"""
import os
import shutil
import struct
import subprocess
import sys
import tempfile
import zlib
from base64 import b64encode
from xml.sax.saxutils import escape, quoteattr

HERE = os.path.dirname(os.path.abspath(__file__))

NS = " ".join(
    f'xmlns:{k}="{v}"'
    for k, v in [
        ("office", "urn:oasis:names:tc:opendocument:xmlns:office:1.0"),
        ("style", "urn:oasis:names:tc:opendocument:xmlns:style:1.0"),
        ("text", "urn:oasis:names:tc:opendocument:xmlns:text:1.0"),
        ("table", "urn:oasis:names:tc:opendocument:xmlns:table:1.0"),
        ("draw", "urn:oasis:names:tc:opendocument:xmlns:drawing:1.0"),
        ("fo", "urn:oasis:names:tc:opendocument:xmlns:xsl-fo-compatible:1.0"),
        ("xlink", "http://www.w3.org/1999/xlink"),
        ("dc", "http://purl.org/dc/elements/1.1/"),
        ("meta", "urn:oasis:names:tc:opendocument:xmlns:meta:1.0"),
        ("number", "urn:oasis:names:tc:opendocument:xmlns:datastyle:1.0"),
        ("svg", "urn:oasis:names:tc:opendocument:xmlns:svg-compatible:1.0"),
        ("of", "urn:oasis:names:tc:opendocument:xmlns:of:1.2"),
    ]
)

STYLES = """
<number:date-style style:name="Ndate"><number:day number:style="long"/><number:text>/</number:text><number:month number:style="long"/><number:text>/</number:text><number:year number:style="long"/></number:date-style>
<number:date-style style:name="Nstamp"><number:year number:style="long"/><number:text>-</number:text><number:month number:style="long"/><number:text>-</number:text><number:day number:style="long"/><number:text> </number:text><number:hours number:style="long"/><number:text>:</number:text><number:minutes number:style="long"/></number:date-style>
<number:time-style style:name="Ntime" number:truncate-on-overflow="false"><number:hours number:style="long"/><number:text>:</number:text><number:minutes number:style="long"/><number:text>:</number:text><number:seconds number:style="long"/></number:time-style>
<number:number-style style:name="Nnum"><number:number number:decimal-places="2" number:min-integer-digits="1"/></number:number-style>
<style:style style:name="co1" style:family="table-column"><style:table-column-properties style:column-width="3.2cm"/></style:style>
<style:style style:name="ro1" style:family="table-row"><style:table-row-properties style:row-height="0.5cm" style:use-optimal-row-height="false"/></style:style>
<style:style style:name="ro2" style:family="table-row"><style:table-row-properties style:row-height="1.2cm" style:use-optimal-row-height="false"/></style:style>
<style:style style:name="ro3" style:family="table-row"><style:table-row-properties style:row-height="0.5cm" style:use-optimal-row-height="false" fo:break-before="page"/></style:style>
<style:style style:name="ta1" style:family="table"><style:table-properties table:display="true"/></style:style>
<style:style style:name="bold" style:family="table-cell"><style:text-properties fo:font-weight="bold"/></style:style>
<style:style style:name="date" style:family="table-cell" style:data-style-name="Ndate"/>
<style:style style:name="stamp" style:family="table-cell" style:data-style-name="Nstamp"/>
<style:style style:name="time" style:family="table-cell" style:data-style-name="Ntime"/>
<style:style style:name="num" style:family="table-cell" style:data-style-name="Nnum"/>
<style:style style:name="fill" style:family="table-cell"><style:table-cell-properties fo:background-color="#dde8f4"/></style:style>
"""


def png(width, height, rgb):
    """A small solid-colour PNG."""

    def chunk(kind, data):
        body = kind + data
        return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body) & 0xFFFFFFFF)

    raw = b"".join(b"\x00" + bytes(rgb) * width for _ in range(height))
    return (
        b"\x89PNG\r\n\x1a\n"
        + chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, 8, 2, 0, 0, 0))
        + chunk(b"IDAT", zlib.compress(raw, 9))
        + chunk(b"IEND", b"")
    )


class Cell:
    """One template cell: text or number, optional style, note, formula and pictures."""

    def __init__(self, value=None, style=None, note=None, formula=None, pictures=()):
        self.value, self.style, self.note = value, style, note
        self.formula, self.pictures = formula, pictures

    def xml(self, sheet, row, col):
        attrs = ""
        if self.style:
            attrs += f" table:style-name={quoteattr(self.style)}"
        inner = ""
        for name, data, width, height in self.pictures:
            end = f"{sheet}.{chr(ord('A') + col)}{row + 1}"
            inner += (
                f'<draw:frame draw:name={quoteattr(name)} svg:width="{width}cm" '
                f'svg:height="{height}cm" svg:x="0.1cm" svg:y="0.05cm" '
                f'table:end-cell-address={quoteattr(end)} table:end-x="{width + 0.1}cm" '
                f'table:end-y="{height + 0.05}cm"><draw:image><office:binary-data>'
                f"{b64encode(data).decode()}</office:binary-data></draw:image></draw:frame>"
            )
        if self.note:
            inner += (
                '<office:annotation office:display="false"><dc:creator>Modèle</dc:creator>'
                f"<text:p>{escape(self.note)}</text:p></office:annotation>"
            )
        if self.formula:
            attrs += f' table:formula={quoteattr(self.formula)} office:value-type="float" office:value="0"'
        elif isinstance(self.value, (int, float)):
            attrs += f' office:value-type="float" office:value="{self.value}"'
            inner += f"<text:p>{self.value}</text:p>"
        elif self.value is not None:
            attrs += ' office:value-type="string"'
            inner += f"<text:p>{escape(self.value)}</text:p>"
        return f"<table:table-cell{attrs}>{inner}</table:table-cell>"


def sheet_xml(name, rows, breaks=(), tall=()):
    """rows: list of lists of Cell/str/number/None; breaks: 1-based rows starting a page."""
    out = [f'<table:table table:name={quoteattr(name)} table:style-name="ta1">']
    out.append('<table:table-column table:style-name="co1" table:number-columns-repeated="6"/>')
    for r, cells in enumerate(rows):
        style = "ro3" if r + 1 in breaks else "ro2" if r + 1 in tall else "ro1"
        out.append(f'<table:table-row table:style-name="{style}">')
        for c, cell in enumerate(cells):
            if not isinstance(cell, Cell):
                cell = Cell(cell)
            out.append(cell.xml(name, r, c))
        out.append("</table:table-row>")
    out.append("</table:table>")
    return "".join(out)


def document(sheets, names):
    """names: (name, sheet, first row, last row, last column letter), rows 1-based."""
    ranges = "".join(
        f"<table:named-range table:name={quoteattr(n)} table:base-cell-address=\"${s}.$A$1\" "
        f"table:cell-range-address=\"${s}.$A${a}:.${col}${b}\"/>"
        for n, s, a, b, col in names
    )
    return (
        f'<?xml version="1.0" encoding="UTF-8"?>\n<office:document {NS} office:version="1.3" '
        'office:mimetype="application/vnd.oasis.opendocument.spreadsheet">\n'
        "<office:meta><dc:title>Modèle de rapport</dc:title></office:meta>\n"
        f"<office:automatic-styles>{STYLES}</office:automatic-styles>\n"
        "<office:body><office:spreadsheet>\n"
        + "\n".join(sheets)
        + f"\n<table:named-expressions>{ranges}</table:named-expressions>\n"
        "</office:spreadsheet></office:body></office:document>\n"
    )


RED, GREEN, BLUE = png(4, 3, (200, 30, 30)), png(4, 3, (30, 160, 60)), png(4, 3, (40, 60, 200))
LOGO = png(6, 2, (250, 200, 0))


def master_detail():
    # Main (rows 1-7, no table of that name: once) holds Clients (rows 3-6), which holds Orders
    # (row 4); row 5 vanishes, row 6 breaks the page.
    rows = [
        [Cell("#.Title", "bold")],
        ["Client", "Article", "Qté", "Date"],
        [Cell("##Clients##Client", "bold"), None, None, Cell("##Clients##Since", "date")],
        [None, "##Orders##Item", Cell("##Orders##Qty", "num"), Cell("##Orders##Date", "date")],
        ["...delete row...", "(ligne supprimée)"],
        ["...page break...", "Fin du client"],
        ["Fin du rapport", "#.Author"],
    ]
    return document(
        [sheet_xml("Clients", rows)],
        [("__Main__", "Clients", 1, 7, "D"), ("__Clients__", "Clients", 3, 6, "D"),
         ("__Orders__", "Clients", 4, 4, "D")],
    )


def pages():
    # One sheet per entry; a full table of the entry's connections below row 4.
    model = [
        [Cell("#.Month", "bold"), "Journal"],
        [Cell("##Entries##Name", "bold", note="##Entries##Name"), Cell("##Entries##Total", "time")],
        ["Connexions"],
        [Cell("##Cnx##*", "fill")],
        [Cell(None, "fill"), Cell(None, "stamp"), Cell(None, "time"), Cell(None, "fill")],
        ["Fin", Cell(None, note="Note fixe")],
    ]
    notes = [["Feuille sans bande"], ["##Cnx##Name"]]
    return document(
        [sheet_xml("Modèle", model), sheet_xml("Notes", notes)],
        [("__Main__", "Modèle", 1, 6, "D")],
    )


def pictures():
    rows = [
        [Cell("Galerie", "bold"), Cell(None, pictures=[("Logo", LOGO, 1.2, 0.4)])],
        ["Nom", "Image"],
        ["##Pics##Name", Cell(None, pictures=[("##Pics##Image##PNG", RED, 0.8, 0.6)])],
        ["Fin"],
    ]
    return document([sheet_xml("Photos", rows, tall=(1, 3))], [("__Pics__", "Photos", 3, 3, "B")])


def band(note="Durée facturée"):
    # The benchmark's band: row 5, text, number, date-time and text in B to E, a note on C5,
    # a total below and a page break under it.
    rows = [
        [Cell("#.Month", "bold")],
        [],
        [],
        [None, "Connexion", "Durée", "Début", "Remarque"],
        [None, "##Cnx##Name", Cell("##Cnx##Duree", "num", note=note),
         Cell("##Cnx##Date", "stamp"), "##Cnx##Remark"],
        [None, "Total", Cell(formula="of:=SUM([.C5:.C5])", style="num")],
        ["Après le saut de page"],
    ]
    return document([sheet_xml("Journal", rows, breaks=(7,))], [("__Cnx__", "Journal", 5, 5, "E")])


def csv_field(value):
    if isinstance(value, bytes):
        return b'"' + value.replace(b'"', b'""') + b'"'
    text = str(value)
    if any(c in text for c in ',"\r\n'):
        text = '"' + text.replace('"', '""') + '"'
    return text.encode("utf-8")


def write_csv(name, rows):
    with open(os.path.join(HERE, name), "wb") as f:
        for row in rows:
            f.write(b",".join(csv_field(v) for v in row) + b"\r\n")


def tables():
    write_csv("clients.csv", [
        ["Client", "Since"],
        ["Dupont", "2019-04-01"],
        ["Martin", "2021-11-15"],
        ["Durand", "2023-02-28"],
    ])
    write_csv("orders.csv", [
        ["Client", "Item", "Qty", "Date"],
        ["Dupont", "Modem 56k", "2", "2024-03-01"],
        ["Durand", "Câble série", "1", "2024-03-02"],
        ["Dupont", "Carte RNIS", "1.5", "2024-03-05"],
        ["Dupont", '"Forfait" nuit, week-end', "3", "2024-03-09"],
    ])
    write_csv("entries.csv", [
        ["Name", "Total"],
        ["Orange [3G]", "01:02:03"],
        ["Modem", "00:10:00"],
        ["modem", "00:00:30"],
        ["Vide", ""],
    ])
    write_csv("cnx.csv", [
        ["Name", "Date", "Duree", "Remarque"],
        ["Orange [3G]", "2024-03-01 08:30:00", "00:40:00", "(Conn.)"],
        ["Modem", "2024-03-02 21:00:00", "00:10:00", "Ligne\r\ncoupée"],
        ["Orange [3G]", "2024-03-04 12:15:00", "00:22:03", ""],
        ["modem", "2024-03-05 07:00:00", "00:00:30", "(Auth.)"],
    ])
    write_csv("pics.csv", [["Name", "Image"], ["Vert", GREEN], ["Bleu", BLUE]])


def main():
    work = tempfile.mkdtemp()
    try:
        # band_plain: the benchmark's band without its note, to tell the note's share.
        templates = [("master_detail", master_detail), ("pages", pages), ("pictures", pictures),
                     ("band", band), ("band_plain", lambda: band(note=None))]
        wanted = sys.argv[1:]
        for name, make in templates:
            if wanted and name not in wanted:
                continue
            path = os.path.join(work, name + ".fods")
            with open(path, "w", encoding="utf-8") as f:
                f.write(make())
            # A private profile keeps the conversion independent of any user settings.
            subprocess.run(
                ["soffice", "--headless", "--norestore", f"-env:UserInstallation=file://{work}/profile",
                 "--convert-to", "xls:MS Excel 97", "--outdir", work, path],
                check=True, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
            shutil.copy(os.path.join(work, name + ".xls"), HERE)
        if not wanted:
            tables()
    finally:
        shutil.rmtree(work)


if __name__ == "__main__":
    sys.exit(main())
