#!/usr/bin/env bash
# Miniatures and the desktop thumbnailer, on the real pages of the likeness corpus
# (bench/likeness-pages.tsv; run bench/likeness.sh once first for Chromium's
# reference pictures, which this script shares).
#
# 1. Tile likeness: each page drawn as a tile's view of 200 x 250 pixels at factor 4,
#    no cut-off, with "Miniature" on, with the default tile, and with "Scale Text",
#    each scored against Chromium's 800 x 1000 picture of the page (the likeness
#    tool shrinks both to its grid, so the same aspect is all it needs).
# 2. The thumbnailer: zorvane-thumbnailer -s 256 on every page of the corpus and
#    more of the same packages (at least 200 documents), one process each, its wall
#    time and peak memory, beside Chromium producing the same PNG (a headless
#    screenshot of 800 x 1000, resized to 205 x 256 by ImageMagick) for every one.
#
# Usage: bench/miniature.sh [--documents N] [--no-chromium] [--no-tiles]
#   --documents N   documents for the thumbnailer (default 240)
#   --no-chromium   leave out Chromium's timing (its reference pictures are still used)
#   --no-tiles      the thumbnailer alone
set -euo pipefail
cd "$(dirname "$0")/.."
source tools/setup.sh

SHARED_TOOLS=$(zv_shared_tools)
BUILD=build/bench
REFS=$BUILD/likeness/chromium
OUT=$BUILD/miniature
LIST=bench/likeness-pages.tsv
PACKAGES=(postgresql-doc-15 git-doc cmake-doc flex-doc autoconf-doc gnu-standards sphinx-doc
          gnuplot-doc maxima-doc bwidget xfig-doc ncurses-doc db5.3-doc xsane-common)
PY=/usr/bin/python3
LIMIT_S=10

documents=240 chromium=1 tiles=1
while [ $# -gt 0 ]; do
  case $1 in
    --documents) documents=$2; shift ;;
    --no-chromium) chromium=0 ;;
    --no-tiles) tiles=0 ;;
    *) sed -n '2,19p' "$0" >&2; exit 2 ;;
  esac
  shift
done

zv_install_packages python3-numpy python3-pil chromium imagemagick time
cmake -S . -B "$BUILD" -G Ninja -DCMAKE_BUILD_TYPE=Release -DZV_BUILD_BENCH=ON >/dev/null
mkdir -p "$OUT"
cmake --build "$BUILD" -j2 --target zorvane-render zorvane-thumbnailer > "$OUT/build.log" \
  || { cat "$OUT/build.log"; exit 1; }
export QT_QPA_PLATFORM=offscreen
RENDER=$BUILD/tools/zorvane-render
THUMBNAILER=$BUILD/zorvane-thumbnailer

"$PY" bench/likeness_pages.py present "$LIST" "$OUT/kinds.tsv" "$OUT/pages.tsv" > /dev/null
if [ ! -d "$REFS" ]; then
  echo "no Chromium reference pictures in $REFS: run bench/likeness.sh first" >&2
  exit 1
fi

# 1. Tiles in three modes.
scores=()
if [ "$tiles" = 1 ]; then
  rm -rf "$OUT/ref" "$OUT/tiles"
  mkdir -p "$OUT/ref"
  while IFS=$'\t' read -r name path; do
    [ -f "$REFS/$name.png" ] && ln -s "$(pwd)/$REFS/$name.png" "$OUT/ref/$name.png"
  done < "$OUT/pages.tsv"
  for mode in Miniature:--miniature Default: "Scale Text:--scale-text"; do
    label=${mode%%:*} flag=${mode#*:} dir="$OUT/tiles/${label// /-}"
    mkdir -p "$dir"
    while IFS=$'\t' read -r name path; do
      # shellcheck disable=SC2086
      timeout 120 "$RENDER" "$path" --out "$dir/$name.png" --width 200 --height 250 --factor 4 --cutoff 0 \
        $flag </dev/null 2>/dev/null || echo "zorvane-render failed on $name ($label)" >&2
    done < "$OUT/pages.tsv"
    "$PY" "$SHARED_TOOLS/likeness" --dirs "$OUT/ref" "$dir" "$OUT/kinds.tsv" > "$dir.scores.tsv"
    scores+=("$label=$dir.scores.tsv")
  done
fi

# 2. The thumbnailer beside Chromium, document by document.
"$PY" bench/miniature_figures.py extra "$LIST" $((documents > 182 ? documents - 182 : 0)) \
  "$OUT/thumbnailer-pages.tsv" "${PACKAGES[@]}" > /dev/null
head -n "$documents" "$OUT/thumbnailer-pages.tsv" > "$OUT/thumbnailer-run.tsv"
# Microseconds now, read without starting a process (which would be timed too).
now_us() { now=${EPOCHREALTIME//[!0-9]/}; }
profile=$(mktemp -d)
trap 'rm -rf "$profile"' EXIT
rm -rf "$OUT/thumbs" "$OUT/chromium-thumbs" "$OUT/thumbnailer-ours.tsv.tmp"
mkdir -p "$OUT/thumbs" "$OUT/chromium-thumbs"
: > "$OUT/thumbnailer-times.tsv"
# Each tool in a pass of its own: Chromium leaves processes behind for a second or
# two after it returns, which would take the CPU from the next call of the other.
# Ours is timed as Chromium is, bare; its peak memory is read in a pass of its own
# under /usr/bin/time, whose own start would be timed too.
while IFS=$'\t' read -r name path; do
  now_us; start=$now
  status=0
  "$THUMBNAILER" -s 256 -t "$LIMIT_S" "file://$path" "$OUT/thumbs/$name.png" </dev/null 2>/dev/null \
    || status=$?
  now_us; ours=$(( (now - start) / 1000 ))
  /usr/bin/time -f '%M' -o "$OUT/rss" "$THUMBNAILER" -s 256 -t "$LIMIT_S" "file://$path" \
    "$OUT/rss.png" </dev/null 2>/dev/null || true
  rss=$(tail -n 1 "$OUT/rss")
  printf '%s\t%s\t%s\t%s\n' "$name" "$ours" "$rss" "$status" >> "$OUT/thumbnailer-ours.tsv.tmp"
done < "$OUT/thumbnailer-run.tsv"
mv "$OUT/thumbnailer-ours.tsv.tmp" "$OUT/thumbnailer-ours.tsv"
while IFS=$'\t' read -r name ours rss status; do
  chrome=0
  path=$(awk -F'\t' -v n="$name" '$1 == n { print $2; exit }' "$OUT/thumbnailer-run.tsv")
  if [ "$chromium" = 1 ]; then
    now_us; start=$now
    timeout 60 chromium --headless --disable-gpu --no-sandbox --hide-scrollbars \
      --user-data-dir="$profile" --proxy-server=127.0.0.1:9 --proxy-bypass-list='<-loopback>' \
      --window-size=800,1000 --screenshot="$OUT/chromium-thumbs/$name.png" "file://$path" >/dev/null 2>&1 \
      && convert "$OUT/chromium-thumbs/$name.png" -resize 205x256 "$OUT/chromium-thumbs/$name.png" || true
    now_us; chrome=$(( (now - start) / 1000 ))
  fi
  printf '%s\t%s\t%s\t%s\t%s\n' "$name" "$ours" "$rss" "$status" "$chrome" >> "$OUT/thumbnailer-times.tsv"
done < "$OUT/thumbnailer-ours.tsv"

echo "Miniatures and the thumbnailer: $(wc -l < "$OUT/pages.tsv") pages scored as tiles," \
     "$(wc -l < "$OUT/thumbnailer-run.tsv") documents thumbnailed"
[ "$tiles" = 1 ] && "$PY" bench/miniature_figures.py tiles "${scores[@]}"
"$PY" bench/miniature_figures.py thumbnailer "$OUT/thumbnailer-times.tsv" "$LIMIT_S"
echo
echo "tiles: $OUT/tiles/*; thumbnails: $OUT/thumbs (ours), $OUT/chromium-thumbs (Chromium's)"
