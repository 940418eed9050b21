#!/usr/bin/env bash
# Waymark's start-up time: from launching the program until its bar has
# been drawn, with the installed default data and with 20 users of 20 menus
# of 100 items.  Runs under its own virtual X server; prints the median of
# several runs and the ratio to xmessage mapping a window on the same server.
#   bench/Wm-startup.sh [path/to/Waymark] [runs]
set -euo pipefail
. "$(dirname "$0")/startup-lib.sh"
startup_init build-release/bin/Waymark 70 "$@"
build=$(cd "$(dirname "$bin")/.." && pwd)

# Data: the installed defaults, and a large set written by a small awk job.
mkdir -p "$work/default" "$work/large"
cp "$build/waymark/data/Waymark.dat" "$build/waymark/data/User00.dat" "$work/default/"
sed -e 's/^UserCount=.*/UserCount=20/' "$build/waymark/data/Waymark.dat" > "$work/large/Waymark.dat"
for u in $(seq 0 19); do
  awk -v u="$u" 'BEGIN {
    printf "\n#\n# Waymark for Linux\n# User Data File\n# benchmark data\n# This is a generated file.  Do not edit.\n#\n"
    printf "\n[Init]\nUserName=User %d\nMenuCount=20\nDelete=Yes\n", u
    for (m = 0; m < 20; m++) {
      printf "\n[Menu%02d]\nMenuName=Menu %d\nItemCount=100\n", m, m
      for (i = 0; i < 100; i++)
        printf "\n[Item%02d-%03d]\nItemName=Item %d\nLinkName=http://www.example.org/%d/%d/%d\nItemCategory=0\nDate=20260101120000\n", m, i, i, u, m, i
    }
  }' > "$work/large/User$(printf %02d "$u").dat"
done

printf '%-10s %12s %14s %8s\n' "data" "bar ms" "xmessage ms" "ratio"
for set in default large; do
  ours=(); theirs=()
  for run in $(seq 0 "$runs"); do
    out=$(WAYMARK=$work/$set WAYMARK_STARTUP_BENCH=$(date +%s%N) timeout 60 "$bin" 2>&1 >/dev/null || true)
    t=$(sed -n 's/^Waymark: bar drawn after \([0-9.]*\) ms$/\1/p' <<<"$out")
    [ -n "$t" ] || { echo "no start-up report for $set: $out" >&2; exit 1; }
    if [ "$run" -gt 0 ]; then
      ours+=("$t")
      theirs+=("$(window_ms wmbenchref 0.005 xmessage -name wmbenchref "reference")")
    fi
  done
  a=$(printf '%s\n' "${ours[@]}" | median)
  b=$(printf '%s\n' "${theirs[@]}" | median)
  printf '%-10s %12s %14s %8s\n' "$set" "$a" "$b" "$(awk -v a="$a" -v b="$b" 'BEGIN { printf "%.2f", (b > 0) ? a / b : 0 }')"
done
