#!/usr/bin/env bash
# Builds everything and runs every test: once as a normal optimised build with warnings as
# errors, once under AddressSanitizer and UndefinedBehaviorSanitizer, and the library and unit
# tests once more built for the board (aarch64) and run under qemu; then the Debian packages are
# built and checked, and installed into a Debian 12 booted under systemd.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh

jobs=$(nproc)
run_suite() {
  local dir=$1; shift
  cmake -S . -B "$dir" -DQUELLARION_WERROR=ON "$@" >/dev/null
  cmake --build "$dir" -j"$jobs"
  ctest --test-dir "$dir" --output-on-failure -j"$jobs" --timeout 600
}

run_suite build -DCMAKE_BUILD_TYPE=RelWithDebInfo
if [ "${QUELLARION_SKIP_SANITIZERS:-0}" != 1 ]; then
  ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 \
    run_suite build-sanitize -DCMAKE_BUILD_TYPE=Debug -DQUELLARION_SANITIZE=ON
fi
if [ "${QUELLARION_SKIP_CROSS:-0}" != 1 ]; then
  scripts/cross-test.sh
fi
scripts/package-test.sh
scripts/system-test.sh
