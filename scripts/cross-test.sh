#!/usr/bin/env bash
# cross-test.sh [--sanitize] [BUILD_DIR]
# Builds the project for the board (aarch64) with Debian's cross compiler and runs its tests under
# qemu's user-mode emulation. GoogleTest is built for the target from the source that libgtest-dev
# ships. Tests that need a bus daemon, capabilities or preloading into the emulated programs are
# left out of the cross build (see tests/CMakeLists.txt). --sanitize builds with AddressSanitizer
# and UndefinedBehaviorSanitizer (default folder build-cross-sanitize).
set -euo pipefail
cd "$(dirname "$0")/.."
sanitize=0
if [ "${1:-}" = --sanitize ]; then
  sanitize=1
  shift
fi
build=${1:-build-cross}
[ $sanitize = 1 ] && build=${1:-build-cross-sanitize}
jobs=${CROSS_JOBS:-$(nproc)}
toolchain=$PWD/cmake/aarch64-linux-gnu.cmake

install_packages() {
  local packages=(
    build-essential cmake pkg-config libgtest-dev
    g++-aarch64-linux-gnu qemu-user
    libsystemd-dev:arm64 libsodium-dev:arm64
  )
  local missing=() p
  for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
  done
  [ ${#missing[@]} -eq 0 ] && return 0
  local sudo=""
  [ "$(id -u)" -eq 0 ] || sudo="sudo"
  echo "installing: ${missing[*]}"
  if ! dpkg --print-foreign-architectures | grep -qx arm64; then
    $sudo dpkg --add-architecture arm64
  fi
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
}

# GoogleTest for the target, installed into the build folder; rebuilt only when missing.
build_googletest() {
  local prefix=$1
  [ -f "$prefix/lib/cmake/GTest/GTestConfig.cmake" ] && return 0
  cmake -S /usr/src/googletest -B "$build/googletest" -DCMAKE_TOOLCHAIN_FILE="$toolchain" \
    -DCMAKE_BUILD_TYPE=Release -DBUILD_GMOCK=OFF -DINSTALL_GTEST=ON \
    -DCMAKE_INSTALL_PREFIX="$prefix" -DCMAKE_INSTALL_LIBDIR=lib >/dev/null
  cmake --build "$build/googletest" -j"$jobs"
  cmake --install "$build/googletest" >/dev/null
}

install_packages
mkdir -p "$build"
gtest_prefix=$(realpath "$build")/googletest-install
build_googletest "$gtest_prefix"

variant=(-DCMAKE_BUILD_TYPE=RelWithDebInfo)
if [ $sanitize = 1 ]; then
  variant=(-DCMAKE_BUILD_TYPE=Debug -DQUELLARION_SANITIZE=ON)
  # LeakSanitizer cannot stop the emulated threads and aborts every program at exit; the test
  # listing at build time runs emulated too, so this holds for the build as well.
  export ASAN_OPTIONS=detect_leaks=0 UBSAN_OPTIONS=print_stacktrace=1
fi
cmake -S . -B "$build" -DCMAKE_TOOLCHAIN_FILE="$toolchain" -DCMAKE_PREFIX_PATH="$gtest_prefix" \
  "${variant[@]}" -DQUELLARION_WERROR=ON >/dev/null
cmake --build "$build" -j"$jobs"
ctest --test-dir "$build" --output-on-failure -j"$jobs" --timeout 600
