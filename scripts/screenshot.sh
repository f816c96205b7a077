#!/usr/bin/env bash
# Makes docs/main_window.png: the main window just after "Switch to SERIAL"
# has connected it to the simulated handset. The GUI test that connects
# through the main button draws the window offscreen (QWidget::grab) and
# saves it where VARNEL_SCREENSHOT points, so no display is needed.
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
echo "Wrote docs/main_window.png"
