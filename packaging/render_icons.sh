#!/usr/bin/env bash
# Draws the program's icon packaging/icons/varnel.svg as the PNG sizes the
# window carries and the package installs. Run after changing the drawing
# and commit the PNGs; CI checks that they match the drawing.
#   packaging/render_icons.sh [OUTPUT_DIR]   (default: packaging/icons)
set -euo pipefail
icons="$(cd "$(dirname "$0")" && pwd)/icons"
out="${1:-$icons}"
for size in 16 32 48 64 128 256; do
  rsvg-convert --width "$size" --height "$size" "$icons/varnel.svg" --output "$out/varnel-$size.png"
done
