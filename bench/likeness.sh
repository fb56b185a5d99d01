#!/usr/bin/env bash
# Page likeness: real documentation pages from Debian packages, drawn by
# zorvane-render (800 x 1000, factor 1, no cut-off: the zoomed view's translation
# and layout) and by headless Chromium, scored by ../shared/tools/likeness; with
# the time per page of both, and a grid build of 105 of the same pages beside
# Chromium.
#
# Usage: bench/likeness.sh [--select] [--worst N] [--chromium-sample N] [--grid-rounds N]
#   --select             choose the corpus again from the installed packages and
#                        rewrite bench/likeness-pages.tsv (otherwise the list kept
#                        in the repository is used, so figures compare between runs)
#   --worst N            how many of the worst pages to put beside Chromium's in
#                        build/bench/likeness/worst (default 12)
#   --chromium-sample N  pages whose Chromium screenshot is timed in this run (default 30)
#   --grid-rounds N      cold and warm grid builds, the median shown (default 3)
#
# Chromium's reference pictures are kept in build/bench/likeness/chromium and taken
# again only for pages that are new or changed. Pages of the list that are not on
# disk (a package moved its files) are skipped and counted.
set -euo pipefail
cd "$(dirname "$0")/.."
source tools/setup.sh

SHARED_TOOLS=$(zv_shared_tools)
BUILD=build/bench
OUT=$BUILD/likeness
LIST=bench/likeness-pages.tsv
PACKAGES=(postgresql-doc-15 git-doc cmake-doc flex-doc autoconf-doc gnu-standards sphinx-doc
          gnuplot-doc maxima-doc bwidget xfig-doc ncurses-doc db5.3-doc xsane-common)
PY=/usr/bin/python3
HELPER=bench/likeness_pages.py

select=0 worst=12 sample=30 rounds=3
while [ $# -gt 0 ]; do
  case $1 in
    --select) select=1 ;;
    --worst) worst=$2; shift ;;
    --chromium-sample) sample=$2; shift ;;
    --grid-rounds) rounds=$2; shift ;;
    *) sed -n '2,20p' "$0" >&2; exit 2 ;;
  esac
  shift
done

zv_install_packages python3-numpy python3-pil chromium
missing=$(zv_missing_packages "${PACKAGES[@]}")
if [ -n "$missing" ]; then
  echo "Installing the corpus: $missing"
  apt-get update -qq
  # shellcheck disable=SC2086
  DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends $missing >/dev/null
fi

cmake -S . -B "$BUILD" -G Ninja -DCMAKE_BUILD_TYPE=Release -DZV_BUILD_BENCH=ON >/dev/null
mkdir -p "$OUT"
cmake --build "$BUILD" -j2 --target zorvane-render bench_grid_build > "$OUT/build.log" \
  || { cat "$OUT/build.log"; exit 1; }
export QT_QPA_PLATFORM=offscreen
RENDER=$BUILD/tools/zorvane-render

if [ "$select" = 1 ] || [ ! -f "$LIST" ]; then
  "$PY" "$HELPER" select "$LIST" "${PACKAGES[@]}"
fi
mkdir -p "$OUT/chromium"
rm -rf "$OUT/ref" "$OUT/zorvane" "$OUT/timed"
mkdir -p "$OUT/ref" "$OUT/zorvane" "$OUT/timed"
skipped=$("$PY" "$HELPER" present "$LIST" "$OUT/kinds.tsv" "$OUT/pages.tsv")
pages=$(wc -l < "$OUT/pages.tsv")
echo "corpus: $pages pages of $LIST on disk, $skipped missing and skipped"

# Chromium's reference pictures, taken again when the page's size or date changed.
: > "$OUT/to-shoot.tsv"
while IFS=$'\t' read -r name path; do
  stamp=$(stat -c '%s %Y' "$path")
  if [ ! -f "$OUT/chromium/$name.png" ] || [ "$(cat "$OUT/chromium/$name.stamp" 2>/dev/null)" != "$stamp" ]; then
    printf '%s\t%s\n' "$name" "$path" >> "$OUT/to-shoot.tsv"
    echo "$stamp" > "$OUT/chromium/$name.stamp"
  fi
done < "$OUT/pages.tsv"
if [ -s "$OUT/to-shoot.tsv" ]; then
  echo "chromium: taking $(wc -l < "$OUT/to-shoot.tsv") reference pictures"
  "$SHARED_TOOLS/browser-shots" "$OUT/to-shoot.tsv" "$OUT/chromium" 800 1000
fi
noref=0
while IFS=$'\t' read -r name path; do
  if [ -f "$OUT/chromium/$name.png" ]; then
    ln -s "$(pwd)/$OUT/chromium/$name.png" "$OUT/ref/$name.png"
  else
    noref=$((noref + 1))
  fi
done < "$OUT/pages.tsv"

now_ms() { echo $(( $(date +%s%N) / 1000000 )); }

# Chromium's time per page in this run: every k-th page, one process each.
: > "$OUT/chromium-times.tsv"
step=$(( pages / sample )); [ "$step" -ge 1 ] || step=1
i=0
while IFS=$'\t' read -r name path; do
  if [ $(( i % step )) -eq 0 ] && [ "$(wc -l < "$OUT/chromium-times.tsv")" -lt "$sample" ]; then
    printf '%s\t%s\n' "$name" "$path" > "$OUT/timed/one.tsv"
    start=$(now_ms)
    "$SHARED_TOOLS/browser-shots" "$OUT/timed/one.tsv" "$OUT/timed" 800 1000 2>/dev/null || true
    printf '%s\twall=%s\n' "$name" $(( $(now_ms) - start )) >> "$OUT/chromium-times.tsv"
  fi
  i=$((i + 1))
done < "$OUT/pages.tsv"

# Ours: each page drawn by the tool, which reports its own timing.
: > "$OUT/zorvane-times.tsv"
failed=0
while IFS=$'\t' read -r name path; do
  start=$(now_ms)
  if report=$(timeout 120 "$RENDER" "$path" --out "$OUT/zorvane/$name.png" --width 800 --height 1000 \
                 --factor 1 --cutoff 0 --timing 2>&1 </dev/null); then
    wall=$(( $(now_ms) - start ))
    echo "$report" | sed -n 's/^timing: translate \([0-9.]*\) ms, layout \([0-9.]*\) ms, paint \([0-9.]*\) ms$/\1 \2 \3/p' |
      { read -r t l p; printf '%s\ttranslate=%s\tlayout=%s\tpaint=%s\twall=%s\n' "$name" "$t" "$l" "$p" "$wall"; } \
      >> "$OUT/zorvane-times.tsv"
  else
    failed=$((failed + 1))
    echo "zorvane-render failed on $name ($path): $(echo "$report" | tail -1)" >&2
  fi
done < "$OUT/pages.tsv"

"$PY" "$SHARED_TOOLS/likeness" --dirs "$OUT/ref" "$OUT/zorvane" "$OUT/kinds.tsv" > "$OUT/scores.tsv"

# The grid: up to 35 pages of each kind, in the list's order, at the program's
# defaults, topped up to 105 with further pages. A grid is built from one folder,
# where file names differ; pre-built thumbnails are named after the document's
# file name, so pages whose name an earlier page has are left out (otherwise
# every build, warm or not, translates and lays out both again).
awk -F'\t' 'NR == FNR { kind[$1] = $2; next }
  { n = split($2, part, "/"); if (part[n] in seen) next; seen[part[n]] = 1
    if (taken[kind[$1]]++ < 35) { print $2; count++ } else more[++extra] = $2 }
  END { for (i = 1; i <= extra && count < 105; i++) { print more[i]; count++ } }' \
  "$OUT/kinds.tsv" "$OUT/pages.tsv" > "$OUT/grid-documents.txt"
chrome_ms=$(awk -F'\t' '{ sub("wall=", "", $2); s += $2; n++ } END { if (n) printf "%.1f", s / n; else print 0 }' \
  "$OUT/chromium-times.tsv")
grid=$("$BUILD/bench/bench_grid_build" --documents "$OUT/grid-documents.txt" --rounds "$rounds" \
         --chromium-ms "$chrome_ms" --ratio-goal 50 2>/dev/null) || true

echo
echo "Page likeness: $pages pages ($skipped in the list missing on disk, $noref without a Chromium picture," \
     "$failed where zorvane-render failed)"
"$PY" "$HELPER" summary "$OUT/scores.tsv" "$OUT/zorvane-times.tsv" "$OUT/chromium-times.tsv"
echo
echo "grid build beside Chromium's mean time per page over the $(wc -l < "$OUT/chromium-times.tsv") pages timed above:"
echo "$grid"
echo
echo "per-page scores: $OUT/scores.tsv; the $worst worst pages beside Chromium's:"
"$PY" "$HELPER" worst "$worst" "$OUT/scores.tsv" "$OUT/zorvane" "$OUT/chromium" "$OUT/worst"
