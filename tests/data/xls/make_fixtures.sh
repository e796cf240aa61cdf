#!/usr/bin/env bash
# Rebuilds the fixture workbooks of this folder from the sources in sources/, each with an
# independent spreadsheet program. The .xls files are committed: the tests never run this.
# Needs (Debian): libreoffice-calc-nogui, gnumeric, python3-xlwt, coreutils.
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
src="$here/sources"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT

# A private profile keeps the conversion independent of any user settings.
# The options must precede the input file, else the file is opened as a document first.
soffice_to_xls() {
  soffice --headless --norestore "-env:UserInstallation=file://$work/profile" \
    --convert-to 'xls:MS Excel 97' --outdir "$work" "$@" >/dev/null 2>&1
}

# LibreOffice Calc, from flat ODF: the images are inlined into the document first.
sed -e "s|@PNG@|$(base64 -w0 "$src/logo.png")|" -e "s|@JPEG@|$(base64 -w0 "$src/photo.jpg")|" \
  "$src/lo_report.fods.in" >"$work/lo_report.fods"
soffice_to_xls "$work/lo_report.fods"
# LibreOffice Calc, from UTF-8 CSV (filter options: comma, double quote, UTF-8, from line 1).
cp "$src/lo_strings.csv" "$work/"
soffice_to_xls --infilter="CSV:44,34,76,1" "$work/lo_strings.csv"
cp "$work/lo_report.xls" "$work/lo_strings.xls" "$here/"

# LibreOffice Calc, from the flat ODF that lo_edits.py writes: array formulas, validation,
# conditional formats, a hyperlink, a note, a picture and a sheet-local name (lo_edits), print
# titles (lo_titles), and references to another file (lo_extref). Calc keeps no cached values of
# the other file in its own formats, so they are written into its xlsx form (the externalLink
# part's sheetData) before the last conversion, which stores them as XCT/CRN records.
/usr/bin/python3 "$src/lo_edits.py" "$work" "$src/logo.png"
soffice_to_xls "$work/ext_source.fods" "$work/lo_edits.fods" "$work/lo_titles.fods"
soffice --headless --norestore "-env:UserInstallation=file://$work/profile" \
  --convert-to xlsx --outdir "$work" "$work/lo_extref.fods" >/dev/null 2>&1
/usr/bin/python3 - "$work/lo_extref.xlsx" "$work/cached.xlsx" <<'PY'
import sys, zipfile
cells = (b'<sheetData sheetId="0"><row r="1"><cell r="A1"><v>21</v></cell></row>'
         b'<row r="2"><cell r="A2"><v>155</v></cell></row></sheetData>')
src, dst = zipfile.ZipFile(sys.argv[1]), zipfile.ZipFile(sys.argv[2], "w", zipfile.ZIP_DEFLATED)
for item in src.infolist():
    data = src.read(item.filename)
    if item.filename == "xl/externalLinks/externalLink1.xml":
        data = data.replace(b'<sheetData sheetId="0"></sheetData>', cells)
    dst.writestr(item, data)
dst.close()
PY
soffice_to_xls "$work/cached.xlsx"
cp "$work/lo_edits.xls" "$work/lo_titles.xls" "$here/"
cp "$work/cached.xls" "$here/lo_extref.xls"

# Gnumeric, from its XML file format.
ssconvert -T Gnumeric_Excel:excel_biff8 "$src/gnm_charts.gnumeric.xml" "$here/gnm_charts.xls" \
  >/dev/null 2>&1

# xlwt (the Debian interpreter: the module is a Debian package).
/usr/bin/python3 "$src/xlwt_strings.py" "$here/xlwt_strings.xls"
/usr/bin/python3 "$src/xlwt_labels.py" "$here/xlwt_labels.xls"

ls -l "$here"/*.xls
