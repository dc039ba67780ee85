#!/usr/bin/env bash
# install_test.sh BUILD_DIR THIS_DIR [CONSUMER_FLAGS]: installs BUILD_DIR into a temporary prefix
# and proves it from outside: a C program through pkg-config and the CMake package, and exports.
set -euo pipefail
build=$1 here=$2 flags=${3:-}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

# DESTDIR keeps files with absolute destinations out of the real system; the package and the
# .pc file must work from wherever they end up.
DESTDIR=$work/root cmake --install "$build" --prefix /opt/boundslib >/dev/null
prefix=$work/root/opt/boundslib
pc=$(find "$prefix" -name boundslib.pc)
libdir=$(dirname "$(dirname "$pc")")
export PKG_CONFIG_PATH=$libdir/pkgconfig
# shellcheck disable=SC2046,SC2086
gcc -x c -std=c11 -Wall -Wextra -Wpedantic -Werror $flags $(pkg-config --cflags boundslib) \
  "$here/consumer/consumer.c" $(pkg-config --libs boundslib) -o "$work/consumer_pc" ||
  fail "C build through pkg-config"
# (Whole outputs go to grep: grep -q may stop reading early, which pipefail counts as a failure.)
loaded=$(LD_LIBRARY_PATH=$libdir ldd "$work/consumer_pc")
grep -q "$libdir/libboundslib.so" <<<"$loaded" || fail "consumer does not load the installed library"
LD_LIBRARY_PATH=$libdir "$work/consumer_pc" || fail "consumer built through pkg-config"
# A C program linked with the static library gets the rest of what it needs from --static.
static_libs=$(pkg-config --static --libs boundslib)
# shellcheck disable=SC2086
gcc -x c -std=c11 -Wall -Wextra -Wpedantic -Werror $flags $(pkg-config --cflags boundslib) \
  "$here/consumer/consumer.c" ${static_libs/-lboundslib/-l:libboundslib.a} -o "$work/consumer_static_pc" ||
  fail "C build against the static library through pkg-config"
"$work/consumer_static_pc" || fail "consumer linked statically through pkg-config"

cmake -S "$here/consumer" -B "$work/consumer" -DCMAKE_PREFIX_PATH="$prefix" \
  -DCMAKE_C_FLAGS="$flags" -DCMAKE_CXX_FLAGS="$flags" >/dev/null || fail "find_package"
cmake --build "$work/consumer" >/dev/null || fail "building against the CMake package"
{ "$work/consumer/consumer_shared" && "$work/consumer/consumer_static"; } || fail "package consumers"

# Exports: only functions the header declares public (the internal helpers stay hidden).
declared=$(grep -oE 'BOUNDS_API[^(]*\(' "$prefix/include/bounds_checked.h" | grep -oE '[A-Za-z_0-9]+ *\($' |
  tr -d ' (' | sort -u)
exported=$(nm -D --defined-only "$libdir/libboundslib.so" | awk '{print $3}' | sort -u)
undeclared=$(comm -13 <(echo "$declared") <(echo "$exported"))
[ -z "$undeclared" ] || fail "exported but not declared public: ${undeclared//$'\n'/ }"
echo "install test passed: $(wc -l <<<"$exported") exported functions"
