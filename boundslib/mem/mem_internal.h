// Shared internals of the memory functions: the range and overlap tests, the slow paths and the
// fill that the compiler may not drop.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>

#include "bounds_checked.h"
#include "support/dest_max.h"
#include "support/ranges.h"
#include "support/short_moves.h"

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

// The whole success test of the copies, as compares that fall through when it holds. The apart
// test needs count <= SIZE_MAX / 2, which a limit below that already gives.
inline bool copy_args_usable(const void *dest, size_t destMax, const void *src, size_t count,
                             size_t limit) {
    const auto d = reinterpret_cast<uintptr_t>(dest);
    const auto s = reinterpret_cast<uintptr_t>(src);
    if (count - 1 >= destMax || destMax > limit) return false;
    if (limit > SIZE_MAX / 2 && count > SIZE_MAX / 2) return false;
    if (d == 0 || s == 0) return false;
    return support::ranges_apart(dest, src, count);
}

// The copy's success path, shared by memcpy_s and the fast forms: short copies inline, longer
// ones through the C library; everything else is classified out of line.
inline int checked_copy(void *dest, size_t destMax, const void *src, size_t count, size_t limit) {
    if (copy_args_usable(dest, destMax, src, count, limit)) [[likely]] {
        // Split at 32 and 64 so that each inlined short copy knows its range and drops the size
        // tests that cannot hold there.
        if (count <= 32) {
            support::copy_short(dest, src, count);
        } else if (count <= support::SHORT_COPY_MAX) {
            support::copy_short(dest, src, count);
        } else {
            std::memcpy(dest, src, count);
        }
        return 0;
    }
    return classify_memcpy_failure(dest, destMax, src, count);
}

// The slow path of the fills: same order of checks as the copies; the range failure fills the
// whole destination with the fill value.
int classify_memset_failure(void *dest, size_t destMax, int c, size_t count);

}  // namespace boundslib::mem
