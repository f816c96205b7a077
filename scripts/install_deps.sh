#!/usr/bin/env bash
# Installs the Debian 12 packages the build and the tests need, when missing.
set -euo pipefail

# googletest: its sources, built into the Windows tests. wine64: the 64-bit
# loader and server that run them (no 32-bit Wine: the tests are 64-bit).
packages=(cmake make g++ pkg-config libgtest-dev libgmock-dev qt6-base-dev libgl-dev
          g++-mingw-w64-x86-64-posix googletest wine64)
missing=()
for package in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed" || missing+=("$package")
done
[ ${#missing[@]} -eq 0 ] && exit 0

sudo=""
[ "$(id -u)" -ne 0 ] && sudo="sudo"
echo "Installing: ${missing[*]}"
$sudo apt-get update -qq
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
