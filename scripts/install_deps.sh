#!/usr/bin/env bash
# Installs the Debian 12 packages the build and the tests need, when missing.
set -euo pipefail

# googletest: its sources, built into the Windows tests. wine64: the 64-bit
# loader and server that run them (no 32-bit Wine: the tests are 64-bit).
# locales: the Russian locale, under which Wine runs a program in code page
# 1251 (Wine takes its code pages from the host's locale).
# The Debian package: dpkg-dev (dpkg-shlibdeps) and file for CPack's
# dependency list, lintian and desktop-file-utils to check it, librsvg2-bin
# to draw the icon, qt6-qpa-plugins for the installed window program.
# The window for Windows: dpkg-dev (apt-get source) and ninja-build for the
# static Qt built from Debian's qt6-base source (scripts/build_qt_windows.sh),
# icoutils for the program's Windows icon, xvfb and xdotool to run and use
# Varnel.exe under Wine on a virtual display, with Wine's own fonts and the
# X libraries its display driver loads (Recommends of libwine). python3 for
# the checks of the layers and of the tests' share (scripts/*.py),
# clang-format and git for the check of the formatting.
packages=(cmake make g++ pkg-config python3 clang-format git libgtest-dev libgmock-dev qt6-base-dev libgl-dev
          g++-mingw-w64-x86-64-posix googletest wine64 locales
          dpkg-dev file lintian desktop-file-utils librsvg2-bin qt6-qpa-plugins
          ninja-build icoutils xvfb xdotool fonts-wine libxrender1 libxrandr2 libxi6 libxcursor1
          libxcomposite1 libxinerama1 libxxf86vm1 libxfixes3)
missing=()
for package in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed" || missing+=("$package")
done
sudo=""
[ "$(id -u)" -ne 0 ] && sudo="sudo"
if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing: ${missing[*]}"
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
if ! locale -a | grep -qx "ru_RU.utf8"; then
  echo "Generating the locale ru_RU.UTF-8"
  $sudo localedef -i ru_RU -f UTF-8 ru_RU.UTF-8
fi
