#!/usr/bin/env bash
# package-test.sh: builds the Debian packages and checks them from outside: each holds exactly
# its files, a C program builds and runs against the unpacked -dev package (pkg-config and the
# CMake package), and the arm64 packages carry their architecture and an AArch64 daemon.
# QUELLARION_SKIP_ARM64_PACKAGES=1 leaves the arm64 build out.
set -euo pipefail
cd "$(dirname "$0")/.."
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0
fail() {
  echo "FAIL: $*" >&2
  failures=$((failures + 1))
}

# expected_files PACKAGE TRIPLET: the files and links the package must hold, nothing else
# (the changelog and copyright every package carries are added by the caller).
expected_files() {
  local lib=usr/lib/$2
  case $1 in
    quellarion)
      printf '%s\n' usr/sbin/quellarion lib/systemd/system/quellarion.service \
        usr/share/dbus-1/system.d/com.vorlix.quellarion.conf \
        usr/share/dbus-1/system-services/com.vorlix.quellarion.service \
        usr/share/man/man8/quellarion.8.gz ;;
    libboundslib1) printf '%s\n' "$lib/libboundslib.so.1" "$lib/libboundslib.so.1.0.0" ;;
    libboundslib-dev)
      printf '%s\n' usr/include/bounds_checked.h "$lib/libboundslib.so" "$lib/libboundslib.a" \
        "$lib/pkgconfig/boundslib.pc" "$lib/cmake/boundslib/boundslibConfig.cmake" \
        "$lib/cmake/boundslib/boundslibConfigVersion.cmake" \
        "$lib/cmake/boundslib/boundslibTargets.cmake" \
        "$lib/cmake/boundslib/boundslibTargets-none.cmake" ;;
  esac
}

check_contents() {
  local arch=$1 triplet=$2 package deb
  for package in quellarion libboundslib1 libboundslib-dev; do
    deb=dist/${package}_1.0.0_$arch.deb
    [ -f "$deb" ] || { fail "$deb was not built"; continue; }
    [ "$(dpkg-deb -f "$deb" Architecture)" = "$arch" ] || fail "$deb: architecture is not $arch"
    local held expected
    held=$(dpkg-deb -c "$deb" | awk '$1 !~ /^d/ {print $6}' | sed 's|^\./||' | sort)
    expected=$({
      expected_files "$package" "$triplet"
      printf '%s\n' "usr/share/doc/$package/changelog.gz" "usr/share/doc/$package/copyright"
    } | sort)
    [ "$held" = "$expected" ] ||
      fail "$deb holds other files than expected: $(diff <(echo "$expected") <(echo "$held") | grep '^[<>]' | tr '\n' ' ')"
  done
}

scripts/package.sh amd64
check_contents amd64 x86_64-linux-gnu

# A user's C program against the unpacked library and -dev packages, found through pkg-config
# and through the CMake package.
root=$work/root
for package in libboundslib1 libboundslib-dev; do
  dpkg-deb -x dist/${package}_1.0.0_amd64.deb "$root"
done
libdir=$root/usr/lib/x86_64-linux-gnu
consumer=tests/install/consumer
# shellcheck disable=SC2046
gcc -std=c11 -Wall -Wextra -Wpedantic -Werror $(PKG_CONFIG_PATH=$libdir/pkgconfig pkg-config --cflags boundslib) \
  $consumer/consumer.c $(PKG_CONFIG_PATH=$libdir/pkgconfig pkg-config --libs boundslib) -o "$work/consumer" ||
  fail "building the consumer through pkg-config"
if [ -x "$work/consumer" ]; then
  loaded=$(LD_LIBRARY_PATH=$libdir ldd "$work/consumer")
  grep -q "$libdir/libboundslib.so.1" <<<"$loaded" || fail "the consumer does not load the unpacked library"
  LD_LIBRARY_PATH=$libdir "$work/consumer" || fail "the consumer built through pkg-config"
fi
if cmake -S $consumer -B "$work/cmake" -DCMAKE_PREFIX_PATH="$root/usr" >/dev/null &&
  cmake --build "$work/cmake" >/dev/null; then
  LD_LIBRARY_PATH=$libdir "$work/cmake/consumer_shared" && "$work/cmake/consumer_static" ||
    fail "the consumers built through the CMake package"
else
  fail "building the consumers through the CMake package"
fi

if [ "${QUELLARION_SKIP_ARM64_PACKAGES:-0}" != 1 ]; then
  scripts/package.sh arm64
  check_contents arm64 aarch64-linux-gnu
  dpkg-deb -x dist/quellarion_1.0.0_arm64.deb "$work/arm64"
  readelf -h "$work/arm64/usr/sbin/quellarion" | grep -qE 'Machine: +AArch64' ||
    fail "the arm64 daemon is not an AArch64 program"
fi

[ $failures -eq 0 ] || { echo "package test: $failures failures" >&2; exit 1; }
echo "package test passed"
