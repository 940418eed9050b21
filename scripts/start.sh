#!/usr/bin/env bash
# Starts the installed suite: the watchdog (and through it the launcher)
# when the launcher is installed, else the file manager on a demonstration
# tree.  Without a display it starts a virtual X server and saves a
# screenshot of what it started to screenshot.png.
set -euo pipefail
cd "$(dirname "$0")/.."
top=$PWD
prefix=${PREFIX:-/usr/local}
bindir=$prefix/bin

own_display=""
if [ -z "${DISPLAY:-}" ]; then
  for n in $(seq 90 99); do
    if [ ! -e /tmp/.X11-unix/X$n ] && [ ! -e /tmp/.X$n-lock ]; then
      Xvfb :$n -screen 0 1024x768x24 >/dev/null 2>&1 &
      own_display=$!
      export DISPLAY=:$n
      break
    fi
  done
  for _ in $(seq 50); do xdpyinfo >/dev/null 2>&1 && break; sleep 0.1; done
fi

started=""
if [ -x "$bindir/Waywatch" ] && [ -x "$bindir/Waymark" ]; then
  "$bindir/Waywatch" &
  started="Waywatch (keeps the Waymark launcher running)"
elif [ -x "$bindir/rummage" ]; then
  demo=${DEMO_HOME:-$HOME/rummage-demo}
  bash "$top/scripts/make-demo-tree.sh" "$demo"
  # The demonstration tree is the top of the file manager's tree.
  (cd "$demo" && "$bindir/rummage" --home "$demo" &)
  started="rummage on $demo"
fi

if [ -z "$started" ]; then
  echo "Nothing with a window is installed yet; installed programs:"
  ls -l "$bindir"/Waywatch "$bindir"/Rootgate 2>/dev/null || true
  "$bindir/Waywatch" --version || true
  [ -n "$own_display" ] && kill "$own_display" 2>/dev/null || true
  exit 0
fi

echo "Started $started on display $DISPLAY"
if [ -n "$own_display" ]; then
  sleep 3
  import -window root "$top/screenshot.png" && echo "Screenshot saved to $top/screenshot.png"
fi
