#!/bin/sh
# Whole-process figures of the band fill: chronolin-report filling the band template from a CSV
# table of N records, side by side with the POI program of ../shared/anchors doing the same fill
# (skipped when Java or POI is missing). Prints wall time, CPU time and peak RSS of each run.
#   bench/report_fill_compare.sh [BUILD_DIR] [ANCHORS_DIR] [N...]
# BUILD_DIR defaults to build/release; N to 30000 60000.
set -eu
cd "$(dirname "$0")/.."
build=${1:-build/release}
anchors=${2:-../shared/anchors}
[ $# -ge 2 ] && shift 2 || set --
[ $# -gt 0 ] || set -- 30000 60000
report="$build/tools/chronolin-report/chronolin-report"
template=tests/data/report/band.xls
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

cp=/usr/share/java/poi.jar:/usr/share/java/commons-collections4.jar
cp=$cp:/usr/share/java/commons-math3.jar:/usr/share/java/commons-codec.jar
poi=no
if command -v javac >/dev/null && [ -f /usr/share/java/poi.jar ] && [ -d "$anchors" ]; then
  mkdir "$work/classes"
  javac -nowarn -cp "$cp" -d "$work/classes" "$anchors"/PoiBandFill.java && poi=yes
fi

printf '%-10s %8s %8s %8s %12s\n' run records wall_s cpu_s max_rss_kb
for n in "$@"; do
  # The same values the POI program writes: a name, a number, a date-time and a remark.
  awk -v n="$n" 'BEGIN {
    print "Name,Duree,Date,Remark"
    for (k = 0; k < n; k++)
      printf "Name %d,%g,2024-03-%02d %02d:%02d:00,(Conn.)\n", k, k * 1.5, k % 28 + 1, k / 60 % 24, k % 60
  }' >"$work/cnx$n.csv"
  /usr/bin/time -f "%e %U %S %M" -o "$work/t" "$report" "$template" "$work/ours$n.xls" \
    --table Cnx="$work/cnx$n.csv" --value Month="Mars 2024"
  awk -v n="$n" '{ printf "%-10s %8d %8.2f %8.2f %12d\n", "chronolin", n, $1, $2 + $3, $4 }' "$work/t"
  if [ "$poi" = yes ]; then
    /usr/bin/time -f "%e %U %S %M" -o "$work/t" java -cp "$work/classes:$cp" PoiBandFill \
      "$template" "$work/poi$n.xls" "$n" >/dev/null
    awk -v n="$n" '{ printf "%-10s %8d %8.2f %8.2f %12d\n", "poi", n, $1, $2 + $3, $4 }' "$work/t"
  fi
done
