#include <cstring>

#include "mem/mem_internal.h"

using namespace boundslib::mem;

BOUNDS_API int memcpy_s(void *dest, size_t destMax, const void *src, size_t count) {
    // The success path is this one test and the copy; everything else is classified out of line.
    if (copy_args_usable(dest, destMax, src, count) && destMax <= MAX_BUFFER_BYTES) [[likely]] {
        std::memcpy(dest, src, count);
        return 0;
    }
    return classify_memcpy_failure(dest, destMax, src, count);
}
