// Whether two ranges of the same length share a byte, for the copies of every family.
#pragma once

#include <cstddef>
#include <cstdint>

namespace boundslib::support {

// True when [dst, dst + n) and [src, src + n) share no byte, 1 <= n <= SIZE_MAX / 2; equal starts
// are not apart. They share a byte exactly when dst - src, taken modulo the address space, lies
// within n - 1 of 0 either way; adding n - 1 maps that window onto [0, 2n - 2], so one unsigned
// compare decides, whichever address is the lower, and n - 1 is what the callers' count test has
// already computed. Distances, not sums, so nothing wraps into a false "apart"; for ranges that do
// not run past the end of the address space (no object does) it is the plain test.
inline bool ranges_apart(const void *dst, const void *src, std::size_t n) {
    const auto d = reinterpret_cast<std::uintptr_t>(dst);
    const auto s = reinterpret_cast<std::uintptr_t>(src);
    return (d - s) + (n - 1) >= 2 * n - 1;
}

}  // namespace boundslib::support
