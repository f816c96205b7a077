#!/usr/bin/env bash
# The demo: builds what is missing, prepares demo/ with a loader package of
# our own, a flash image and a Varnel.ini whose port map points COM1 at a
# simulated handset, starts the handset at line rate and then Varnel there,
# so "Switch to SERIAL" connects at once. Without a display it runs the same
# connect and a dump of the "Data BIN (3 Mb)" region with varnel-cli.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
scripts/install_deps.sh

has_display=0
if [ -n "${DISPLAY:-}" ] || [ -n "${WAYLAND_DISPLAY:-}" ]; then has_display=1; fi

cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
targets=(varnel-sim varnel-cli varnel-make-package)
[ "$has_display" = 1 ] && targets+=(Varnel)
cmake --build build -j"$(nproc)" --target "${targets[@]}"

demo="$root/demo"
mkdir -p "$demo"
cd "$demo"
[ -f Varnel.res ] || "$root/build/sim/varnel-make-package" --output Varnel.res
if [ ! -f Varnel.ini ]; then
  # The fastest line the handset offers, so the paced demo moves quickly.
  printf '[Settings]\nComSpeed=460800\nBlockSize=8192\n[Ports]\nCOM1=%s\n' "$demo/ttyHANDSET" > Varnel.ini
fi

"$root/build/sim/varnel-sim" --flash "$demo/flash.img" --link "$demo/ttyHANDSET" --pace &
sim=$!
trap 'kill "$sim" 2>/dev/null; wait "$sim" 2>/dev/null || true' EXIT
for _ in $(seq 100); do [ -e "$demo/ttyHANDSET" ] && break; sleep 0.05; done

if [ "$has_display" = 1 ]; then
  "$root/build/gui/Varnel"
else
  echo "No display: running the connect and a dump of \"Data BIN (3 Mb)\" with varnel-cli instead."
  "$root/build/cli/varnel-cli" --port COM1 --speed 460800 --block 8192 dump data "$demo/data.bin"
  echo "Dumped $(stat -c %s "$demo/data.bin") bytes into $demo/data.bin"
fi
