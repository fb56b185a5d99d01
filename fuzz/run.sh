#!/usr/bin/env bash
# Builds every libFuzzer target with clang (AddressSanitizer and
# UndefinedBehaviorSanitizer on) and runs each for the given number of seconds,
# starting from its seed corpus under fuzz/corpus/<name>/ when there is one.
# Usage: fuzz/run.sh [SECONDS per target, default 600] [target ...]
set -euo pipefail
cd "$(dirname "$0")/.."
source tools/setup.sh
zv_install_packages clang libclang-rt-14-dev
SECONDS_EACH=${1:-600}
shift || true
BUILD=build/fuzz
cmake -S . -B "$BUILD" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_COMPILER=clang++ \
      -DZV_BUILD_FUZZ=ON -DZV_BUILD_TESTS=OFF >/dev/null
targets=("$@")
if [ ${#targets[@]} -eq 0 ]; then
  targets=(fuzz_html fuzz_cache_db fuzz_ns_cache fuzz_url_cache fuzz_registry fuzz_text_search fuzz_tile_picture)
fi
cmake --build "$BUILD" -j2 --target "${targets[@]}"
export QT_QPA_PLATFORM=offscreen
export ASAN_OPTIONS=detect_leaks=0
status=0
for t in "${targets[@]}"; do
  corpus="build/fuzz-corpus/$t"
  mkdir -p "$corpus"
  seeds=()
  seed_dir="fuzz/corpus/${t#fuzz_}"
  [ -d "$seed_dir" ] && seeds=("$seed_dir")
  dict=()
  [ -f "fuzz/${t#fuzz_}.dict" ] && dict=(-dict="fuzz/${t#fuzz_}.dict")
  echo "== $t for ${SECONDS_EACH}s"
  if ! "$BUILD/fuzz/$t" -max_total_time="$SECONDS_EACH" -print_final_stats=1 \
        -artifact_prefix="build/fuzz-artifacts-$t-" "${dict[@]}" "$corpus" "${seeds[@]}" \
        > "build/fuzz-$t.log" 2>&1; then
    status=1
  fi
  # The last coverage line (edges "cov", features "ft", corpus size) and the totals.
  grep -E "^#[0-9]+[[:space:]]+(DONE|pulse|NEW|REDUCE)" "build/fuzz-$t.log" | tail -n 1 || true
  grep -E "^stat::|^Done|ERROR|SUMMARY" "build/fuzz-$t.log" || true
  if grep -q "ERROR: libFuzzer\|SUMMARY: .*Sanitizer" "build/fuzz-$t.log"; then
    status=1
  fi
done
exit $status
