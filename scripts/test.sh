#!/usr/bin/env bash
# Builds everything and runs all tests: the whole suite; the Debian package
# made from that build, checked, installed and tried; the Windows build
# (varnel-cli.exe, Varnel.exe over a static Qt, the zip) cross-built with
# MinGW-w64, its unit and window tests run under Wine, and both Windows
# programs run under Wine against the simulated handset; the Qt-free and
# end-to-end tests again under AddressSanitizer and UndefinedBehaviorSanitizer;
# the worker's and the window's tests again under ThreadSanitizer.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
scripts/install_deps.sh

echo "== The layers: every include goes to the same or a lower layer"
python3 scripts/include_graph.py
echo "== Formatting: clang-format (.clang-format) has nothing to change"
git ls-files -z '*.cpp' '*.h' | xargs -0 clang-format --dry-run -Werror
echo "== The tests' share of the C++ lines: at most a third"
python3 scripts/test_share.py

jobs=$(nproc)
# The native build also tests the Windows varnel-cli.exe under Wine (label
# "wine"), once the Windows stage below has built it.
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo \
      -DVARNEL_WINDOWS_CLI="$root/build-win/cli/varnel-cli.exe" >/dev/null
cmake --build build -j"$jobs"
ctest --test-dir build --output-on-failure -j"$jobs" -LE wine

echo "== The Debian package: lintian, the desktop entry, installed and connected to the simulated handset"
scripts/package_test.sh

echo "== Windows: varnel-cli.exe, Varnel.exe, the zip and the Windows tests, run under Wine"
# One cross-build (scripts/build_windows.sh; the static Qt for Windows is
# built first when this machine has none yet, about 40 minutes, then kept
# in ~/.cache/varnel). Every run gets a fresh Wine prefix; the build makes
# it once, before any test program runs in it.
rm -rf build-win/wine-prefix
scripts/build_windows.sh build-win
# Now and then Wine fails to start a program at all (no output, before the
# test runs): such a test gets one more run; a test that fails twice fails.
ctest --test-dir build-win --output-on-failure --no-tests=error --repeat until-pass:2 -j"$jobs"

echo "== varnel-cli.exe and Varnel.exe under Wine against the simulated handset"
rm -rf build/tests/wine-prefix
ctest --test-dir build --output-on-failure --no-tests=error -L wine

echo "== Qt-free tests under AddressSanitizer and UndefinedBehaviorSanitizer"
cmake -S . -B build-asan -DCMAKE_BUILD_TYPE=Debug -DVARNEL_BUILD_GUI=OFF \
      -DVARNEL_SANITIZE=address,undefined >/dev/null
cmake --build build-asan -j"$jobs" --target core_tests sim_tests e2e_tests
ctest --test-dir build-asan --output-on-failure -j"$jobs" -L "core|worker"

echo "== Worker and window tests under ThreadSanitizer"
cmake -S . -B build-tsan -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVARNEL_SANITIZE=thread >/dev/null
cmake --build build-tsan -j"$jobs" --target e2e_tests gui_tests gui_tsan_canary
TSAN_OPTIONS="second_deadlock_stack=1 suppressions=$root/tests/tsan.supp" \
  ctest --test-dir build-tsan --output-on-failure -j"$jobs" -L "worker|gui"
