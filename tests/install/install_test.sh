#!/usr/bin/env bash
# install_test.sh BUILD_DIR VERSION APPSTREAM_ID
# Installs BUILD_DIR under /usr in a temporary DESTDIR, then checks the exact file list, the
# desktop entry and the metainfo with their validators, that every manual page renders without
# a warning and that every installed command answers --help and --version.
set -euo pipefail
build=$1 version=$2 id=$3

root=$(mktemp -d)
trap 'rm -rf "$root"' EXIT
failures=0
fail() {
  echo "FAIL: $*" >&2
  failures=$((failures + 1))
}

DESTDIR="$root" cmake --install "$build" --prefix /usr >/dev/null

commands=(chronolin chronolin-ras chronolin-xls chronolin-report)
expected=(usr/share/applications/chronolin.desktop "usr/share/metainfo/$id.metainfo.xml"
  usr/share/doc/chronolin/copyright usr/share/doc/chronolin/changelog.gz
  usr/share/icons/hicolor/scalable/apps/chronolin.svg usr/share/chronolin/cnx.xls)
for c in "${commands[@]}"; do expected+=("usr/bin/$c"); done
manuals=(chronolin chronolin-ras chronolin-xls chronolin-report)
for c in "${manuals[@]}"; do expected+=("usr/share/man/man1/$c.1.gz"); done
sizes=(16 22 24 32 48 64 128 256)
for s in "${sizes[@]}"; do expected+=("usr/share/icons/hicolor/${s}x$s/apps/chronolin.png"); done

diff -u <(printf '%s\n' "${expected[@]}" | sort) \
  <(cd "$root" && find . -type f -o -type l | sed 's|^\./||' | sort) ||
  fail "installed files differ from the expected list (- expected, + installed)"

# Each PNG is as large as its directory says.
for s in "${sizes[@]}"; do
  png="$root/usr/share/icons/hicolor/${s}x$s/apps/chronolin.png"
  [ -f "$png" ] || continue
  read -r w h < <(od -An -tu1 -j16 -N8 "$png" |
    awk '{print $1*16777216+$2*65536+$3*256+$4, $5*16777216+$6*65536+$7*256+$8}')
  [ "$w x $h" = "$s x $s" ] || fail "icon ${s}x$s is $w x $h"
done

entry="$root/usr/share/applications/chronolin.desktop"
desktop-file-validate "$entry" || fail "desktop-file-validate"
exec_line=$(sed -n 's/^Exec=//p' "$entry")
[ -x "$root/usr/bin/${exec_line%% *}" ] || fail "Exec=$exec_line is not an installed program"

metainfo="$root/usr/share/metainfo/$id.metainfo.xml"
appstreamcli validate --no-net "$metainfo" >/dev/null || {
  appstreamcli validate --no-net "$metainfo" >&2 || true
  fail "appstreamcli validate"
}
grep -q "<release version=\"$version\"" "$metainfo" || fail "metainfo has no release $version"
zcat "$root/usr/share/doc/chronolin/changelog.gz" | head -n1 | grep -q "^chronolin ($version)" ||
  fail "changelog.gz does not start with version $version"

for c in "${manuals[@]}"; do
  page="$root/usr/share/man/man1/$c.1.gz"
  [ -f "$page" ] || continue
  warnings=$(MANWIDTH=80 man --warnings -E UTF-8 -l "$page" 2>&1 >/dev/null) ||
    fail "man -l $c.1 failed"
  [ -z "$warnings" ] || fail "man -l $c.1 warns: $warnings"
  for variable in CHRONOLIN_HOME CHRONOLIN_RAS CHRONOLIN_RAS_DIR; do
    zgrep -q "$variable" "$page" || fail "$c.1 does not say what $variable does"
  done

  program="$root/usr/bin/$c"
  [ -x "$program" ] || continue
  out=$("$program" --version) || fail "$c --version failed"
  [ "$out" = "$c $version" ] || fail "$c --version printed '$out'"
  out=$("$program" --help) || fail "$c --help failed"
  grep -q -- --version <<<"$out" || fail "$c --help does not mention --version"
done

[ "$failures" -eq 0 ]
