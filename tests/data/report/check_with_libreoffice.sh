#!/usr/bin/env bash
# Fills the templates of this folder with chronolin-report, has LibreOffice convert each result
# to CSV (one file per sheet, cells as shown) and to PDF, and compares the CSV files with
# expected/, which holds what the band rules give. Needs LibreOffice; the test suite does not
# run this (it reads the results with xlrd instead).
# Usage: check_with_libreoffice.sh PATH/TO/chronolin-report [OUTPUT_DIR]
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
tool="$1"
out="${2:-$(mktemp -d)}"
mkdir -p "$out"
rm -f "$out"/*.xls "$out"/*.csv "$out"/*.pdf

cd "$here"
"$tool" master_detail "$out/md.xls" --table Clients=clients.csv --table Orders=orders.csv \
  --detail Orders=Clients:Client --value Title="Commandes de mars" --value Author=Chronolin
"$tool" pages "$out/pages.xls" --table Entries=entries.csv --table Cnx=cnx.csv \
  --detail Cnx=Entries:Name --pages Entries:Name --value Month="Mars 2024"
"$tool" pictures "$out/pics.xls" --table Pics=pics.csv

# CSV filter: comma, double quote, UTF-8, from line 1, cells as shown, every sheet.
profile="-env:UserInstallation=file://$out/profile"
soffice --headless --norestore "$profile" \
  --convert-to 'csv:Text - txt - csv (StarCalc):44,34,76,1,,0,false,true,true,false,false,-1' \
  --outdir "$out" "$out/md.xls" "$out/pages.xls" "$out/pics.xls" >/dev/null 2>&1
soffice --headless --norestore "$profile" --convert-to pdf --outdir "$out" \
  "$out/md.xls" "$out/pages.xls" "$out/pics.xls" >/dev/null 2>&1

status=0
for expected in "$here"/expected/*.csv; do
  actual="$out/$(basename "$expected")"
  if ! cmp -s "$expected" "$actual"; then
    echo "differs: $(basename "$expected")"
    diff "$expected" "$actual" || true
    status=1
  fi
done
ls "$out"/*.pdf
[ "$status" -eq 0 ] && echo "every sheet as expected ($(ls "$here"/expected/*.csv | wc -l) CSV files)"
exit "$status"
