#!/usr/bin/env bash
# Builds every libFuzzer target with clang (AddressSanitizer and
# UndefinedBehaviorSanitizer) and runs each for a while on its seed corpus.
#   bash scripts/fuzz.sh [seconds-per-target]   (default 5)
# FUZZ_RUNS=N runs each target N inputs instead of for a time.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-5}
build=${FUZZ_BUILD_DIR:-build-fuzz}

cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DCMAKE_C_COMPILER=clang-14 -DCMAKE_CXX_COMPILER=clang++-14 \
  -DSUITE_FUZZ=ON -DSUITE_WERROR=OFF -DSUITE_TESTS=ON -DSUITE_BENCH=OFF >/dev/null
cmake --build "$build" -j2 --target fuzzers

export ASAN_OPTIONS="detect_leaks=1:abort_on_error=0"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
status=0
found=0
for target in "$build"/bin/*_fuzz; do
  [ -x "$target" ] || continue
  found=$((found + 1))
  name=$(basename "$target")
  seeds=$(find tests -type d -path "*/fuzz/corpus/$name" | head -n1)
  work=$(mktemp -d)
  args=(-max_len=65536 -timeout=10 -rss_limit_mb=2048)
  if [ -n "${FUZZ_RUNS:-}" ]; then
    args+=(-runs="$FUZZ_RUNS")
  else
    args+=(-max_total_time="$seconds")
  fi
  echo "== $name (${seeds:-no seeds})"
  # New inputs go to a scratch directory so the checked-in corpus stays as it is.
  if ! "$target" "${args[@]}" -print_final_stats=1 "$work" ${seeds:+"$seeds"} 2>"$work.log"; then
    echo "FUZZ FAILURE: $name"; tail -n 60 "$work.log"; status=1
  else
    grep -E '^(stat::number_of_executed_units|#[0-9]+.*DONE)' "$work.log" | tail -n 2 || true
  fi
  rm -rf "$work" "$work.log"
done
echo "fuzz targets run: $found"
exit $status
