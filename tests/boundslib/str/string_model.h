// The contract of the string copies and appends, narrow and wide, as a small model: check order,
// codes, and clearing only the first element, over positions in one buffer of kArea elements
// followed by a gap and a separate source at kApart. Shared by the model test and the fuzzer.
#pragma once

#include <algorithm>
#include <cerrno>
#include <random>
#include <vector>

#include "bounds_checked.h"

namespace string_model {

// Room for strings past the short copies' 64 bytes, overlapping ones included.
constexpr long kArea = 160, kApart = kArea + 16;  // model index of a separate source
constexpr int kSkip = -1000;  // the scene would make the function reach past the test's buffers

template <typename Ch>
struct StrFn {
    const char *name;
    int (*fn)(Ch *, size_t, const Ch *, size_t);
    bool concat, counted, classify;
};

// The buffer, then a gap, then the separate source, which never overlaps the buffer.
template <typename Ch>
struct Model {
    std::vector<Ch> w;
    long srcEnd;  // one past the separate source's last element
    bool outside = false;

    // The length of the string at `at`, looking at no more than `max` elements.
    size_t scan(long at, size_t max) {
        const long end = at < kArea ? kArea : srcEnd;
        for (size_t i = 0; i < max; ++i) {
            if (at + long(i) >= end) return outside = true, max;
            if (w[at + i] == Ch(0)) return i;
        }
        return max;
    }
    int write(long at, const Ch *from, size_t n) {
        if (outside || at + long(n) >= kArea) return kSkip;
        std::copy_n(std::vector<Ch>(from, from + n).begin(), n, w.begin() + at);
        w[at + n] = Ch(0);
        return 0;
    }
};

// What f does, given dest and src as positions in the model (-1: null).
template <typename Ch>
int model(const StrFn<Ch> &f, Model<Ch> &m, long d, long s, size_t destMax, size_t count) {
    const size_t limit = sizeof(Ch) == 1 ? MAX_BUFFER_BYTES : MAX_BUFFER_WCHARS;
    const auto clear = [&](int code) { return m.w[d] = Ch(0), code; };
    if (destMax == 0 || destMax > limit) return ERANGE;
    if (d < 0) return EINVAL;
    if (s < 0) return clear(ERR_INVALID_CLEARED);
    if (f.counted && count > limit) return clear(ERR_RANGE_CLEARED);
    if (!f.concat) {
        if (f.counted && count == 0) return clear(0);
        const size_t len = m.scan(s, f.counted ? std::min(count, destMax) : destMax);
        if (len == destMax) return clear(ERR_RANGE_CLEARED);
        // A copy onto itself moves nothing; the narrow counted copy still ends the string.
        if (f.classify || (d == s && (sizeof(Ch) > 1 || !f.counted))) return 0;
        if (d == s) return m.write(d, &m.w[d], len);
        if (s < kArea && ((d < s && s < d + long(len) + 1) || (s < d && d < s + long(len) + 1))) {
            return clear(ERR_OVERLAP_CLEARED);
        }
        return m.write(d, &m.w[s], len);
    }
    const size_t destLen = m.scan(d, destMax);
    const size_t srcLen = m.scan(s, f.counted ? count : destMax - destLen);
    const bool unterminated = destLen == destMax;
    const long end = d + long(destLen + srcLen) + 1;
    // Past the buffer, the heap may hold the separate source itself: a real overlap.
    if (s >= kArea && end > kArea) return kSkip;
    if (s < kArea && ((d < s && s < end) || (s < d && d < s + long(srcLen) + 1))) {
        // A source past dest's string inside an unterminated dest: the dest is the fault.
        return clear(unterminated && s >= d + long(destLen) ? ERR_INVALID_CLEARED
                                                            : ERR_OVERLAP_CLEARED);
    }
    if (d != s && destLen + srcLen < destMax) return m.write(d + destLen, &m.w[s], srcLen);
    return clear(unterminated ? ERR_INVALID_CLEARED : ERR_RANGE_CLEARED);
}

// Wide elements have bits above the low byte, and some a zero low byte, so that a scan or a
// clear that looks at single bytes shows.
template <typename Ch>
Ch element(std::mt19937 &rng) {
    if (sizeof(Ch) == 1) return static_cast<Ch>(1 + rng() % 255);
    return static_cast<Ch>(rng() % 3 == 0 ? 0x100 + (rng() % 0x7FFF) * 0x100
                                          : 1 + rng() % 0x7FFFFFFE);
}

}  // namespace string_model
