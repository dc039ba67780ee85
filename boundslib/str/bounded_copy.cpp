// strncpy_s, its failure classifier and wcsncpy_s: one algorithm for both widths. A source longer
// than `count` is cut with success; a result that does not fit into destMax is an error.
#include <cstring>

#include "bounds_checked.h"
#include "str/string_core.h"

namespace boundslib::str {
namespace {

// Every check up to the overlap test; on success `len` is the number of elements to copy.
template <typename Ch>
int check_bounded_copy(Ch *dest, std::size_t destMax, const Ch *src, std::size_t count,
                       std::size_t &len) {
    if (const int code = check_dest_and_source(dest, destMax, src); code != 0) return code;
    if (count > StringTraits<Ch>::MAX_ELEMENTS) return clear_first(dest, ERR_RANGE_CLEARED);
    if (count == 0) {
        len = 0;
        return clear_first(dest, 0);
    }
    if (count < destMax) {
        len = StringTraits<Ch>::bounded_length(src, count);  // at most count, so it fits
        return 0;
    }
    len = StringTraits<Ch>::bounded_length(src, destMax);
    if (len == destMax) return clear_first(dest, ERR_RANGE_CLEARED);
    return 0;
}

template <typename Ch>
int bounded_copy(Ch *dest, std::size_t destMax, const Ch *src, std::size_t count) {
    std::size_t len = 0;
    if (const int code = check_bounded_copy(dest, destMax, src, count, len); code != 0) {
        return code;
    }
    // A copy onto itself moves nothing; whether the terminator is still placed differs by width.
    if (dest == src) {
        if constexpr (StringTraits<Ch>::SELF_COPY_ENDS_STRING) dest[len] = Ch(0);
        return 0;
    }
    // The copy writes len elements and the terminator after them.
    if (ranges_cross<Ch>(dest, src, len + 1)) return clear_first(dest, ERR_OVERLAP_CLEARED);
    std::memcpy(dest, src, len * sizeof(Ch));
    dest[len] = Ch(0);
    return 0;
}

}  // namespace
}  // namespace boundslib::str

using namespace boundslib::str;

BOUNDS_API int classify_strncpy_failure(char *dest, size_t destMax, const char *src, size_t count) {
    std::size_t len = 0;
    return check_bounded_copy(dest, destMax, src, count, len);
}

BOUNDS_API int strncpy_s(char *dest, size_t destMax, const char *src, size_t count) {
    return bounded_copy(dest, destMax, src, count);
}

BOUNDS_API int wcsncpy_s(wchar_t *dest, size_t destMax, const wchar_t *src, size_t count) {
    return bounded_copy(dest, destMax, src, count);
}
