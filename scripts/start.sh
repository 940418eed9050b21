#!/usr/bin/env bash
# Starts the installed suite: the session script (the launcher's data
# directory, then the watchdog and through it the launcher bar) when the
# launcher is installed, else the file manager on a demonstration tree.
# Without a display it starts a virtual X server, opens the launcher's first
# menu and saves a screenshot of what it started to screenshot.png.
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
launcher=""
if [ -x "$bindir/waymark-session" ] && [ -x "$bindir/Waywatch" ] && [ -x "$bindir/Waymark" ]; then
  # The session script sets WAYMARK (default ~/.waymark, seeded from the
  # installed defaults) and hands over to Waywatch.
  "$bindir/waymark-session" &
  started="the Waymark session (Waywatch keeps the launcher running; data in ${WAYMARK:-$HOME/.waymark})"
  launcher=1
elif [ -x "$bindir/Waywatch" ] && [ -x "$bindir/Waymark" ]; then
  "$bindir/Waywatch" &
  started="Waywatch (keeps the Waymark launcher running)"
  launcher=1
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
  if [ -n "$launcher" ] && command -v xdotool >/dev/null 2>&1; then
    # Open the first menu of the bar: its button is the first share of the
    # strip that starts 176 pixels from the left.
    width=$(xdpyinfo | awk '/dimensions:/ && !w { split($2, d, "x"); w = d[1] } END { print w + 0 }')
    count=$(( (width - 312) / 95 ))
    [ "$count" -gt 20 ] && count=20
    if [ "$count" -gt 0 ]; then
      xdotool mousemove $(( 176 + (width - 312) / count / 2 )) 20 click 1 || true
      sleep 1
      xdotool mousemove $(( width / 2 )) 600 || true
      sleep 1
    fi
  fi
  import -window root "$top/screenshot.png" && echo "Screenshot saved to $top/screenshot.png"
fi
