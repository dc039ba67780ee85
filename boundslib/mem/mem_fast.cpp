#include <cstring>

#include "mem/mem_internal.h"
#include "support/short_moves.h"

using namespace boundslib::mem;
using boundslib::support::fill_short;
using boundslib::support::SHORT_FILL_MAX;

namespace {

inline int fill_fast(void *dest, size_t destMax, int c, size_t count, size_t limit) {
    if (dest != nullptr && destMax <= limit && count <= destMax) [[likely]] {
        if (count <= SHORT_FILL_MAX) {
            fill_short(dest, c, count);
        } else {
            kept_fill(dest, c, count);
        }
        return 0;
    }
    return classify_memset_failure(dest, destMax, c, count);
}

constexpr size_t NO_LIMIT = SIZE_MAX;

}  // namespace

BOUNDS_API int memcpy_s_fast(void *dest, size_t destMax, const void *src, size_t count) {
    return checked_copy(dest, destMax, src, count, MAX_BUFFER_BYTES);
}

BOUNDS_API int memcpy_s_fast_nolimit(void *dest, size_t destMax, const void *src, size_t count) {
    return checked_copy(dest, destMax, src, count, NO_LIMIT);
}

BOUNDS_API int memset_s_fast(void *dest, size_t destMax, int c, size_t count) {
    return fill_fast(dest, destMax, c, count, MAX_BUFFER_BYTES);
}

BOUNDS_API int memset_s_fast_nolimit(void *dest, size_t destMax, int c, size_t count) {
    return fill_fast(dest, destMax, c, count, NO_LIMIT);
}
