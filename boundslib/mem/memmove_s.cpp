#include <cstring>

#include "mem/mem_internal.h"

using namespace bounds::mem;

// Overlapping ranges are allowed here, so there is no overlap check and no separate fast path.
extern "C" BOUNDS_API int memmove_s(void *dest, size_t destMax, const void *src, size_t count) {
    if (!dest_max_in_range(destMax, MAX_BUFFER_BYTES)) return ERANGE;
    if (dest == nullptr) return EINVAL;
    if (src == nullptr) {
        std::memset(dest, 0, destMax);
        return ERR_INVALID_CLEARED;
    }
    if (count > destMax) {
        std::memset(dest, 0, destMax);
        return ERR_RANGE_CLEARED;
    }
    if (count > 0 && dest != src) std::memmove(dest, src, count);
    return 0;
}
