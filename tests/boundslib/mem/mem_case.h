// The table runner of the copy tests: where dest and src sit, what the call must leave behind,
// and a check of one case with the destination between guards.
#pragma once

#include <gtest/gtest.h>

#include <cstddef>
#include <string>
#include <vector>

#include "guarded_buffer.h"

namespace memtest {

inline constexpr size_t kArea = 64;

// Where a pointer points: nowhere, into the destination's buffer, or into a separate source.
enum class Where { Null, Buffer, Separate };

// Untouched: no element changes. Copied: count elements from src to dest, as memmove would.
// Cleared: destMax elements at dest set to the clearing value.
enum class Effect { Untouched, Copied, Cleared };

struct Layout {
    Where dest;
    size_t destOff;
    Where src;
    size_t srcOff;
    size_t destMax;
    size_t count;
};

// Starting contents: non-zero and never the guard pattern.
template <typename T>
void fill_pattern(T *p, size_t n, unsigned seed) {
    for (size_t i = 0; i < n; ++i) p[i] = static_cast<T>(1 + (seed + i * 7) % 97);
}

template <typename T>
std::vector<T> snapshot(GuardedBuffer<T> &buf) {
    return std::vector<T>(buf.data(), buf.data() + buf.size());
}

// Runs fn(dest, destMax, src, count) on the layout and checks the code, every element of the
// buffer against the expected effect (clearing to zero), and the guards.
template <typename T, typename Fn>
void check_copy_case(const std::string &what, Fn fn, const Layout &l, int code, Effect effect) {
    SCOPED_TRACE(what);
    GuardedBuffer<T> buf(kArea);
    fill_pattern(buf.data(), kArea, 0);
    std::vector<T> separate(kArea);
    fill_pattern(separate.data(), kArea, 50);
    T *dest = l.dest == Where::Null ? nullptr : buf.data() + l.destOff;
    const T *src = l.src == Where::Null     ? nullptr
                   : l.src == Where::Buffer ? buf.data() + l.srcOff
                                            : separate.data() + l.srcOff;

    // Built before the call, from the source as it was.
    std::vector<T> expected = snapshot(buf);
    if (effect == Effect::Copied) {
        std::vector<T> moved(src, src + l.count);
        std::copy(moved.begin(), moved.end(), expected.begin() + l.destOff);
    } else if (effect == Effect::Cleared) {
        std::fill_n(expected.begin() + l.destOff, l.destMax, T(0));
    }

    EXPECT_EQ(fn(dest, l.destMax, src, l.count), code);
    EXPECT_TRUE(buf.guards_intact()) << "wrote outside the buffer";
    EXPECT_EQ(snapshot(buf), expected);
}

}  // namespace memtest
