#include <cstring>

#include "mem/mem_internal.h"

using namespace boundslib::mem;

// Overlapping ranges are allowed here, so there is no overlap check and no separate fast path.
BOUNDS_API int memmove_s(void *dest, size_t destMax, const void *src, size_t count) {
    if (const int code = check_copy_args(dest, destMax, src, count); code != 0) return code;
    if (count > 0 && dest != src) std::memmove(dest, src, count);
    return 0;
}
