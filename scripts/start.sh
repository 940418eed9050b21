#!/usr/bin/env bash
# Starts the installed suite: the session script (the launcher's data
# directory, then the watchdog and through it the launcher bar) when the
# launcher is installed, else the file manager on a demonstration tree.
# Without a display it starts a virtual X server, opens the file manager
# from the bar, shows the dialer's start window (over a sample dial-up
# configuration in a private mount namespace, so /etc/ppp stays as it is),
# opens the bar's first menu and saves a screenshot to screenshot.png.
set -euo pipefail
cd "$(dirname "$0")/.."
top=$PWD
prefix=${PREFIX:-/usr/local}
bindir=$prefix/bin

own_display=""
if [ -z "${DISPLAY:-}" ]; then
  for n in $(seq 90 99); do
    if [ ! -e /tmp/.X11-unix/X$n ] && [ ! -e /tmp/.X$n-lock ]; then
      Xvfb :$n -screen 0 1280x1024x24 >/dev/null 2>&1 &
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
# Moves the newest window titled $1 to $2 $3 once it shows.
place() {
  local id="" _
  for _ in $(seq 50); do
    id=$(xdotool search --onlyvisible --name "$1" 2>/dev/null | tail -n1) && [ -n "$id" ] && break
    sleep 0.2
  done
  [ -n "$id" ] && xdotool windowmove "$id" "$2" "$3" || true
}
if [ -n "$own_display" ]; then
  sleep 3
  if [ -n "$launcher" ] && command -v xdotool >/dev/null 2>&1; then
    width=$(xdpyinfo | awk '/dimensions:/ && !w { split($2, d, "x"); w = d[1] } END { print w + 0 }')
    # The file-manager button: the middle picture of the bar's right end.
    xdotool mousemove $(( width - 52 )) 20 click 1 || true
    place '^Rummage$' 16 480
    if [ "$(id -u)" = 0 ] && [ -x "$bindir/Ringout" ] && command -v unshare >/dev/null 2>&1; then
      unshare -m --propagation private sh -c '
        mount -t tmpfs ringout-sample /etc/ppp || exit 1
        printf "# DeviceName Modem\n/dev/ttyS0\n115200\nname guest\n" >/etc/ppp/options
        printf "ABORT BUSY\n\"\" ATZ\nOK ATDT0123456789\nCONNECT \"\"\n" >/etc/ppp/chat_script
        chmod 700 /etc/ppp/chat_script
        exec capsh --drop=cap_sys_time -- -c "exec \"$1\""' sh "$bindir/Ringout" \
        >/dev/null 2>&1 &
      place '^Ringout$' 880 560
    fi
    # Open the first menu of the bar: its button is the first share of the
    # strip that starts 176 pixels from the left.
    count=$(( (width - 312) / 95 ))
    [ "$count" -gt 20 ] && count=20
    if [ "$count" -gt 0 ]; then
      xdotool mousemove $(( 176 + (width - 312) / count / 2 )) 20 click 1 || true
      sleep 1
      xdotool mousemove $(( width / 2 )) 1000 || true
      sleep 1
    fi
  fi
  import -window root "$top/screenshot.png" && echo "Screenshot saved to $top/screenshot.png"
fi
