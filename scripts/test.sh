#!/usr/bin/env bash
# Builds everything and runs every test: once as a normal optimised build with warnings as
# errors, once under AddressSanitizer and UndefinedBehaviorSanitizer, the service's end-to-end
# tests once more with the daemon under valgrind, each fuzzer briefly on its corpus, and the
# library and unit tests built for the board (aarch64) and run under qemu, followed by the
# service's end-to-end tests driving the board's daemon under qemu, and the board's pass once
# more under ASan and UBSan; then the Debian packages are built and checked, and installed into a
# Debian 12 booted under systemd. Prints each step's time.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh

jobs=$(nproc)
# The end-to-end tests of the service, by their test names.
e2e_tests='^(Service|Signing|Activation|FaultsUnderLoad)\.'
qemu_launcher="qemu-aarch64 -L /usr/aarch64-linux-gnu -E LD_LIBRARY_PATH=/usr/aarch64-linux-gnu/lib"

step() {
  local name=$1 start=$SECONDS
  shift
  echo "=== $name"
  "$@"
  echo "=== $name: $((SECONDS - start)) s"
}

run_suite() {
  local dir=$1; shift
  cmake -S . -B "$dir" -DQUELLARION_WERROR=ON "$@" >/dev/null
  cmake --build "$dir" -j"$jobs"
  ctest --test-dir "$dir" --output-on-failure -j"$jobs" --timeout 600
}

# The daemon (and every program of the build that the tests start) under valgrind. A daemon that
# a test kills writes no summary; every summary written must show no error and no definite leak.
valgrind_e2e() {
  local logs
  logs=$(mktemp -d)
  QUELLARION_TEST_LAUNCHER="valgrind --leak-check=full --errors-for-leak-kinds=definite \
--error-exitcode=1 --log-file=$logs/valgrind.%p.log" \
    ctest --test-dir build --output-on-failure -j"$jobs" --timeout 600 -R "$e2e_tests"
  local summaries bad
  summaries=$(cat "$logs"/valgrind.*.log | grep -c 'ERROR SUMMARY' || true)
  bad=$(grep -lE 'ERROR SUMMARY: [1-9]|definitely lost: [1-9]' "$logs"/valgrind.*.log || true)
  echo "valgrind: $summaries summaries, $(ls "$logs" | wc -l) programs"
  grep -hE 'ERROR SUMMARY|definitely lost|All heap blocks were freed' "$logs"/valgrind.*.log |
    sed 's/^==[0-9]*== //' | sort | uniq -c
  if [ -n "$bad" ]; then
    cat $bad
    rm -rf "$logs"
    return 1
  fi
  rm -rf "$logs"
}

# Each harness for a short while on its seed corpus; new inputs go to a scratch folder.
fuzz_briefly() {
  cmake -S . -B build-fuzz -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
    -DQUELLARION_FUZZ=ON -DQUELLARION_TESTS=OFF -DQUELLARION_WERROR=ON >/dev/null
  cmake --build build-fuzz -j"$jobs" --target fuzzers
  local fuzzer name scratch status dict
  for fuzzer in build-fuzz/fuzz/*_fuzz; do
    name=$(basename "$fuzzer")
    scratch=$(mktemp -d)
    status=0
    echo "--- $name"
    dict=fuzz/$name.dict
    [ -f "$dict" ] || dict=fuzz/format.dict
    ASAN_OPTIONS=quarantine_size_mb=32 "$fuzzer" -max_total_time="${FUZZ_SECONDS:-30}" \
      -rss_limit_mb=4096 -dict="$dict" -close_fd_mask=3 -print_final_stats=1 \
      "$scratch" "fuzz/corpus/$name" >"$scratch.log" 2>&1 || status=$?
    if [ $status = 0 ]; then
      grep -E '^(stat::number_of_executed_units|stat::average_exec_per_sec|Done)' "$scratch.log"
    else
      tail -60 "$scratch.log"
    fi
    rm -rf "$scratch" "$scratch.log"
    [ $status = 0 ] || return 1
  done
}

# The service's end-to-end tests of the native build, starting the board's programs under qemu.
emulated_e2e() {
  QUELLARION_TEST_TARGET_BUILD=$PWD/$1 QUELLARION_TEST_LAUNCHER="$qemu_launcher" \
    ctest --test-dir build --output-on-failure -j"$jobs" --timeout 600 -R "$e2e_tests"
}

step native run_suite build -DCMAKE_BUILD_TYPE=RelWithDebInfo
if [ "${QUELLARION_SKIP_SANITIZERS:-0}" != 1 ]; then
  ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 \
    step sanitizers run_suite build-sanitize -DCMAKE_BUILD_TYPE=Debug -DQUELLARION_SANITIZE=ON
fi
step valgrind valgrind_e2e
if [ "${QUELLARION_SKIP_FUZZ:-0}" != 1 ]; then
  step fuzz fuzz_briefly
fi
if [ "${QUELLARION_SKIP_CROSS:-0}" != 1 ]; then
  step cross scripts/cross-test.sh
  step cross-e2e emulated_e2e build-cross
  # The board's build under ASan and UBSan, its unit tests and the end-to-end tests against its
  # daemon (LeakSanitizer cannot run under qemu): two to three minutes on a quiet machine.
  if [ "${QUELLARION_SKIP_CROSS_SANITIZERS:-0}" != 1 ]; then
    step cross-sanitizers scripts/cross-test.sh --sanitize
    ASAN_OPTIONS=detect_leaks=0 UBSAN_OPTIONS=print_stacktrace=1 \
      step cross-sanitizers-e2e emulated_e2e build-cross-sanitize
  fi
fi
step package scripts/package-test.sh
step system scripts/system-test.sh
