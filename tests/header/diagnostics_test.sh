#!/usr/bin/env bash
# diagnostics_test.sh INCLUDE_DIR THIS_DIR: the header's compile-time checks with gcc and clang.
# Correct calls compile warning-free under -Werror (as C and as C++); each wrong call draws the
# expected warning; BOUNDS_NO_FORMAT_CHECK silences the format check for the engine's modifiers.
set -euo pipefail
include=$1 here=$2
fail() {
  local message="$*"
  echo "FAIL: ${message:0:600}" >&2
  failures=$((failures + 1))
}
failures=0

# case|gcc's warning|clang's warning
cases=(
  "MEMCPY_DEST_TOO_SMALL|writing 16 bytes into a region of size 8 .*-Wstringop-overflow|destMax is larger than the destination"
  "OFFSET_DEST_TOO_SMALL|writing 5 bytes into a region of size 4 .*-Wstringop-overflow|destMax is larger than the destination"
  "STRCPY_DEST_TOO_SMALL|writing 9 bytes into a region of size 8 .*-Wstringop-overflow|destMax is larger than the destination"
  "WIDE_DEST_TOO_SMALL|writing 20 bytes into a region of size 16 .*-Wstringop-overflow|destMax is larger than the destination"
  "SPRINTF_DEST_TOO_SMALL|writing 9 bytes into a region of size 8 .*-Wstringop-overflow|destMax is larger than the destination"
  "STRING_GIVEN_INT|'%s' expects argument of type 'char \\*', but argument 4 has type 'int'|format specifies type 'char \\*' but the argument has type 'int'"
  "MISSING_ARGUMENT|'%d' expects a matching 'int' argument|more '%' conversions than data arguments"
  "TRUNCATED_WRONG_TYPE|'%f' expects argument of type 'double', but argument 4 has type 'int'|format specifies type 'double' but the argument has type 'int'"
  "V_FORM_BAD_FORMAT|unknown conversion type character 'y'|invalid conversion specifier 'y'"
  "ENGINE_MODIFIER|'%d' expects argument of type 'int', but argument 4 has type 'long long int'|length modifier 'I64'"
)

for cc in gcc clang; do
  command -v $cc >/dev/null || { fail "$cc is not installed"; continue; }
  cxx=${cc/gcc/g++}
  cxx=${cxx/clang/clang++}
  for opt in -O0 -O2; do
    flags=(-std=c11 -Wall -Wextra -Wshadow -Wpedantic "$opt" -I"$include" -c -o /dev/null)
    out=$($cc "${flags[@]}" -Werror "$here/correct.c" 2>&1) || fail "$cc $opt correct.c: $out"
    out=$($cxx -x c++ "${flags[@]/-std=c11/-std=c++20}" -Werror "$here/correct.c" 2>&1) ||
      fail "$cxx $opt correct.c as C++: $out"
    for row in "${cases[@]}"; do
      IFS='|' read -r name gcc_expect clang_expect <<<"$row"
      expect=$gcc_expect
      [ $cc = clang ] && expect=$clang_expect
      # gcc quotes with typographic marks unless the locale is plain C.
      out=$(LC_ALL=C $cc "${flags[@]}" -DCASE_"$name" "$here/wrong.c" 2>&1) || true
      grep -qE -- "$expect" <<<"$out" || fail "$cc $opt $name: expected /$expect/, got: $out"
    done
    out=$($cc "${flags[@]}" -Werror -DBOUNDS_NO_FORMAT_CHECK -DCASE_ENGINE_MODIFIER "$here/wrong.c" 2>&1) ||
      fail "$cc $opt: BOUNDS_NO_FORMAT_CHECK leaves a warning: $out"
  done
done
[ $failures -eq 0 ] || { echo "$failures failures" >&2; exit 1; }
echo "header diagnostics: ${#cases[@]} wrong cases and the correct calls, gcc and clang, -O0 and -O2"
