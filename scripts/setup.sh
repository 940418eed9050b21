#!/usr/bin/env bash
# Installs what is needed, builds and installs the suite, then starts it.
# With no display it runs under a virtual X server and saves a screenshot.
set -euo pipefail
cd "$(dirname "$0")/.."
top=$PWD

bash scripts/install-deps.sh

build=${BUILD_DIR:-build-release}
prefix=${PREFIX:-/usr/local}
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DCMAKE_INSTALL_PREFIX="$prefix" -DSUITE_BINDIR="$prefix/bin" \
  -DSUITE_DATADIR="$prefix/share" -DSUITE_LOCALEDIR="$prefix/share/locale" -DSUITE_TESTS=OFF
cmake --build "$build" -j2

SUDO=""
if [ "$(id -u)" -ne 0 ]; then
  SUDO="sudo"
fi
$SUDO cmake --install "$build"
echo "Installed:"
sed "s/^/  /" "$build/install_manifest.txt"; echo

exec bash scripts/start.sh
