#include <cstring>

#include "mem/mem_internal.h"

namespace boundslib::mem {

// Out of line, like the copy classifier, so the fills' success path stays short.
int classify_memset_failure(void *dest, size_t destMax, int c, size_t count) {
    if (!dest_max_in_range(destMax, MAX_BUFFER_BYTES)) return ERANGE;
    if (dest == nullptr) return EINVAL;
    if (count > destMax) {
        std::memset(dest, c, destMax);
        return ERR_RANGE_CLEARED;
    }
    return 0;
}

}  // namespace boundslib::mem
