#!/usr/bin/env bash
# Renders the program icon's PNG sizes from icons/jumelix.svg into icons/<size>/jumelix.png.
# The PNGs are committed; run this again after editing the drawing (needs rsvg-convert,
# Debian package librsvg2-bin).
set -euo pipefail
cd "$(dirname "$0")/icons"
for size in 16 32 48 64 128 256; do
  mkdir -p "$size"
  rsvg-convert --width "$size" --height "$size" --output "$size/jumelix.png" jumelix.svg
done
