#!/usr/bin/env bash
# Waymark's start-up time: from launching the program until its bar has
# been drawn, with the installed default data and with 20 users of 20 menus
# of 100 items.  Runs under its own virtual X server; prints the median of
# several runs and the ratio to xmessage mapping a window on the same server.
#   bench/Wm-startup.sh [path/to/Waymark] [runs]
set -euo pipefail
cd "$(dirname "$0")/.."
top=$PWD
bin=${1:-$top/build-release/bin/Waymark}
runs=${2:-10}
[ -x "$bin" ] || { echo "no program at $bin (build it first)" >&2; exit 1; }
build=$(cd "$(dirname "$bin")/.." && pwd)

work=$(mktemp -d)
xvfb=""
cleanup() {
  [ -n "$xvfb" ] && kill "$xvfb" 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

for n in $(seq 70 79); do
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

median() { sort -n | awk '{v[NR]=$1} END {print (NR%2) ? v[(NR+1)/2] : (v[NR/2]+v[NR/2+1])/2}'; }
now_ms() { echo $(( $(date +%s%N) / 1000000 )); }
xmessage_ms() {
  local t0 pid
  t0=$(now_ms)
  xmessage -name wmbenchref "reference" >/dev/null 2>&1 &
  pid=$!
  for _ in $(seq 600); do
    xwininfo -root -tree 2>/dev/null | grep -q wmbenchref && break
    sleep 0.005
  done
  echo $(( $(now_ms) - t0 ))
  kill "$pid" 2>/dev/null; wait "$pid" 2>/dev/null || true
}

printf '%-10s %12s %14s %8s\n' "data" "bar ms" "xmessage ms" "ratio"
for set in default large; do
  ours=(); theirs=()
  for run in $(seq 0 "$runs"); do
    out=$(WAYMARK=$work/$set WAYMARK_STARTUP_BENCH=$(date +%s%N) timeout 60 "$bin" 2>&1 >/dev/null || true)
    t=$(sed -n 's/^Waymark: bar drawn after \([0-9.]*\) ms$/\1/p' <<<"$out")
    [ -n "$t" ] || { echo "no start-up report for $set: $out" >&2; exit 1; }
    if [ "$run" -gt 0 ]; then
      ours+=("$t")
      theirs+=("$(xmessage_ms)")
    fi
  done
  a=$(printf '%s\n' "${ours[@]}" | median)
  b=$(printf '%s\n' "${theirs[@]}" | median)
  printf '%-10s %12s %14s %8s\n' "$set" "$a" "$b" "$(awk -v a="$a" -v b="$b" 'BEGIN { printf "%.2f", (b > 0) ? a / b : 0 }')"
done
