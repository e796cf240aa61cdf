#!/usr/bin/env bash
# Takes the export's screenshots: the dialog (docs/export-dialog.png) from its widget test on the
# offscreen platform, and the first sheet of a workbook made by `chronolin --export` as
# LibreOffice prints it (docs/export-workbook.png).
# Needs LibreOffice (soffice), poppler-utils (pdftoppm) and ImageMagick (convert-im6.q16).
# Usage: docs/export_screenshots.sh [build dir]
set -euo pipefail
cd "$(dirname "$0")/.."
build="${1:-build/default}"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT

CHRONOLIN_SCREENSHOTS="$PWD/docs" QT_QPA_PLATFORM=offscreen \
  "$build/tests/export/export_gui_tests" --gtest_filter='*CancelledSave*' >/dev/null

mkdir "$work/home"
printf '%s\r\n' \
  "02/03/2005 - 08:12:40 - Fournisseur - 00:42:17 (Conn.)" \
  "02/03/2005 - 21:03:05 - Fournisseur - 01:15:02 (Conn.)" \
  "05/03/2005 - 10:30:00 - Secours - 00:05:40 (Num. + 15 s)" \
  "07/03/2005 - 19:45:12 - Fournisseur - 02:03:44 (Conn.)" \
  "12/03/2005 - 09:00:08 - Fournisseur - 26:14:09 (Auth.)" \
  "18/03/2005 - 22:10:51 - Fournisseur - 00:31:26 (Conn.) ** Chronolin arrêté en cours de connexion **" \
  "25/03/2005 - 14:02:33 - Fournisseur - 00:08:15 (Conn.)" \
  >"$work/home/Connexions.txt"
CHRONOLIN_HOME="$work/home" "$build/src/counter/chronolin" --export 2005-03 "$work/mars05.xls"

soffice --headless --norestore "-env:UserInstallation=file://$work/profile" \
  --convert-to pdf --outdir "$work" "$work/mars05.xls" >/dev/null 2>&1
pdftoppm -png -r 90 -f 1 -l 1 "$work/mars05.pdf" "$work/page"
# The printed part of the A4 page, its margins kept.
convert-im6.q16 "$work"/page*.png -crop 744x300+0+0 +repage docs/export-workbook.png
echo "Screenshots written to docs/"
