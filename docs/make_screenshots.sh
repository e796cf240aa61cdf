#!/usr/bin/env bash
# Takes the screenshots of this folder: the counter window idle, counting and past its quota,
# and its popup menu, on a virtual display with a tray host and the simulated dial-up line.
# Needs Xvfb, trayer, xdotool and ImageMagick (import, display). Usage: docs/make_screenshots.sh [build dir]
set -euo pipefail
cd "$(dirname "$0")/.."
build="${1:-build/default}"
program="$build/src/counter/chronolin"
ras="$build/tools/chronolin-ras/chronolin-ras"
out="docs"

work="$(mktemp -d)"
pids=()
cleanup() {
  for ((i = ${#pids[@]} - 1; i >= 0; i--)); do kill "${pids[i]}" 2>/dev/null || true; done
  wait 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

mkdir -p "$work/home" "$work/ras" "$work/run"
chmod 700 "$work/run"
export CHRONOLIN_HOME="$work/home" CHRONOLIN_RAS_DIR="$work/ras" XDG_RUNTIME_DIR="$work/run"
export CHRONOLIN_RAS=sim QT_QPA_PLATFORM=xcb LC_ALL=C
unset DBUS_SESSION_BUS_ADDRESS

exec 3>"$work/display"
Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp >"$work/xvfb.log" 2>&1 &
pids+=($!)
for _ in $(seq 50); do [ -s "$work/display" ] && break; sleep 0.1; done
export DISPLAY=":$(head -1 "$work/display")"
display -window root -size 1024x768 xc:'#3a6ea5' 2>/dev/null || true  # a desktop colour
trayer --edge bottom --align left --widthtype pixel --width 40 --height 22 >/dev/null 2>&1 &
pids+=($!)

"$ras" add Fournisseur
"$ras" add Secours
printf '[Fournisseur]\r\nDurée=12:34:56\r\n[Secours]\r\nDurée=03:05:00\r\n' >"$work/home/Chronolin.ini"

"$program" >"$work/program.log" 2>&1 &
pids+=($!)
window=""
for _ in $(seq 100); do
  window="$(xdotool search --name '^Chronolin$' 2>/dev/null | head -1 || true)"
  [ -n "$window" ] && break
  sleep 0.1
done
[ -n "$window" ] || { cat "$work/program.log"; exit 1; }
sleep 1.5

import -window "$window" "$out/counter-idle.png"

# The menu from the tray icon (bottom left) at rest, with the other connections open; the
# counter at the bottom right.
xdotool mousemove 12 757 click 3
sleep 0.8
xdotool mousemove 60 648 mousemove 62 649
sleep 1
import -window root -crop 1024x300+0+468 +repage "$out/popup-menu.png"
xdotool key Escape key Escape
sleep 0.5

"$ras" dial Fournisseur --auth-after 0.5 --connect-after 1 >/dev/null
sleep 9
import -window "$window" "$out/counter-counting.png"

xdotool mousemove 12 757 click 3
sleep 1
import -window root -crop 1024x300+0+468 +repage "$out/popup-menu-counting.png"
xdotool key Escape
# The counter past its quota, from the window's widget test.
CHRONOLIN_SCREENSHOTS="$PWD/$out" QT_QPA_PLATFORM=offscreen \
  "$build/tests/counter/counter_gui_tests" --gtest_filter='*PastItsQuota*' >/dev/null
echo "Screenshots written to $out/"
