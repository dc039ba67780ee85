#include "mem/mem_internal.h"

using namespace boundslib::mem;

BOUNDS_API int memcpy_s(void *dest, size_t destMax, const void *src, size_t count) {
    return checked_copy(dest, destMax, src, count, MAX_BUFFER_BYTES);
}
