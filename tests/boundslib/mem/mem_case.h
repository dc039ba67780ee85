// What the memory-function tables describe: where dest and src sit in one guarded buffer, and
// what the call must leave behind.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "guarded_buffer.h"

namespace memtest {

inline constexpr size_t kArea = 64;

// Where a pointer points: nowhere, into the destination's buffer, or into a separate source.
enum class Where { Null, Buffer, Separate };

// Untouched: no byte changes. Copied: count elements from src to dest, as memmove would.
// Cleared: destMax elements at dest set to the clearing value.
enum class Effect { Untouched, Copied, Cleared };

// Starting contents: distinct, non-zero, never the guard pattern, never a fill value in the tests.
template <typename T>
void fill_pattern(T *p, size_t n, unsigned seed) {
    for (size_t i = 0; i < n; ++i) p[i] = static_cast<T>(1 + (seed + i * 7) % 97);
}

// The expected state of the buffer after a call with the given effect.
template <typename T>
std::vector<T> expected_area(const std::vector<T> &before, size_t destOff, const T *src,
                             size_t count, size_t destMax, Effect effect, T clearValue) {
    std::vector<T> after = before;
    if (effect == Effect::Copied) {
        std::vector<T> moved(src, src + count);
        for (size_t i = 0; i < count; ++i) after[destOff + i] = moved[i];
    } else if (effect == Effect::Cleared) {
        for (size_t i = 0; i < destMax; ++i) after[destOff + i] = clearValue;
    }
    return after;
}

template <typename T>
std::vector<T> snapshot(GuardedBuffer<T> &buf) {
    return std::vector<T>(buf.data(), buf.data() + buf.size());
}

}  // namespace memtest
