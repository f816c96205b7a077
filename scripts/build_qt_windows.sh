#!/usr/bin/env bash
# Builds a static Qt for 64-bit Windows with MinGW-w64, once per machine,
# from Debian's own source package of Qt's base module (the version of the
# host's qt6-base-dev, whose moc, rcc and uic serve the cross build). Only
# what the window needs: Core, Gui, Widgets, Test, the windows platform
# plugin, the Windows and Fusion styles.
#
# Installed into $VARNEL_QT_WINDOWS (default ~/.cache/varnel/qt-VERSION-mingw);
# when that holds a finished build the script does nothing. Prints that
# folder on standard output, for scripts/build_windows.sh; progress goes to
# standard error, and the configure and build output to build.log in the
# work folder ($VARNEL_QT_WINDOWS.work, removed after a good build).
# About 40 minutes on 2 cores.
set -euo pipefail
exec 3>&1 1>&2
root=$(cd "$(dirname "$0")/.." && pwd)

hostVersion=$(dpkg-query -W -f='${Version}' qt6-base-dev)  # e.g. 6.4.2+dfsg-10
upstream=${hostVersion%%[+-]*}                               # 6.4.2
prefix=${VARNEL_QT_WINDOWS:-${XDG_CACHE_HOME:-$HOME/.cache}/varnel/qt-$upstream-mingw}
# Debian's copy leaves out the bundled tablet header, so tablet events are
# off; the rest is what the window does not use. OpenGL is off as an input
# ("no"): turning its feature off alone leaves dynamic OpenGL on, which
# then fails to compile. Qt builds its DirectWrite font database only with
# Direct2D, yet the windows plugin refers to it whenever DirectWrite is on:
# off too (the plugin uses the GDI font database unless told otherwise).
features=(
  -DINPUT_opengl=no -DFEATURE_sql=OFF -DFEATURE_network=OFF -DFEATURE_dbus=OFF
  -DFEATURE_vulkan=OFF -DFEATURE_direct2d=OFF -DFEATURE_directwrite=OFF -DFEATURE_directwrite3=OFF
  -DFEATURE_printsupport=OFF -DFEATURE_tabletevent=OFF
  -DFEATURE_concurrent=OFF -DFEATURE_xml=OFF -DFEATURE_style_windowsvista=OFF
  -DFEATURE_accessibility=ON -DFEATURE_style_windows=ON -DFEATURE_style_fusion=ON
)
# Written last, with the version and the features it was built with: a
# build that stopped half-way, or one made with other features, is never
# taken for the cache.
marker="$prefix/varnel-qt-complete"
stamp="$hostVersion ${features[*]}"
if [ -f "$marker" ] && [ "$(cat "$marker")" = "$stamp" ]; then
  echo "$prefix" >&3
  exit 0
fi

echo "Building Qt $upstream for Windows (MinGW-w64, static) into $prefix"
work="$prefix.work"
rm -rf "$work" "$prefix"
mkdir -p "$work"

sudo=""
[ "$(id -u)" -ne 0 ] && sudo="sudo"
# apt-get source needs a source entry; Debian's own archive, as the binary
# entries name it, is added when the machine has none.
if ! apt-get indextargets --format '$(CREATED_BY)' 2>/dev/null | grep -q '^Sources$'; then
  sources=/etc/apt/sources.list.d/varnel-debian-sources.sources
  echo "Adding Debian's source archive ($sources)"
  $sudo tee "$sources" >/dev/null <<'EOF'
Types: deb-src
URIs: http://deb.debian.org/debian
Suites: bookworm bookworm-updates
Components: main
Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg

Types: deb-src
URIs: http://deb.debian.org/debian-security
Suites: bookworm-security
Components: main
Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg
EOF
  $sudo apt-get update -qq
fi

cd "$work"
# The host's exact version first; if the archive has moved on, its current
# one, which must still be the same Qt release for the host's tools.
apt-get source -qq "qt6-base=$hostVersion" >build.log 2>&1 || apt-get source -qq qt6-base >>build.log 2>&1
source=$(find "$work" -mindepth 1 -maxdepth 1 -type d -name 'qt6-base-*' | head -n 1)
if [ -z "$source" ] || ! grep -q "QT_REPO_MODULE_VERSION \"$upstream\"" "$source/.cmake.conf"; then
  echo "Debian's qt6-base source is not Qt $upstream, the host's version (see $work/build.log)" >&2
  exit 1
fi

echo "Configuring (log: $work/build.log)"
cmake -S "$source" -B "$work/build" -G Ninja \
      -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64.cmake" \
      -DQT_HOST_PATH=/usr -DQT_HOST_PATH_CMAKE_DIR=/usr/lib/x86_64-linux-gnu/cmake \
      -DCMAKE_INSTALL_PREFIX="$prefix" -DCMAKE_BUILD_TYPE=Release -DBUILD_SHARED_LIBS=OFF \
      -DQT_BUILD_EXAMPLES=OFF -DQT_BUILD_TESTS=OFF -DQT_BUILD_BENCHMARKS=OFF \
      "${features[@]}" >>build.log 2>&1 || { tail -n 40 build.log >&2; exit 1; }
echo "Building (about 40 minutes on 2 cores)"
start=$SECONDS
cmake --build "$work/build" -j"$(nproc)" >>build.log 2>&1 || { tail -n 40 build.log >&2; exit 1; }
cmake --install "$work/build" >>build.log 2>&1 || { tail -n 40 build.log >&2; exit 1; }
echo "Qt built in $(((SECONDS - start) / 60)) min"
echo "$stamp" >"$marker"
cd /
rm -rf "$work"
echo "$prefix" >&3
