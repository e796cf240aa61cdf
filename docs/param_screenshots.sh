#!/usr/bin/env bash
# Takes the screenshots of the settings dialog (docs/param_*.png), one per page and one with a
# quota, and of its program chooser in French (docs/file_dialog.png), from the dialog's widget tests on the offscreen platform. Usage: docs/param_screenshots.sh [build dir]
set -euo pipefail
cd "$(dirname "$0")/.."
build="${1:-build/default}"
CHRONOLIN_SCREENSHOTS="$PWD/docs" QT_QPA_PLATFORM=offscreen \
  "$build/tests/settings/settings_gui_tests" --gtest_filter='*EveryPageDrawsItsControls*:*TheProgramChooserSpeaksFrench*:*QuotaIsShown*'
echo "Screenshots written to docs/"
