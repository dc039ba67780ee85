#!/usr/bin/env bash
# install_test.sh BUILD_DIR THIS_DIR [CONSUMER_FLAGS]
# Installs BUILD_DIR into a temporary prefix, then proves the installed library from outside:
# a C program built with gcc through pkg-config, the CMake package, and the exported symbols.
set -euo pipefail
build=$1 here=$2 flags=${3:-}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

# DESTDIR keeps files with absolute destinations (other parts of the project may have some) out
# of the real system; the package and the .pc file must work from wherever they end up.
DESTDIR=$work/root cmake --install "$build" --prefix /opt/boundslib >/dev/null
prefix=$work/root/opt/boundslib
header=$prefix/include/bounds_checked.h
[ -f "$header" ] || fail "no installed header"
pc=$(find "$prefix" -name boundslib.pc)
[ -n "$pc" ] || fail "no boundslib.pc"
libdir=$(dirname "$(dirname "$pc")")
for f in libboundslib.so libboundslib.a cmake/boundslib/boundslibConfig.cmake; do
  [ -e "$libdir/$f" ] || fail "missing $libdir/$f"
done

# pkg-config: compile as C (no C++ compiler involved) and run against the installed library.
export PKG_CONFIG_PATH=$libdir/pkgconfig
cflags=$(pkg-config --cflags boundslib) || fail "pkg-config --cflags"
libs=$(pkg-config --libs boundslib) || fail "pkg-config --libs"
incdir=$(pkg-config --variable=includedir boundslib)
[ "$(realpath "$incdir")" = "$(realpath "$prefix/include")" ] || fail "includedir is $incdir"
[ "$(realpath "$(pkg-config --variable=libdir boundslib)")" = "$(realpath "$libdir")" ] \
  || fail "libdir is not $libdir"
# shellcheck disable=SC2086
gcc -x c -std=c11 -Wall -Wextra -Wpedantic -Werror $flags $cflags "$here/consumer/consumer.c" \
  $libs -o "$work/consumer_pc" || fail "C build through pkg-config"
# (Whole outputs go to grep: grep -q may stop reading early, which pipefail counts as a failure.)
loaded=$(LD_LIBRARY_PATH=$libdir ldd "$work/consumer_pc")
grep -q "$libdir/libboundslib.so" <<<"$loaded" || fail "consumer does not load the installed library"
LD_LIBRARY_PATH=$libdir "$work/consumer_pc" || fail "consumer built through pkg-config"

# The CMake package, shared and static.
cmake -S "$here/consumer" -B "$work/consumer" -DCMAKE_PREFIX_PATH="$prefix" \
  -DCMAKE_C_FLAGS="$flags" -DCMAKE_CXX_FLAGS="$flags" >/dev/null || fail "find_package"
cmake --build "$work/consumer" >/dev/null || fail "building against the CMake package"
"$work/consumer/consumer_shared" || fail "consumer_shared"
"$work/consumer/consumer_static" || fail "consumer_static"

# Exports: exactly functions the header declares public, and none of the internal helpers.
declared=$(grep -v '^#' "$header" | grep -oE 'BOUNDS_API[^(]*\(' | grep -oE '[A-Za-z_0-9]+ *\($' | tr -d ' (' |
  sort -u)
exported=$(nm -D --defined-only "$libdir/libboundslib.so" | awk '{print $3}' | sort -u)
undeclared=$(comm -13 <(echo "$declared") <(echo "$exported"))
[ -z "$undeclared" ] || fail "exported but not declared public: $(echo $undeclared)"
for name in memcpy_s memmove_s memset_s wmemcpy_s wmemmove_s memcpy_s_fast \
  memcpy_s_fast_nolimit memset_s_fast memset_s_fast_nolimit; do
  grep -qx "$name" <<<"$exported" || fail "$name is not exported"
done
archive=$(nm "$libdir/libboundslib.a")
grep -q ' T classify_memcpy_failure$' <<<"$archive" || fail "the static library lacks classify_memcpy_failure"
if grep -qx classify_memcpy_failure <<<"$exported"; then
  fail "classify_memcpy_failure is exported"
fi
echo "install test passed: $(wc -l <<<"$exported") exported functions"
