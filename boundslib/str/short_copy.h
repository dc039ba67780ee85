// Inline copies of 1 to 32 bytes for strcpy_s's fast path: the size selects straight-line code
// for exactly that size, so a short string costs no library call for its copy.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <utility>

namespace boundslib::str {

inline constexpr std::size_t kShortCopyMax = 32;

template <typename Word>
inline void move_word(char *dest, const char *src, std::size_t at) {
    Word w;
    std::memcpy(&w, src + at, sizeof w);
    std::memcpy(dest + at, &w, sizeof w);
}

// Both addresses 8-byte aligned: whole words, then a 4-, 2- and 1-byte tail, each aligned too.
template <std::size_t N>
void copy_words(char *dest, const char *src) {
    std::size_t at = 0;
    for (; at + 8 <= N; at += 8) move_word<std::uint64_t>(dest, src, at);
    if constexpr (N % 8 >= 4) {
        move_word<std::uint32_t>(dest, src, at);
        at += 4;
    }
    if constexpr (N % 4 >= 2) {
        move_word<std::uint16_t>(dest, src, at);
        at += 2;
    }
    if constexpr (N % 2 == 1) dest[at] = src[at];
}

template <std::size_t N>
void copy_bytes(char *dest, const char *src) {
    for (std::size_t i = 0; i < N; ++i) dest[i] = src[i];
}

// Copies `size` bytes, 1 <= size <= kShortCopyMax; the ranges must not overlap. The chain of
// size tests compiles to a jump table indexed by size into the code for that size, with no call.
template <std::size_t... I>
inline void copy_short_sized(char *dest, const char *src, std::size_t size, bool aligned,
                             std::index_sequence<I...>) {
    (void)((size == I + 1 &&
            (aligned ? copy_words<I + 1>(dest, src) : copy_bytes<I + 1>(dest, src), true)) ||
           ...);
}

inline void copy_short(char *dest, const char *src, std::size_t size) {
    const bool aligned =
        ((reinterpret_cast<std::uintptr_t>(dest) | reinterpret_cast<std::uintptr_t>(src)) & 7) == 0;
    copy_short_sized(dest, src, size, aligned, std::make_index_sequence<kShortCopyMax>{});
}

}  // namespace boundslib::str
