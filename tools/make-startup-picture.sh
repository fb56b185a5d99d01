#!/usr/bin/env bash
# Draws the start-up picture "quellbrook.png" in data/: a spring (German "Quelle")
# feeding a brook through green hills, with a few page thumbnails floating on it, as
# the cache build window shows while the program starts. Needs ImageMagick's convert.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
out=${1:-$here/data}

convert -size 341x205 gradient:'#bcd9f2'-'#eef6fc' \
  -fill '#f3d36b' -stroke '#e0b84a' -draw 'circle 292,42 292,62' \
  -fill '#7fae5a' -stroke none -draw 'ellipse 80,205 150,95 180,360' \
  -fill '#6a9a48' -draw 'ellipse 270,210 140,80 180,360' \
  -fill '#8dbb66' -draw 'ellipse 175,215 120,55 180,360' \
  -fill '#9a8a78' -stroke '#6e6052' -draw 'ellipse 60,118 16,9 0,360' \
  -fill '#4f8fd0' -stroke none \
  -draw 'path "M 52,118 C 90,130 70,150 130,158 C 190,166 170,190 250,196 L 341,205 L 231,205 C 160,198 170,176 120,170 C 70,164 78,134 52,122 Z"' \
  -fill '#a9d2f4' -draw 'path "M 70,126 C 95,136 85,150 125,160" ' \
  -fill white -stroke '#52606e' -strokewidth 1 \
  -draw 'rectangle 128,152 146,176' -draw 'rectangle 178,172 196,196' -draw 'rectangle 226,184 244,204' \
  -stroke '#9aa6b2' \
  -draw 'line 131,157 143,157' -draw 'line 131,161 141,161' -draw 'line 131,165 143,165' \
  -draw 'line 181,177 193,177' -draw 'line 181,181 191,181' -draw 'line 181,185 193,185' \
  -draw 'line 229,189 241,189' -draw 'line 229,193 239,193' \
  -fill '#3a5a80' -stroke none -draw 'rectangle 0,0 340,1' \
  -strip -depth 8 -colors 160 "PNG8:$out/quellbrook.png"

echo "Start-up picture written to $out/quellbrook.png"
