#!/usr/bin/env bash
# Renders the application icon packaging/io.github.kesh.Zorvane.svg into the PNG sizes
# the desktop's icon theme looks for (packaging/icons/<size>/io.github.kesh.Zorvane.png).
# The PNGs are kept in the repository so that building and installing need no SVG
# renderer. Needs ImageMagick's convert.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
svg=$here/packaging/io.github.kesh.Zorvane.svg
out=${1:-$here/packaging/icons}

for size in 48 64 128 256; do
  mkdir -p "$out/$size"
  # The drawing is 64 units wide; the density makes it exactly `size` pixels.
  convert -background none -density $((72 * size / 64)) "$svg" \
    -resize "${size}x${size}" -strip -depth 8 "PNG32:$out/$size/io.github.kesh.Zorvane.png"
done
echo "Application icons written to $out"
