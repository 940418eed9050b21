#!/usr/bin/env bash
# Tunewell's start-up time: from launching the program until its window has
# been drawn, on sample trees whose zone tables hold 20, 500 and 2000 zones.
# Runs under its own virtual X server, as root on temporary trees (the
# program reads them through TUNEWELL_SYSROOT and never sets the clock);
# prints the median of several runs per tree.
#   bench/TwGuiStartup.sh [path/to/Tunewell] [runs]
set -euo pipefail
. "$(dirname "$0")/startup-lib.sh"
startup_init build-release/bin/Tunewell 90 "$@"
# A sanitizer build would report the toolkit's leftovers at exit.
export ASAN_OPTIONS=detect_leaks=0

printf '%-10s %10s\n' "zones" "median ms"
for zones in 20 500 2000; do
  tree=$work/tree$zones
  bash "$top/bench/TwGuiSampleTree.sh" "$tree" "$zones"
  times=()
  # The first run warms the caches and is not counted.
  for run in $(seq 0 "$runs"); do
    out=$(WYCFG=$tree/wycfg TUNEWELL_SYSROOT=$tree/sysroot TUNEWELL_CLOCK_FILE=$tree/clock \
          TUNEWELL_STARTUP_BENCH=$(date +%s%N) timeout 60 "$bin" 2>&1 >/dev/null |
          sed -n 's/^Tunewell: drawn after \([0-9.]*\) ms$/\1/p')
    [ -n "$out" ] || { echo "no start-up report for $zones zones" >&2; exit 1; }
    [ "$run" -eq 0 ] || times+=("$out")
  done
  printf '%-10s %10s\n' "$zones" "$(printf '%s\n' "${times[@]}" | median)"
done
