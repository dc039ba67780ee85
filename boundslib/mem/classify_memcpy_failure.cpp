#include <cstring>

#include "mem/mem_internal.h"

using namespace bounds::mem;

extern "C" int classify_memcpy_failure(void *dest, size_t destMax, const void *src, size_t count) {
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
    if (ranges_overlap(dest, src, count)) {
        std::memset(dest, 0, destMax);
        return ERR_OVERLAP_CLEARED;
    }
    return 0;
}
