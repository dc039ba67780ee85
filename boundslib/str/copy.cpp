// strcpy_s, its failure classifier and wcscpy_s. The wide copy takes one straight path; the
// narrow one keeps its common case to one combined test, one bounded scan and an inline copy of
// short strings, and leaves every unusual case to the classifier.
#include <cstring>

#include "bounds_checked.h"
#include "str/string_core.h"
#include "support/ranges.h"
#include "support/short_moves.h"

namespace boundslib::str {
namespace {

// Every check of the copy up to the overlap test; on success `len` is the source's length.
template <typename Ch>
int check_copy(Ch *dest, std::size_t destMax, const Ch *src, std::size_t &len) {
    if (const int code = check_dest_and_source(dest, destMax, src); code != 0) return code;
    len = StringTraits<Ch>::bounded_length(src, destMax);
    // No terminator within destMax elements: the copy cannot fit.
    if (len == destMax) return clear_first(dest, ERR_RANGE_CLEARED);
    return 0;
}

template <typename Ch>
int copy_string(Ch *dest, std::size_t destMax, const Ch *src) {
    std::size_t len = 0;
    if (const int code = check_copy(dest, destMax, src, len); code != 0) return code;
    if (dest == src) return 0;
    const std::size_t size = len + 1;
    if (ranges_cross<Ch>(dest, src, size)) return clear_first(dest, ERR_OVERLAP_CLEARED);
    std::memcpy(dest, src, size * sizeof(Ch));
    return 0;
}

}  // namespace
}  // namespace boundslib::str

using namespace boundslib::str;

BOUNDS_API int classify_strcpy_failure(char *dest, size_t destMax, const char *src) {
    std::size_t len = 0;
    return check_copy(dest, destMax, src, len);
}

BOUNDS_API int strcpy_s(char *dest, size_t destMax, const char *src) {
    if (boundslib::support::dest_max_in_range(destMax, MAX_BUFFER_BYTES)) [[likely]] {
        if (dest != nullptr) [[likely]] {
            if (src != nullptr && dest != src) [[likely]] {
                // One bounded scan decides fit and overlap. memchr's answer carries the fit as
                // well as the length, so destMax need not be kept across the call; the C
                // library's scan beats any inline one here even for short strings.
                const void *end = std::memchr(src, 0, destMax);
                if (end == nullptr) [[unlikely]]
                    return clear_first(dest, ERR_RANGE_CLEARED);
                const std::size_t size = static_cast<const char *>(end) - src + 1;
                if (!boundslib::support::ranges_apart(dest, src, size)) [[unlikely]] {
                    return clear_first(dest, ERR_OVERLAP_CLEARED);
                }
                if (size <= boundslib::support::SHORT_COPY_MAX) {
                    boundslib::support::copy_short(dest, src, size);
                } else {
                    std::memcpy(dest, src, size);
                }
                return 0;
            }
        }
    }
    // dest == src, a null pointer or a destMax out of range.
    return classify_strcpy_failure(dest, destMax, src);
}

BOUNDS_API int wcscpy_s(wchar_t *dest, size_t destMax, const wchar_t *src) {
    return copy_string(dest, destMax, src);
}
