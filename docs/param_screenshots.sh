#!/usr/bin/env bash
# Takes the screenshots of the settings dialog (docs/param_*.png), one per page, from the
# dialog's widget test on the offscreen platform. Usage: docs/param_screenshots.sh [build dir]
set -euo pipefail
cd "$(dirname "$0")/.."
build="${1:-build/default}"
CHRONOLIN_SCREENSHOTS="$PWD/docs" QT_QPA_PLATFORM=offscreen \
  "$build/tests/settings/settings_gui_tests" --gtest_filter='*EveryPageDrawsItsControls*'
echo "Screenshots written to docs/"
