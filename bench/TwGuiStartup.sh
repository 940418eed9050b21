#!/usr/bin/env bash
# Tunewell's start-up time: from launching the program until its window has
# been drawn, on sample trees whose zone tables hold 20, 500 and 2000 zones.
# Runs under its own virtual X server, as root on temporary trees (the
# program reads them through TUNEWELL_SYSROOT and never sets the clock);
# prints the median of several runs per tree.
#   bench/TwGuiStartup.sh [path/to/Tunewell] [runs]
set -euo pipefail
cd "$(dirname "$0")/.."
top=$PWD
bin=${1:-$top/build-release/bin/Tunewell}
runs=${2:-10}
[ -x "$bin" ] || { echo "no program at $bin (build it first)" >&2; exit 1; }

work=$(mktemp -d)
xvfb=""
cleanup() {
  [ -n "$xvfb" ] && kill "$xvfb" 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

for n in $(seq 90 99); do
  if [ ! -e /tmp/.X11-unix/X$n ] && [ ! -e /tmp/.X$n-lock ]; then
    Xvfb :$n -screen 0 1280x1024x24 >/dev/null 2>&1 &
    xvfb=$!
    export DISPLAY=:$n
    break
  fi
done
[ -n "$xvfb" ] || { echo "no free display" >&2; exit 1; }
for _ in $(seq 50); do xdpyinfo >/dev/null 2>&1 && break; sleep 0.1; done
export NO_AT_BRIDGE=1
# A sanitizer build would report the toolkit's leftovers at exit.
export ASAN_OPTIONS=detect_leaks=0

median() { sort -n | awk '{v[NR]=$1} END {print (NR%2) ? v[(NR+1)/2] : (v[NR/2]+v[NR/2+1])/2}'; }

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
