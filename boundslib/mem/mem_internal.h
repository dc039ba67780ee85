// Shared internals of the memory functions: the range and overlap tests, the slow paths and the
// fill that the compiler may not drop.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>

#include "bounds_checked.h"
#include "support/dest_max.h"

namespace boundslib::mem {

// The slow path of the three copy functions: runs the checks in their documented order and clears
// the destination where that order says so. Returns 0, writing nothing, when the copy would be
// empty or from a region onto itself.
int classify_memcpy_failure(void *dest, size_t destMax, const void *src, size_t count);

using MemsetFn = void *(*)(void *, int, size_t);

// memset read through a volatile object, so a fill of a buffer that is never read again is still
// done (callers clear secrets with it).
extern const volatile MemsetFn KEPT_MEMSET;

inline void kept_fill(void *dest, int c, size_t count) {
    KEPT_MEMSET(dest, c, count);
}

using support::dest_max_in_range;

// True when [dest, dest + count) and [src, src + count) share a byte; equal starts do not count,
// a copy onto itself is harmless.
inline bool ranges_overlap(const void *dest, const void *src, size_t count) {
    const auto d = reinterpret_cast<uintptr_t>(dest);
    const auto s = reinterpret_cast<uintptr_t>(src);
    return (d > s && d - s < count) || (d < s && s - d < count);
}

// The checks the copy and the move share, in their order: 0 when the call may go on, otherwise
// the failure's code, with the destination cleared where the code says so.
inline int check_copy_args(void *dest, size_t destMax, const void *src, size_t count) {
    if (!dest_max_in_range(destMax, MAX_BUFFER_BYTES)) return ERANGE;
    if (dest == nullptr) return EINVAL;
    if (src == nullptr || count > destMax) {
        std::memset(dest, 0, destMax);
        return src == nullptr ? ERR_INVALID_CLEARED : ERR_RANGE_CLEARED;
    }
    return 0;
}

// The whole success test of the copies, apart from the limit on destMax.
// Distances, not sums, so that a count reaching past the end of the address space cannot wrap
// into a false "apart".
inline bool copy_args_usable(const void *dest, size_t destMax, const void *src, size_t count) {
    const auto d = reinterpret_cast<uintptr_t>(dest);
    const auto s = reinterpret_cast<uintptr_t>(src);
    return dest != nullptr && src != nullptr && count - 1 < destMax &&
           ((d > s && d - s >= count) || (d < s && s - d >= count));
}

// The slow path of the fills: same order of checks as the copies; the range failure fills the
// whole destination with the fill value.
int classify_memset_failure(void *dest, size_t destMax, int c, size_t count);

}  // namespace boundslib::mem
