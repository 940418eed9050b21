#!/usr/bin/env bash
# Builds the Debian package of the suite: a Release build without tests,
# then `cpack -G DEB`.  The package keeps the prefix the programs look for
# each other under (/usr/local unless PREFIX says otherwise).
#   BUILD_DIR (default build-package), PREFIX, JOBS (default 2).
# Prints the path of the .deb last.
set -euo pipefail
cd "$(dirname "$0")/.."

build=${BUILD_DIR:-build-package}
prefix=${PREFIX:-/usr/local}
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release \
  -DCMAKE_INSTALL_PREFIX="$prefix" -DSUITE_BINDIR="$prefix/bin" \
  -DSUITE_DATADIR="$prefix/share" -DSUITE_LOCALEDIR="$prefix/share/locale" \
  -DSUITE_SANITIZE=OFF -DSUITE_TESTS=OFF -DSUITE_BENCH=OFF -DSUITE_FUZZ=OFF
cmake --build "$build" -j"${JOBS:-2}"
rm -f "$build"/*.deb
(cd "$build" && cpack -G DEB)
deb=$(ls "$build"/*.deb)
dpkg-deb --info "$deb" | sed -n '/Package:/,$p'
echo "$PWD/$deb"
