#!/usr/bin/env bash
# Rummage's start-up time: from launching the program until its window has
# been drawn, and until the start directory is listed and drawn.  Runs under
# its own virtual X server on temporary trees; prints the median of several
# runs per tree, and the ratio to a reference program when one is named.
#   bench/rummage-startup.sh [path/to/rummage] [runs]
set -euo pipefail
. "$(dirname "$0")/startup-lib.sh"
startup_init build-release/bin/rummage 80 "$@"

# Trees: the demonstration tree, and directories of 1,000 and 10,000 files.
bash "$top/scripts/make-demo-tree.sh" "$work/demo" >/dev/null
for count in 1000 10000; do
  mkdir -p "$work/files$count"
  (cd "$work/files$count" && seq -f "file%06g.txt" 1 "$count" | xargs touch)
done

# A reference program to compare with, if the site names one: REFERENCE_FM
# is a command that opens a window on the directory given as its last
# argument; it is timed from launch until a window of REFERENCE_FM_TITLE
# (a window-name pattern for xwininfo) is mapped.
ref=${REFERENCE_FM:-}
ref_title=${REFERENCE_FM_TITLE:-}

printf '%-14s %8s %14s %14s %12s %8s\n' "directory" "entries" "window ms" "listed ms" "reference ms" "ratio"
for tree in demo files1000 files10000; do
  dir=$work/$tree
  entries=$(ls -A "$dir" | wc -l)
  shown=(); listed=(); theirs=()
  # One home per tree: the first run writes the settings file and warms the
  # caches and is not counted; the others start as a user's program does.
  home=$(mktemp -d "$work/home.XXXX")
  for run in $(seq 0 "$runs"); do
    out=$(HOME=$home RUMMAGE_STARTUP_BENCH=$(date +%s%N) timeout 60 "$bin" --home "$dir" 2>&1 >/dev/null)
    w=$(sed -n 's/^rummage: window drawn after \([0-9.]*\) ms$/\1/p' <<<"$out")
    l=$(sed -n 's/^rummage: listed and drawn after \([0-9.]*\) ms$/\1/p' <<<"$out")
    [ -n "$w" ] && [ -n "$l" ] || { echo "no start-up report for $tree: $out" >&2; exit 1; }
    if [ "$run" -gt 0 ]; then
      shown+=("$w"); listed+=("$l")
      [ -z "$ref" ] || theirs+=("$(window_ms "$ref_title" 0.01 env HOME="$home" $ref "$dir")")
    fi
  done
  w=$(printf '%s\n' "${shown[@]}" | median)
  l=$(printf '%s\n' "${listed[@]}" | median)
  r=-; ratio=-
  if [ -n "$ref" ]; then
    r=$(printf '%s\n' "${theirs[@]}" | median)
    ratio=$(awk -v a="$w" -v b="$r" 'BEGIN { printf "%.2f", a / b }')
  fi
  printf '%-14s %8s %14s %14s %12s %8s\n' "$tree" "$entries" "$w" "$l" "$r" "$ratio"
done
[ -n "$ref" ] || echo "(no reference program: set REFERENCE_FM and REFERENCE_FM_TITLE to compare)"
