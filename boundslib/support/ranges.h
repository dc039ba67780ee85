// Whether two ranges of the same length share a byte, for the copies of every family.
#pragma once

#include <cstddef>
#include <cstdint>

namespace boundslib::support {

// True when [dst, dst + n) and [src, src + n) share no byte, 1 <= n <= SIZE_MAX / 2; equal starts
// are not apart. The distance either way is at least n exactly when dst - src, taken modulo the
// address space, lies in [n, -n], that is (dst - src) - n <= -2n: one unsigned compare, whichever
// address is the lower. Distances, not sums, so nothing wraps into a false "apart"; for ranges
// that do not run past the end of the address space (no object does) it is the plain test.
inline bool ranges_apart(const void *dst, const void *src, std::size_t n) {
    const auto d = reinterpret_cast<std::uintptr_t>(dst);
    const auto s = reinterpret_cast<std::uintptr_t>(src);
    return (d - s) - n <= 0 - 2 * n;
}

}  // namespace boundslib::support
