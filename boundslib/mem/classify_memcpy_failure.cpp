#include <cstring>

#include "mem/mem_internal.h"

namespace boundslib::mem {

int classify_memcpy_failure(void *dest, size_t destMax, const void *src, size_t count) {
    if (const int code = check_copy_args(dest, destMax, src, count); code != 0) return code;
    if (ranges_overlap(dest, src, count)) {
        std::memset(dest, 0, destMax);
        return ERR_OVERLAP_CLEARED;
    }
    return 0;
}

}  // namespace boundslib::mem
