#!/usr/bin/env bash
# Start-up of every window program beside the toolkit's floor, in one run on
# one virtual X server: a bare gtkmm window built with the benchmarks, the
# file manager on a small folder and on a folder of 10,000 files, the
# launcher bar, the settings tool and the dialer; and, when installed from
# the distribution's packages, other desktop programs as peers.  Each is
# timed the same way by bench_startup_watch, from launch until its first
# window is drawn ("drawn") and until that window stops changing
# ("complete": the file list filled in, for instance); the programs take
# turns within each round, and the medians of the rounds are compared with
# the bare window's.
#   bench/startup.sh [--install-peers] [build dir] [rounds]
# --install-peers installs the peers (pcmanfm, thunar, lxpanel) with
# apt-get first; without it a missing peer is reported as not installed.
# Runs as root: the settings tool and the dialer are timed on temporary
# trees (TUNEWELL_SYSROOT, and a private /etc/ppp in this benchmark's own
# mount namespace), so nothing of the machine's configuration is touched.
set -euo pipefail
install_peers=0
if [ "${1:-}" = "--install-peers" ]; then
  install_peers=1
  shift
fi
if [ "$install_peers" = 1 ] && [ -z "${SUITE_BENCH_OWN_PIDS:-}" ]; then
  DEBIAN_FRONTEND=noninteractive apt-get install -y --no-install-recommends pcmanfm thunar lxpanel
fi
build=${1:-build-bench}
rounds=${2:-15}
. "$(dirname "$0")/startup-lib.sh"
startup_init "$build/bin/bench_startup_watch" 60 "$build/bin/bench_startup_watch" "$rounds"
bindir=$(dirname "$bin")
watch=$bin
export ASAN_OPTIONS=detect_leaks=0

# The peers look for a session bus; every program gets the same one, and a
# home and runtime directory of its own in the work directory.
bus_pid=""
cleanup() {
  [ -n "$bus_pid" ] && kill "$bus_pid" 2>/dev/null || true
  [ -n "${ppp_mounted:-}" ] && umount /etc/ppp 2>/dev/null || true
  startup_cleanup
}
trap cleanup EXIT
export XDG_RUNTIME_DIR=$work/run
mkdir -m 700 "$XDG_RUNTIME_DIR"
if command -v dbus-daemon >/dev/null; then
  bus=$(dbus-daemon --session --fork --print-address=1 --print-pid=1)
  export DBUS_SESSION_BUS_ADDRESS=$(sed -n 1p <<<"$bus")
  bus_pid=$(sed -n 2p <<<"$bus")
fi

# Folders for the file managers.
mkdir -p "$work/small" "$work/files10000"
bash "$top/scripts/make-demo-tree.sh" "$work/small" >/dev/null
(cd "$work/files10000" && seq -f "file%06g.txt" 1 10000 | xargs touch)
# The launcher's installed default data.
mkdir -p "$work/waymark"
cp "$top/$build/waymark/data/Waymark.dat" "$top/$build/waymark/data/User00.dat" "$work/waymark/"
# The settings tool's sample tree.
bash "$top/bench/TwGuiSampleTree.sh" "$work/tunewell" 500
# The dialer reads /etc/ppp: a private copy, only inside this benchmark's
# mount namespace (startup-lib.sh made one; without it the dialer is left out).
ringout=0
ppp_mounted=""
if [ "${SUITE_BENCH_OWN_PIDS:-}" = 1 ] && [ "$(id -u)" = 0 ] &&
   mount -t tmpfs none /etc/ppp 2>/dev/null; then
  ppp_mounted=1
  printf '# DeviceName PHS\n' > /etc/ppp/options
  printf '#!/bin/sh\n' > /etc/ppp/chat_script
  ringout=1
fi

names=(); cmds=()
add() { names+=("$1"); shift; cmds+=("$*"); }
add "bare gtkmm window" "$bindir/bench_bare_window"
add "Rummage small folder" "HOME=$work/home-small $bindir/rummage --home $work/small"
add "Rummage 10,000 files" "HOME=$work/home-10000 $bindir/rummage --home $work/files10000"
add "Waymark" "HOME=$work/home-wm WAYMARK=$work/waymark $bindir/Waymark"
add "Tunewell" "WYCFG=$work/tunewell/wycfg TUNEWELL_SYSROOT=$work/tunewell/sysroot TUNEWELL_CLOCK_FILE=$work/tunewell/clock $bindir/Tunewell"
[ "$ringout" = 1 ] && add "Ringout" "$bindir/Ringout"
ours=${#names[@]}
missing=()
for peer in "pcmanfm small folder|pcmanfm|HOME=$work/home-pcmanfm pcmanfm $work/small" \
            "pcmanfm 10,000 files|pcmanfm|HOME=$work/home-pcmanfm pcmanfm $work/files10000" \
            "thunar small folder|thunar|HOME=$work/home-thunar thunar $work/small" \
            "thunar 10,000 files|thunar|HOME=$work/home-thunar thunar $work/files10000" \
            "lxpanel|lxpanel|HOME=$work/home-lxpanel lxpanel"; do
  IFS='|' read -r name prog cmd <<<"$peer"
  if command -v "$prog" >/dev/null; then
    add "$name" "$cmd"
  else
    missing+=("$name")
  fi
done
for n in home-small home-10000 home-wm home-pcmanfm home-thunar home-lxpanel; do mkdir -p "$work/$n"; done

# One subject once: "<drawn ms> <complete ms>", or "- -" when no window came.
run_one() {
  # Variables first, then the program and its arguments; the watcher's
  # child inherits the variables, so no extra process is timed.
  local -a words=($1) vars=() argv=()
  local w
  for w in "${words[@]}"; do
    if [ ${#argv[@]} -eq 0 ] && [[ $w == *=* ]]; then vars+=("$w"); else argv+=("$w"); fi
  done
  local out
  out=$( (for v in "${vars[@]}"; do export "${v?}"; done
          exec "$watch" -t 20000 -q 400 -- "${argv[@]}") 2>/dev/null) || true
  read -r _ d c <<<"$out"
  echo "${d:--} ${c:--}"
}

declare -A drawn complete
count=${#names[@]}
# The first round warms the caches and writes each program's settings; it
# is not counted.  Each later round starts with a different program so no
# one always runs right after the same neighbour.
for round in $(seq 0 "$rounds"); do
  for k in $(seq 0 $((count - 1))); do
    i=$(( (k + round) % count ))
    read -r d c <<<"$(run_one "${cmds[$i]}")"
    if [ "$round" -gt 0 ] && [ "$d" != - ]; then
      drawn[$i]+="$d "
      complete[$i]+="$c "
    fi
  done
done

med() { tr ' ' '\n' <<<"$1" | grep -v '^$' | median; }
bare=$(med "${drawn[0]:-}")
printf '%d rounds, medians; ratio = median / bare window median (drawn)\n' "$rounds"
printf '%-24s %10s %12s %8s %10s\n' "program" "drawn ms" "complete ms" "ratio" "ratio c."
for i in $(seq 0 $((count - 1))); do
  [ "$i" -eq "$ours" ] && echo "peers:"
  if [ -z "${drawn[$i]:-}" ]; then
    printf '%-24s %10s\n' "${names[$i]}" "no window"
    continue
  fi
  d=$(med "${drawn[$i]}")
  c=$(med "${complete[$i]}")
  printf '%-24s %10s %12s %8s %10s\n' "${names[$i]}" "$d" "$c" \
    "$(awk -v a="$d" -v b="$bare" 'BEGIN { printf "%.2f", a / b }')" \
    "$(awk -v a="$c" -v b="$bare" 'BEGIN { printf "%.2f", a / b }')"
done
[ "$ringout" = 1 ] || echo "Ringout: left out (no private mount namespace for /etc/ppp, or not root)"
[ "$ours" -eq "$count" ] && echo "peers:"
for name in "${missing[@]}"; do
  printf '%-24s %10s\n' "$name" "not installed"
done
