#include <cstring>

#include "mem/mem_internal.h"

using namespace boundslib::mem;

namespace {

using ByteCopyFn = int (*)(void *, size_t, const void *, size_t);

// The wide copies are their byte function over 4-byte elements. Only the count test comes first,
// so that an over-long count with a null dest is a range fault (ERANGE), not EINVAL.
template <ByteCopyFn byteCopy>
int wide_copy(wchar_t *dest, size_t destMax, const wchar_t *src, size_t count) {
    if (!dest_max_in_range(destMax, MAX_BUFFER_WCHARS)) return ERANGE;
    if (count > destMax) {
        if (dest == nullptr) return ERANGE;
        std::memset(dest, 0, destMax * sizeof(wchar_t));
        return ERR_RANGE_CLEARED;
    }
    // count <= destMax <= MAX_BUFFER_WCHARS, so both byte sizes stay within MAX_BUFFER_BYTES.
    return byteCopy(dest, destMax * sizeof(wchar_t), src, count * sizeof(wchar_t));
}

static_assert(sizeof(wchar_t) * MAX_BUFFER_WCHARS <= MAX_BUFFER_BYTES);

}  // namespace

BOUNDS_API int wmemcpy_s(wchar_t *dest, size_t destMax, const wchar_t *src, size_t count) {
    return wide_copy<memcpy_s>(dest, destMax, src, count);
}

BOUNDS_API int wmemmove_s(wchar_t *dest, size_t destMax, const wchar_t *src, size_t count) {
    return wide_copy<memmove_s>(dest, destMax, src, count);
}
