// The contract of the memory functions as a small model: check order, result codes and what each
// failure clears, over positions in one buffer of kArea elements (src may also lie in a separate
// buffer). Shared by the model test and the fuzzer.
#pragma once

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <random>
#include <vector>

#include "bounds_checked.h"

namespace mem_model {

constexpr size_t kArea = 96;
constexpr int kNull = -1, kSeparate = 100;  // src offsets from kSeparate are in their own buffer
constexpr int kSkip = -1000;                // the call would reach past the test's buffers

using CopyFn = int (*)(void *, size_t, const void *, size_t);
struct Copy {
    const char *name;
    CopyFn fn;
    bool wide, move, nolimit, copies;
};

template <typename T>
std::vector<T> generated(unsigned seed) {
    std::mt19937 rng(seed);
    std::vector<T> v(kArea);
    for (T &e : v) e = static_cast<T>(rng() | 0x01010101u);  // no zero byte, so clears show
    return v;
}

// What f leaves in `want` (the buffer before the call) and returns.
template <typename T>
int model(const Copy &f, std::vector<T> &want, const std::vector<T> &separate, int destAt,
          int srcAt, size_t destMax, size_t count) {
    const size_t limit = sizeof(T) == 1 ? MAX_BUFFER_BYTES : MAX_BUFFER_WCHARS;
    const bool inBuffer = destAt >= 0 && srcAt >= 0 && srcAt < kSeparate;
    const size_t dist = inBuffer ? size_t(std::abs(destAt - srcAt)) : SIZE_MAX;
    const bool overlap = dist != 0 && dist < count;
    const auto clear = [&](int code) {
        if (destMax > kArea - destAt) return kSkip;
        std::fill_n(want.begin() + destAt, destMax, T(0));
        return code;
    };
    const auto copy = [&] {
        const T *src = srcAt >= kSeparate ? &separate[srcAt - kSeparate] : &want[srcAt];
        if (!f.copies || count == 0) return 0;
        if (count > kArea - destAt || count > kArea - srcAt % kSeparate) return kSkip;
        const std::vector<T> moved(src, src + count);
        std::copy(moved.begin(), moved.end(), want.begin() + destAt);
        return 0;
    };
    // The unlimited form drops the destMax limit on its success path only.
    if (f.nolimit && destAt >= 0 && srcAt >= 0 && count >= 1 && count <= destMax && !overlap &&
        dist != 0)
        return copy();
    if (destMax == 0 || destMax > limit) return ERANGE;
    // The wide forms test an over-long count before the null pointers.
    if (f.wide && count > destMax) return destAt < 0 ? ERANGE : clear(ERR_RANGE_CLEARED);
    if (destAt < 0) return EINVAL;
    if (srcAt < 0) return clear(ERR_INVALID_CLEARED);
    if (count > destMax) return clear(ERR_RANGE_CLEARED);
    if (overlap && !f.move) return clear(ERR_OVERLAP_CLEARED);
    return copy();
}

// A fill's result, and how many bytes it sets (count on success, destMax after a range fault).
inline int fill_model(bool nolimit, bool hasDest, size_t destMax, size_t count, size_t &filled) {
    const size_t limit = nolimit ? SIZE_MAX : MAX_BUFFER_BYTES;
    const bool ok = hasDest && destMax <= limit && count <= destMax;
    const int code = ok                                           ? 0
                     : destMax == 0 || destMax > MAX_BUFFER_BYTES ? ERANGE
                     : !hasDest                                   ? EINVAL
                                                                  : ERR_RANGE_CLEARED;
    filled = ok ? count : code == ERR_RANGE_CLEARED ? destMax : 0;
    return code;
}

}  // namespace mem_model
