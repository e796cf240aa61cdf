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

# Gnumeric, from its XML file format.
ssconvert -T Gnumeric_Excel:excel_biff8 "$src/gnm_charts.gnumeric.xml" "$here/gnm_charts.xls" \
  >/dev/null 2>&1

# xlwt (the Debian interpreter: the module is a Debian package).
/usr/bin/python3 "$src/xlwt_strings.py" "$here/xlwt_strings.xls"

ls -l "$here"/*.xls
