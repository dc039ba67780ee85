// strcat_s, strncat_s, wcscat_s and wcsncat_s: one algorithm for both widths. They test overlap
// before fit, and an unterminated destination is reported as an invalid argument.
#include <cstdint>
#include <cstring>

#include "bounds_checked.h"
#include "str/string_core.h"

namespace boundslib::str {
namespace {

// Appends the srcLen elements at src to the destLen-element string at dest, or classifies why not.
template <typename Ch>
int append(Ch *dest, std::size_t destMax, std::size_t destLen, const Ch *src, std::size_t srcLen) {
    const bool unterminated = destLen == destMax;
    // The write covers dest[destLen .. destLen + srcLen]; the read covers src[0 .. srcLen].
    if (starts_inside<Ch>(dest, src, destLen + srcLen + 1) ||
        starts_inside<Ch>(src, dest, srcLen + 1)) {
        const bool srcPastString = reinterpret_cast<std::uintptr_t>(src) >=
                                   reinterpret_cast<std::uintptr_t>(dest + destLen);
        return clear_first(
            dest, unterminated && srcPastString ? ERR_INVALID_CLEARED : ERR_OVERLAP_CLEARED);
    }
    if (dest != src && destLen + srcLen < destMax) {
        std::memcpy(dest + destLen, src, srcLen * sizeof(Ch));
        dest[destLen + srcLen] = Ch(0);
        return 0;
    }
    // Also the outcome of appending a string to itself.
    return clear_first(dest, unterminated ? ERR_INVALID_CLEARED : ERR_RANGE_CLEARED);
}

template <typename Ch>
int concat(Ch *dest, std::size_t destMax, const Ch *src) {
    if (const int code = check_dest_and_source(dest, destMax, src); code != 0) return code;
    const std::size_t destLen = StringTraits<Ch>::bounded_length(dest, destMax);
    // The source is counted only within the room that is left.
    const std::size_t srcLen = StringTraits<Ch>::room_length(src, destMax - destLen);
    return append(dest, destMax, destLen, src, srcLen);
}

template <typename Ch>
int bounded_concat(Ch *dest, std::size_t destMax, const Ch *src, std::size_t count) {
    if (const int code = check_dest_and_source(dest, destMax, src); code != 0) return code;
    if (count > StringTraits<Ch>::MAX_ELEMENTS) return clear_first(dest, ERR_RANGE_CLEARED);
    const std::size_t destLen = StringTraits<Ch>::bounded_length(dest, destMax);
    // Counted within `count`, not within the room: a longer piece is a range failure.
    const std::size_t srcLen = StringTraits<Ch>::bounded_length(src, count);
    return append(dest, destMax, destLen, src, srcLen);
}

}  // namespace
}  // namespace boundslib::str

using namespace boundslib::str;

BOUNDS_API int strcat_s(char *dest, size_t destMax, const char *src) {
    return concat(dest, destMax, src);
}

BOUNDS_API int strncat_s(char *dest, size_t destMax, const char *src, size_t count) {
    return bounded_concat(dest, destMax, src, count);
}

BOUNDS_API int wcscat_s(wchar_t *dest, size_t destMax, const wchar_t *src) {
    return concat(dest, destMax, src);
}

BOUNDS_API int wcsncat_s(wchar_t *dest, size_t destMax, const wchar_t *src, size_t count) {
    return bounded_concat(dest, destMax, src, count);
}
