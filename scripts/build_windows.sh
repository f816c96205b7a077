#!/usr/bin/env bash
# Builds everything Windows gets, cross-compiled with MinGW-w64, into the
# build folder DIR: DIR/gui/Varnel.exe (the window program, one file, with
# Varnel.lng beside it), DIR/cli/varnel-cli.exe, the Windows test programs
# (run under Wine by `ctest --test-dir DIR`), and the download
# DIR/varnel-<version>-windows-x64.zip. Builds the static Qt for Windows
# first when this machine has none yet (scripts/build_qt_windows.sh).
#   scripts/build_windows.sh DIR
set -euo pipefail
if [ $# -ne 1 ]; then
  echo "usage: $0 DIR" >&2
  exit 2
fi
root=$(cd "$(dirname "$0")/.." && pwd)
dir=$1

qt=$("$root/scripts/build_qt_windows.sh")
# The host's moc, rcc and uic (Debian's qt6-base-dev-tools) serve the
# cross build: the same Qt release.
cmake -S "$root" -B "$dir" -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64.cmake" \
      -DCMAKE_PREFIX_PATH="$qt" -DQT_HOST_PATH=/usr -DQT_HOST_PATH_CMAKE_DIR=/usr/lib/x86_64-linux-gnu/cmake \
      -DVARNEL_BUILD_GUI=ON -DBUILD_TESTING=ON >/dev/null
cmake --build "$dir" -j"$(nproc)"
cmake --build "$dir" --target package >/dev/null
echo "Built $dir/gui/Varnel.exe, $dir/cli/varnel-cli.exe and $(cd "$dir" && ls varnel-*-windows-x64.zip)"
