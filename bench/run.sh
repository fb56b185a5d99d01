#!/usr/bin/env bash
# Builds the benchmarks in a release build folder and runs them.
# Usage: bench/run.sh [build folder]   (default build/bench)
set -euo pipefail
cd "$(dirname "$0")/.."
source tools/setup.sh
BUILD=${1:-build/bench}
cmake -S . -B "$BUILD" -G Ninja -DCMAKE_BUILD_TYPE=Release -DZV_BUILD_BENCH=ON >/dev/null
export QT_QPA_PLATFORM=offscreen

# Text search beside grep.
cmake --build "$BUILD" -j2 --target bench_text_search
"$BUILD/bench/bench_text_search"

# Cache table: 100,000 rows, open time, look-up rate beside a search from the first row.
cmake --build "$BUILD" -j2 --target bench_cache_db
"$BUILD/bench/bench_cache_db"

# Folder walk: 100,000 files in 2,000 folders beside find, peak memory for two sizes.
cmake --build "$BUILD" -j2 --target bench_file_walk
"$BUILD/bench/bench_file_walk"

# Internet Explorer cache reader: 50,000 entries into the table, beside msiecfexport.
cmake --build "$BUILD" -j2 --target bench_ms_cache
"$BUILD/bench/bench_ms_cache"

# Netscape cache index: 50,000 entries into the table, beside db_dump185.
cmake --build "$BUILD" -j2 --target bench_netscape_index
"$BUILD/bench/bench_netscape_index"

# Thumbnail translator: 1,600 generated pages translated, beside xmllint --html --noout.
cmake --build "$BUILD" -j2 --target bench_translate
"$BUILD/bench/bench_translate"

# Thumbnail grid build: 105 documents cold and warm, beside headless Chromium (installed when missing).
command -v chromium >/dev/null || zv_install_packages chromium
cmake --build "$BUILD" -j2 --target bench_grid_build
"$BUILD/bench/bench_grid_build"

# Layout and paint of real pages at 800 x 1000 by the HTML view's layout engine.
cmake --build "$BUILD" -j2 --target bench_page_layout
"$BUILD/bench/bench_page_layout"

# Responsiveness while a page of several megabytes is laid out in a tile and in the zoomed view.
cmake --build "$BUILD" -j2 --target bench_responsiveness
"$BUILD/bench/bench_responsiveness"
