# Shared part of the start-up benchmarks, sourced by bench/startup.sh,
# bench/*-startup.sh and bench/TwGuiStartup.sh: the program to time, a work
# directory removed on exit, a private virtual X server, and the small
# helpers the timings use.
#   startup_init <default program path> <first display number> [program] [runs]
# sets top, bin, runs and work, and exports DISPLAY.

# Waymark runs once per machine and the others look for running copies: a
# session of the installed suite must not stop or slow the copy we time, so
# the whole benchmark runs in a process namespace of its own when it may.
if [ -z "${SUITE_BENCH_OWN_PIDS:-}" ] && unshare -p -f --mount-proc true 2>/dev/null; then
  export SUITE_BENCH_OWN_PIDS=1
  exec unshare -p -f --kill-child --mount-proc bash "$0" "$@"
fi

startup_init() {
  local default=$1 first=$2
  shift 2
  cd "$(dirname "${BASH_SOURCE[0]}")/.."
  top=$PWD
  bin=${1:-$top/$default}
  runs=${2:-10}
  [ -x "$bin" ] || { echo "no program at $bin (build it first)" >&2; exit 1; }

  work=$(mktemp -d)
  xvfb=""
  trap startup_cleanup EXIT

  # Ten displays per script, so benchmarks run side by side do not collide.
  local n
  for n in $(seq "$first" $((first + 9))); do
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
}

startup_cleanup() {
  [ -n "$xvfb" ] && kill "$xvfb" 2>/dev/null || true
  rm -rf "$work"
}

median() { sort -n | awk '{v[NR]=$1} END {print (NR%2) ? v[(NR+1)/2] : (v[NR/2]+v[NR/2+1])/2}'; }
now_ms() { echo $(( $(date +%s%N) / 1000000 )); }

# Milliseconds from starting a command until a window whose name matches
# <pattern> is mapped (xwininfo polled every <poll> seconds); then ends it.
#   window_ms <pattern> <poll> <command...>
window_ms() {
  local pattern=$1 poll=$2 t0 pid
  shift 2
  t0=$(now_ms)
  "$@" >/dev/null 2>&1 &
  pid=$!
  for _ in $(seq 600); do
    xwininfo -root -tree 2>/dev/null | grep -q -- "$pattern" && break
    sleep "$poll"
  done
  echo $(( $(now_ms) - t0 ))
  kill "$pid" 2>/dev/null; wait "$pid" 2>/dev/null || true
}
