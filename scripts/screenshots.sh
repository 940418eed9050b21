#!/usr/bin/env bash
# Takes the README's pictures from the real programs: builds the suite (or
# uses BUILD_DIR), installs it into a staging tree and runs each window
# program on its own virtual X server, in a private mount and process
# namespace where the staging tree stands at /usr/local, /etc/ppp is a
# sample and the clock cannot be set.  Data lives in a temporary home,
# shown as /home/guest; the real /etc, /usr and clock are never touched.  Saves docs/waymark.png (the
# bar with an open item window), docs/rummage.png, docs/tunewell.png and
# docs/ringout.png, each cropped to the program's windows.
#   BUILD_DIR (default build-screenshots), JOBS (default 2), OUT (default docs)
set -euo pipefail
cd "$(dirname "$0")/.."
top=$PWD
out=${OUT:-$top/docs}
prefix=/usr/local

if [ "$(id -u)" -ne 0 ]; then
  echo "screenshots.sh: needs root for its private mount namespaces" >&2
  exit 1
fi
for tool in Xvfb xdotool xwininfo import unshare capsh; do
  if ! command -v "$tool" >/dev/null 2>&1; then
    echo "screenshots.sh: $tool is missing (see scripts/install-deps.sh)" >&2
    exit 1
  fi
done

build=${BUILD_DIR:-build-screenshots}
if [ ! -f "$build/CMakeCache.txt" ]; then
  cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DCMAKE_INSTALL_PREFIX="$prefix" -DSUITE_BINDIR="$prefix/bin" \
    -DSUITE_DATADIR="$prefix/share" -DSUITE_LOCALEDIR="$prefix/share/locale" \
    -DSUITE_SANITIZE=OFF -DSUITE_TESTS=OFF -DSUITE_BENCH=OFF
fi
# Everything the install needs; with tests off that is the programs and
# their catalogues.
cmake --build "$build" -j"${JOBS:-2}"

work=$(mktemp -d /tmp/suite-shots.XXXXXX)
chmod 755 "$work"
xserver=""
session=""
# Ends only what this script started: the namespace's first process takes
# every program of the namespace with it.
StopAll() {
  if [ -n "$session" ]; then
    kill -9 "$session" 2>/dev/null || true
    wait "$session" 2>/dev/null || true
    session=""
  fi
  if [ -n "$xserver" ]; then
    kill "$xserver" 2>/dev/null || true
    wait "$xserver" 2>/dev/null || true
    xserver=""
  fi
}
cleanup() {
  StopAll
  rm -rf "$work"
}
trap cleanup EXIT

DESTDIR=$work/stage cmake --install "$build" >/dev/null
stage=$work/stage$prefix
mkdir -p "$out"

# A display of its own for each program, so nothing else's windows show.
StartX() {
  local size=$1 n
  for n in $(seq 150 199); do
    if [ ! -e /tmp/.X11-unix/X$n ] && [ ! -e /tmp/.X$n-lock ]; then
      Xvfb :$n -screen 0 "${size}x24" -nolisten tcp -br >/dev/null 2>&1 &
      xserver=$!
      export DISPLAY=:$n
      local i
      for i in $(seq 100); do
        xdpyinfo >/dev/null 2>&1 && return 0
        sleep 0.1
      done
      echo "screenshots.sh: Xvfb :$n did not start" >&2
      return 1
    fi
  done
  echo "screenshots.sh: no free display number" >&2
  return 1
}

# Runs a setup script in a private mount and process namespace with the
# staged install over /usr/local; $1 names the log.
Confined() {
  local name=$1 script=$2
  unshare --kill-child -m -p -f --mount-proc --propagation private \
    sh "$script" >"$work/$name.log" 2>&1 &
  session=$!
}

# Waits for a mapped window whose title (or, with --class, class) is $1;
# prints its id.
WaitWindow() {
  local what=--name
  if [ "$1" = --class ]; then
    what=--class
    shift
  fi
  local title=$1 i id
  for i in $(seq 150); do
    id=$(xdotool search --onlyvisible $what "^${title}\$" 2>/dev/null | head -1 || true)
    if [ -n "$id" ]; then
      echo "$id"
      return 0
    fi
    sleep 0.1
  done
  return 1
}

# Saves the smallest rectangle of the screen holding every mapped
# top-level window.
ShootAll() {
  local file=$1 box
  box=$(xwininfo -root -children | awk '/^ +0x/ { print $1 }' | while read -r id; do
    xwininfo -id "$id" | awk '
      /Absolute upper-left X:/ { x = $4 } /Absolute upper-left Y:/ { y = $4 }
      /Width:/ { w = $2 } /Height:/ { h = $2 } /Map State:/ { m = $3 }
      END { if (m == "IsViewable" && w > 1 && h > 1) print x, y, w, h }'
  done | awk '
    NR == 1 { l = $1; t = $2; r = $1 + $3; b = $2 + $4 }
    { if ($1 < l) l = $1; if ($2 < t) t = $2
      if ($1 + $3 > r) r = $1 + $3; if ($2 + $4 > b) b = $2 + $4 }
    END { if (NR) printf "%dx%d+%d+%d", r - l, b - t, l, t }')
  if [ -z "$box" ]; then
    echo "screenshots.sh: nothing on the screen for $file" >&2
    return 1
  fi
  import -window root -crop "$box" +repage "$file"
}

Shoot() {
  local id=$1 file=$2
  import -window "$id" "$file"
  echo "Saved $file"
}

Prologue() {
  cat <<END
set -eu
mount --bind '$stage' '$prefix'
# The demonstration home at the place a person's would be.
mount -t tmpfs suite-home /home
mkdir /home/guest
mount --bind '$work/home' /home/guest
export HOME=/home/guest LANG=C.UTF-8 NO_AT_BRIDGE=1
cd "\$HOME"
END
}

mkdir -p "$work/home"
bash scripts/make-demo-tree.sh "$work/home" >/dev/null

# Waymark: the session script seeds ~/.waymark from the installed defaults
# and starts Waywatch, which starts the bar; the first menu is opened by
# the pointer as a person would.
StartX 1024x600
{
  Prologue
  echo "exec capsh --drop=cap_sys_time -- -c 'exec $prefix/bin/waymark-session'"
} >"$work/waymark.sh"
Confined waymark "$work/waymark.sh"
if ! WaitWindow Waymark >/dev/null; then
  echo "screenshots.sh: the Waymark bar did not show; its log:" >&2
  cat "$work/waymark.log" >&2
  exit 1
fi
sleep 1
# The first menu's button is the first share of the strip that starts 176
# pixels from the left and leaves 136 on the right.
width=1024
count=$(( (width - 312) / 95 ))
xdotool mousemove $(( 176 + (width - 312) / count / 2 )) 20 click 1
sleep 1
xdotool mousemove $(( width / 2 )) 580
sleep 1
ShootAll "$out/waymark.png"
echo "Saved $out/waymark.png"
StopAll

# Rummage on the demonstration tree.
StartX 1024x768
{
  Prologue
  echo "exec capsh --drop=cap_sys_time -- -c 'exec $prefix/bin/rummage --home /home/guest'"
} >"$work/rummage.sh"
Confined rummage "$work/rummage.sh"
if ! id=$(WaitWindow --class rummage); then
  echo "screenshots.sh: Rummage did not show; its log:" >&2
  cat "$work/rummage.log" >&2
  exit 1
fi
sleep 2
Shoot "$id" "$out/rummage.png"
StopAll

# Tunewell on a sample configuration tree and system root.
bash bench/TwGuiSampleTree.sh "$work/tw" 40 >/dev/null
StartX 1024x768
{
  Prologue
  echo "exec capsh --drop=cap_sys_time -- -c \"exec env WYCFG='$work/tw/wycfg'" \
    "TUNEWELL_SYSROOT='$work/tw/sysroot' TUNEWELL_CLOCK_FILE='$work/tw/clock'" \
    "$prefix/bin/Tunewell\""
} >"$work/tunewell.sh"
Confined tunewell "$work/tunewell.sh"
if ! id=$(WaitWindow Tunewell); then
  echo "screenshots.sh: Tunewell did not show; its log:" >&2
  cat "$work/tunewell.log" >&2
  exit 1
fi
sleep 1
Shoot "$id" "$out/tunewell.png"
StopAll

# Ringout's start window over a sample /etc/ppp.
StartX 1024x768
{
  Prologue
  cat <<END
mount -t tmpfs ringout-sample /etc/ppp
cat > /etc/ppp/options <<'OPTIONS'
# DeviceName Modem
/dev/ttyS0
115200
name user1
OPTIONS
cp '$work/tw/wycfg/dialup/modem/chat_script' /etc/ppp/chat_script
exec capsh --drop=cap_sys_time -- -c 'exec $prefix/bin/Ringout'
END
} >"$work/ringout.sh"
Confined ringout "$work/ringout.sh"
if ! id=$(WaitWindow Ringout); then
  echo "screenshots.sh: Ringout did not show; its log:" >&2
  cat "$work/ringout.log" >&2
  exit 1
fi
sleep 1
Shoot "$id" "$out/ringout.png"
StopAll
