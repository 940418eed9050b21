#!/usr/bin/env bash
# Installs what is needed, builds with AddressSanitizer and
# UndefinedBehaviorSanitizer (warnings are errors) and runs every test,
# the window tests under a virtual X server.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/install-deps.sh

build=${BUILD_DIR:-build-test}
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Debug \
  -DSUITE_SANITIZE=ON -DSUITE_WERROR=ON -DSUITE_TESTS=ON -DSUITE_BENCH=ON
cmake --build "$build" -j2

# Leaks inside system libraries only; the project's own code is never listed.
export LSAN_OPTIONS="suppressions=$PWD/tests/lsan.supp:print_suppressions=0"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
export NO_AT_BRIDGE=1

(cd "$build" && xvfb-run -a -s "-screen 0 1280x1024x24" ctest -j2 --output-on-failure "$@")

# Every libFuzzer target, built with clang, for a few seconds each.
bash scripts/fuzz.sh "${FUZZ_SECONDS:-5}"
