#!/bin/sh
# Seeds the workbook fuzzer's corpus with the "Workbook" streams of the fixtures.
#   fuzz/seed_workbook.sh CORPUS_DIR
set -eu
corpus=${1:?corpus directory}
mkdir -p "$corpus"
for f in "$(dirname "$0")"/../tests/data/xls/*.xls; do
  /usr/bin/python3 -c 'import sys, olefile; sys.stdout.buffer.write(olefile.OleFileIO(sys.argv[1]).openstream("Workbook").read())' \
    "$f" > "$corpus/$(basename "$f" .xls).biff"
done
