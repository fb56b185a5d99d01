#!/usr/bin/env bash
# Regenerates the substitute pictures in data/: small 64x48 GIFs that stay readable
# at thumbnail size. "_NoImage.gif" stands in for a picture that is missing,
# "_TooBig.gif" for one too large to show, "_DBMiss.gif" for a cached file whose
# cache folder is unknown this run. Needs ImageMagick's convert and DejaVu fonts.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
out=${1:-$here/data}
font=/usr/share/fonts/truetype/dejavu/DejaVuSans-Bold.ttf

frame=(-size 64x48 xc:'#f4f4f4' -fill none -stroke '#7a7a7a' -strokewidth 1 -draw 'rectangle 0,0 63,47')

# A small landscape picture crossed out in red.
convert "${frame[@]}" \
  -fill '#cfe3f7' -stroke '#5a7fa8' -draw 'rectangle 18,6 45,30' \
  -fill '#6a9a4a' -stroke none -draw 'polygon 19,30 28,17 35,25 39,20 45,30' \
  -fill '#f0c030' -draw 'circle 40,11 42,11' \
  -stroke '#d02020' -strokewidth 3 -draw 'line 16,4 47,32' -draw 'line 47,4 16,32' \
  -font "$font" -pointsize 9 -fill '#303030' -stroke none -gravity south -annotate +0+2 'no image' \
  -colors 32 "$out/_NoImage.gif"

# A picture frame with arrows pushing out of it.
convert "${frame[@]}" \
  -fill '#cfe3f7' -stroke '#5a7fa8' -draw 'rectangle 22,10 41,26' \
  -stroke '#c06000' -strokewidth 2 \
  -draw 'line 20,8 11,3' -draw 'line 43,8 52,3' -draw 'line 20,28 11,33' -draw 'line 43,28 52,33' \
  -fill '#c06000' -stroke none \
  -draw 'polygon 8,2 15,2 10,7' -draw 'polygon 55,2 48,2 53,7' \
  -draw 'polygon 8,34 15,34 10,29' -draw 'polygon 55,34 48,34 53,29' \
  -font "$font" -pointsize 9 -fill '#303030' -gravity south -annotate +0+2 'too big' \
  -colors 32 "$out/_TooBig.gif"

# A database drum with a question mark.
convert "${frame[@]}" \
  -fill '#d8c8f0' -stroke '#6a4a9a' -strokewidth 1 \
  -draw 'rectangle 20,8 43,28' -draw 'ellipse 31.5,28 11.5,4 0,180' -draw 'ellipse 31.5,8 11.5,4 0,360' \
  -stroke none -draw 'rectangle 21,9 42,27' \
  -stroke '#6a4a9a' -fill none -draw 'line 20,8 20,28' -draw 'line 43,8 43,28' \
  -font "$font" -pointsize 14 -fill '#6a4a9a' -stroke none -gravity north -annotate +0+11 '?' \
  -pointsize 9 -fill '#303030' -gravity south -annotate +0+2 'not cached' \
  -colors 32 "$out/_DBMiss.gif"

echo "Pictures written to $out"
