#!/usr/bin/env bash
# Rummage's start-up time to a listed directory: from launching the program
# until its window, with the start directory listed, has been drawn.  Runs
# under its own virtual X server on temporary trees; prints the median of
# several runs per tree.
#   bench/rummage-startup.sh [path/to/rummage] [runs]
set -euo pipefail
cd "$(dirname "$0")/.."
top=$PWD
bin=${1:-$top/build-release/bin/rummage}
runs=${2:-10}
[ -x "$bin" ] || { echo "no program at $bin (build it first)" >&2; exit 1; }

work=$(mktemp -d)
xvfb=""
cleanup() {
  [ -n "$xvfb" ] && kill "$xvfb" 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

for n in $(seq 80 89); do
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

# Trees: the demonstration tree, and directories of 1,000 and 10,000 files.
bash "$top/scripts/make-demo-tree.sh" "$work/demo" >/dev/null
for count in 1000 10000; do
  mkdir -p "$work/files$count"
  (cd "$work/files$count" && seq -f "file%06g.txt" 1 "$count" | xargs touch)
done

median() { sort -n | awk '{v[NR]=$1} END {print (NR%2) ? v[(NR+1)/2] : (v[NR/2]+v[NR/2+1])/2}'; }

printf '%-22s %10s %10s\n' "directory" "entries" "median ms"
for tree in demo files1000 files10000; do
  dir=$work/$tree
  entries=$(ls -A "$dir" | wc -l)
  times=()
  # One home per tree: the first run writes the settings file and warms the
  # caches and is not counted; the others start as a user's program does.
  home=$(mktemp -d "$work/home.XXXX")
  for run in $(seq 0 "$runs"); do
    out=$(HOME=$home RUMMAGE_STARTUP_BENCH=$(date +%s%N) timeout 60 "$bin" --home "$dir" 2>&1 >/dev/null |
          sed -n 's/^rummage: listed and drawn after \([0-9.]*\) ms$/\1/p')
    [ -n "$out" ] || { echo "no start-up report for $tree" >&2; exit 1; }
    [ "$run" -eq 0 ] || times+=("$out")
  done
  printf '%-22s %10s %10s\n' "$tree" "$entries" "$(printf '%s\n' "${times[@]}" | median)"
done
