#!/usr/bin/env bash
# Makes the README's pictures: docs/main_window.png, the main window just
# after "Switch to SERIAL" has connected it to the simulated handset, and
# docs/tab_instruction.png, tab_flasher.png, tab_dumper.png and
# tab_patcher.png, one of each tab during a session that dumps, flashes and
# reads back through the pages. The GUI tests that do this draw the window
# offscreen (QWidget::grab) and save it where VARNEL_SCREENSHOT and
# VARNEL_SCREENSHOT_DIR point, so no display is needed.
# Usage: scripts/screenshot.sh [build directory, default build]
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install_deps.sh

build=${1:-build}
cmake -S . -B "$build" >/dev/null
cmake --build "$build" -j"$(nproc)" --target gui_tests
# A neutral home directory for the pages' default file name.
HOME=/home/user VARNEL_SCREENSHOT="$PWD/docs/main_window.png" QT_QPA_PLATFORM=offscreen \
  "$build/tests/gui_tests" --gtest_filter=GuiConnectTest.ConnectsAndDisconnectsThroughTheMainButton
HOME=/home/user VARNEL_SCREENSHOT_DIR="$PWD/docs" QT_QPA_PLATFORM=offscreen \
  "$build/tests/gui_tests" --gtest_filter=GuiFlowTest.ConnectsDumpsAPresetFlashesAFileAndReadsItBack
echo "Wrote docs/main_window.png and docs/tab_*.png"
