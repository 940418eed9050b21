#!/usr/bin/env bash
# Start-up of every window program beside the toolkit's floor, in one run on
# one virtual X server: a bare gtkmm window built with the benchmarks, the
# file manager on a small folder and on a folder of 10,000 files, the
# launcher bar, the settings tool and the dialer; and, when installed from
# the distribution's packages, other desktop programs as peers.  Each is
# timed the same way by bench_startup_watch, from launch until its first
# window is drawn ("drawn") and until that window stops changing
# ("complete": the file list filled in, for instance), and by the processor
# time it used, which a loaded machine disturbs less; the programs take
# turns within each round, and the medians of the rounds are compared with
# the bare window's.
#   bench/startup.sh [--install-peers] [--compare dir] [--probe-too] [build dir] [rounds]
# --install-peers installs the peers (pcmanfm, thunar, lxpanel) with
# apt-get first; without it a missing peer is reported as not installed.
# --compare times the programs found in another directory too (an older
# build, say), in the same rounds.  The bare window is also timed with the
# toolkit's OpenGL probe turned off (GDK_GL=disable), as the suite's
# programs start: the floor they are then held to.  --probe-too times the
# programs once more with the probe left on (an empty GDK_GL, which they
# leave alone), to show what skipping it saves.
# Runs as root: the settings tool and the dialer are timed on temporary
# trees (TUNEWELL_SYSROOT, and a private /etc/ppp in this benchmark's own
# mount namespace), so nothing of the machine's configuration is touched.
set -euo pipefail
# First, so that the benchmark runs in its own namespaces with every option.
. "$(dirname "$0")/startup-lib.sh"
install_peers=0
compare=""
probe_too=0
while [ $# -gt 0 ]; do
  case $1 in
    --install-peers) install_peers=1; shift ;;
    --compare) compare=$(cd "$2" && pwd); shift 2 ;;
    --probe-too) probe_too=1; shift ;;
    *) break ;;
  esac
done
if [ "$install_peers" = 1 ]; then
  DEBIAN_FRONTEND=noninteractive apt-get install -y --no-install-recommends pcmanfm thunar lxpanel
fi
build=${1:-build-bench}
rounds=${2:-15}
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
cp "$bindir/../waymark/data/Waymark.dat" "$bindir/../waymark/data/User00.dat" "$work/waymark/"
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
add "bare window, no GL probe" "GDK_GL=disable $bindir/bench_bare_window"
add_ours() {
  local dir=$1 tag=$2 env=${3:-}
  add "Rummage small folder$tag" "$env HOME=$work/home-small $dir/rummage --home $work/small"
  add "Rummage 10,000 files$tag" "$env HOME=$work/home-10000 $dir/rummage --home $work/files10000"
  add "Waymark$tag" "$env HOME=$work/home-wm WAYMARK=$work/waymark $dir/Waymark"
  add "Tunewell$tag" "$env WYCFG=$work/tunewell/wycfg TUNEWELL_SYSROOT=$work/tunewell/sysroot TUNEWELL_CLOCK_FILE=$work/tunewell/clock $dir/Tunewell"
  if [ "$ringout" = 1 ]; then add "Ringout$tag" "$env $dir/Ringout"; fi
}
add_ours "$bindir" ""
[ "$probe_too" = 0 ] || add_ours "$bindir" " (GL probe)" "GDK_GL="
[ -z "$compare" ] || add_ours "$compare" " ($(basename "$compare"))"
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

# One subject once: "<drawn ms> <complete ms> <cpu ms>", or "- - -" when no
# window came.
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
  read -r _ d c u <<<"$out"
  echo "${d:--} ${c:--} ${u:--}"
}

declare -A drawn complete cpu
count=${#names[@]}
# The first round warms the caches and writes each program's settings; it
# is not counted.  Each later round starts with a different program so no
# one always runs right after the same neighbour.
for round in $(seq 0 "$rounds"); do
  for k in $(seq 0 $((count - 1))); do
    i=$(( (k + round) % count ))
    read -r d c u <<<"$(run_one "${cmds[$i]}")"
    if [ "$round" -gt 0 ] && [ "$d" != - ]; then
      drawn[$i]+="$d "
      complete[$i]+="$c "
      cpu[$i]+="$u "
    fi
  done
done

med() { tr ' ' '\n' <<<"$1" | grep -v '^$' | median; }
bare=$(med "${drawn[0]:-}")
bare_cpu=$(med "${cpu[0]:-}")
ratio() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.2f", a / b }'; }
printf '%d rounds, medians; ratio: to the bare window'"'"'s drawn median (cpu: to its cpu median)\n' "$rounds"
printf '%-30s %10s %8s %12s %8s %8s %8s\n' "program" "drawn ms" "ratio" "complete ms" "ratio" "cpu ms" "ratio"
for i in $(seq 0 $((count - 1))); do
  [ "$i" -eq "$ours" ] && echo "peers:"
  if [ -z "${drawn[$i]:-}" ]; then
    printf '%-30s %10s\n' "${names[$i]}" "no window"
    continue
  fi
  d=$(med "${drawn[$i]}")
  c=$(med "${complete[$i]}")
  u=$(med "${cpu[$i]}")
  printf '%-30s %10s %8s %12s %8s %8s %8s\n' "${names[$i]}" "$d" "$(ratio "$d" "$bare")" \
    "$c" "$(ratio "$c" "$bare")" "$u" "$(ratio "$u" "$bare_cpu")"
done
[ "$ringout" = 1 ] || echo "Ringout: left out (no private mount namespace for /etc/ppp, or not root)"
[ "$ours" -eq "$count" ] && echo "peers:"
for name in "${missing[@]}"; do
  printf '%-30s %10s\n' "$name" "not installed"
done
