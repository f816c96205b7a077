#!/usr/bin/env bash
# Builds what is missing and starts Varnel in the folder demo/.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install_deps.sh
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j"$(nproc)" --target Varnel
mkdir -p demo
cd demo
exec ../build/app/Varnel
