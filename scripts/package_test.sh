#!/usr/bin/env bash
# The Debian package, from the build in build/ (nothing is compiled again):
# made by CPack, checked with lintian (no errors) and desktop-file-validate,
# its icons checked against the drawing; then installed with apt and tried
# from /usr/bin: varnel-cli --help, a connect of the installed varnel-cli
# to the installed varnel-sim with the loader package named, and one with
# the package found in the user's configuration directory and the Russian
# texts of the installed language module. The package is removed again
# however the stage ends.
set -euo pipefail
cd "$(dirname "$0")/.."
sudo=""
[ "$(id -u)" -ne 0 ] && sudo="sudo"
apt_get() { DEBIAN_FRONTEND=noninteractive $sudo apt-get -y -qq "$@"; }

# Bounds of the stage's waits: the simulator's device, the boot ROM's
# offer, a whole connect.
device_wait_polls=200   # of 0.05 s
offer_wait_seconds=30
connect_limit_seconds=60

rm -f build/varnel_*.deb
cmake --build build --target package >/dev/null
deb=$(echo build/varnel_*.deb)
echo "Package: $deb"

lintian --fail-on error "$deb"
desktop-file-validate packaging/varnel.desktop

tmp=$(mktemp -d)
sim=""
cleanup() {
  if [ -n "$sim" ]; then kill "$sim" 2>/dev/null || true; wait "$sim" 2>/dev/null || true; fi
  apt_get purge varnel >/dev/null 2>&1 || true
  rm -rf "$tmp"
}
trap cleanup EXIT

# The committed PNGs are the drawing as packaging/render_icons.sh makes it.
mkdir "$tmp/icons"
packaging/render_icons.sh "$tmp/icons"
for png in "$tmp"/icons/*.png; do
  cmp -s "$png" "packaging/icons/$(basename "$png")" ||
    { echo "packaging/icons/$(basename "$png") differs from varnel.svg: run packaging/render_icons.sh"; exit 1; }
done

apt_get install --reinstall "./$deb" >/dev/null
if ldd /usr/bin/Varnel /usr/bin/varnel-cli | grep "not found"; then exit 1; fi
/usr/bin/varnel-cli --help >/dev/null
test -s /usr/share/man/man1/varnel-cli.1.gz

mkdir -p "$tmp/work" "$tmp/config/varnel"
/usr/bin/varnel-make-package --output "$tmp/Varnel.res" >/dev/null
/usr/bin/varnel-sim --link "$tmp/tty" >"$tmp/sim.log" 2>&1 &
sim=$!
for _ in $(seq "$device_wait_polls"); do [ -e "$tmp/tty" ] && break; sleep 0.05; done
[ -e "$tmp/tty" ] || { echo "varnel-sim made no device"; cat "$tmp/sim.log"; exit 1; }

connect() {
  (cd "$tmp/work" && XDG_CONFIG_HOME="$tmp/config" timeout "$connect_limit_seconds" \
     /usr/bin/varnel-cli --port "$tmp/tty" --wait "$offer_wait_seconds" "$@" connect 2>"$tmp/cli.log") ||
    { echo "The installed varnel-cli failed to connect:"; cat "$tmp/cli.log"; exit 1; }
}
connect --package "$tmp/Varnel.res"
grep -q "Phone switched to serial mode!" "$tmp/cli.log"

mv "$tmp/Varnel.res" "$tmp/config/varnel/Varnel.res"
LC_ALL=ru_RU.UTF-8 connect
grep -q "Телефон переключён в режим SERIAL!" "$tmp/cli.log" ||
  { echo "No Russian texts from /usr/share/varnel/Varnel.lng:"; cat "$tmp/cli.log"; exit 1; }
echo "The installed package connects varnel-cli to varnel-sim"
