// Straight-line moves of a size fixed at compile time, and the size-indexed tables of them that
// the fast copy and fill use. Each entry returns 0, the success code, so a caller can end with a
// tail jump through the table.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <utility>

namespace bounds::mem {

using Byte = unsigned char;
using CopyEntry = int (*)(Byte *, const Byte *);
using FillEntry = int (*)(Byte *, Byte);

inline constexpr size_t kInlineCopyMax = 64;
inline constexpr size_t kInlineFillMax = 32;

// One word of W bytes at offset off. The fixed-size builtin compiles to a single move and keeps
// the access free of aliasing assumptions.
template <size_t W>
inline void move_word(Byte *dest, const Byte *src, size_t off) {
    unsigned char word[W];
    __builtin_memcpy(word, src + off, W);
    __builtin_memcpy(dest + off, word, W);
}

// N bytes as the widest words that fit, the last word ending exactly at N (it may overlap the one
// before it, which rewrites equal bytes). Needs aligned pointers only for speed, never for
// correctness.
template <size_t N>
int copy_words(Byte *dest, const Byte *src) {
    static_assert(N >= 1 && N <= kInlineCopyMax);
    if constexpr (N == 1) {
        dest[0] = src[0];
    } else if constexpr (N < 4) {
        move_word<2>(dest, src, 0);
        move_word<2>(dest, src, N - 2);
    } else if constexpr (N < 8) {
        move_word<4>(dest, src, 0);
        move_word<4>(dest, src, N - 4);
    } else if constexpr (N < 16) {
        move_word<8>(dest, src, 0);
        move_word<8>(dest, src, N - 8);
    } else {
        // 16-byte words: one vector move each where the target has them.
        [&]<size_t... I>(std::index_sequence<I...>) {
            (move_word<16>(dest, src, I * 16), ...);
        }
        (std::make_index_sequence<N / 16>{});
        if constexpr (N % 16 != 0) move_word<16>(dest, src, N - 16);
    }
    return 0;
}

template <size_t N>
int copy_bytes(Byte *dest, const Byte *src) {
    [&]<size_t... I>(std::index_sequence<I...>) {
        ((dest[I] = src[I]), ...);
    }
    (std::make_index_sequence<N>{});
    return 0;
}

template <size_t N>
int fill_bytes(Byte *dest, Byte value) {
    [&]<size_t... I>(std::index_sequence<I...>) {
        ((dest[I] = value), ...);
    }
    (std::make_index_sequence<N>{});
    return 0;
}

// Entry k of each copy table moves k + 2 bytes (a single byte needs no table).
template <size_t... I>
constexpr std::array<CopyEntry, sizeof...(I)> word_copy_table(std::index_sequence<I...>) {
    return {&copy_words<I + 2>...};
}
template <size_t... I>
constexpr std::array<CopyEntry, sizeof...(I)> byte_copy_table(std::index_sequence<I...>) {
    return {&copy_bytes<I + 2>...};
}
// Entry k of each fill table fills k + 1 bytes.
template <size_t... I>
constexpr std::array<CopyEntry, sizeof...(I)> word_fill_table(std::index_sequence<I...>) {
    return {&copy_words<I + 1>...};
}
template <size_t... I>
constexpr std::array<FillEntry, sizeof...(I)> byte_fill_table(std::index_sequence<I...>) {
    return {&fill_bytes<I + 1>...};
}

// [0] for pointers that are not both 8-byte aligned, [1] for those that are.
inline constexpr std::array<std::array<CopyEntry, kInlineCopyMax - 1>, 2> kCopyBySize = {
    byte_copy_table(std::make_index_sequence<kInlineCopyMax - 1>{}),
    word_copy_table(std::make_index_sequence<kInlineCopyMax - 1>{}),
};

// Word fills copy out of these blocks; any other value, or an unaligned dest, is filled bytewise.
inline constexpr std::array<Byte, kInlineFillMax> kZeroBlock{};
inline constexpr std::array<Byte, kInlineFillMax> kOnesBlock = [] {
    std::array<Byte, kInlineFillMax> block{};
    for (auto &b : block) b = 0xFF;
    return block;
}();
inline constexpr auto kWordFillBySize = word_fill_table(std::make_index_sequence<kInlineFillMax>{});
inline constexpr auto kByteFillBySize = byte_fill_table(std::make_index_sequence<kInlineFillMax>{});

static_assert(kCopyBySize[0].size() == 63 && kWordFillBySize.size() == 32);

inline bool aligned8(const void *p) {
    return (reinterpret_cast<uintptr_t>(p) & 7) == 0;
}

// count is 1..kInlineCopyMax; the ranges are apart.
inline int copy_inline(void *dest, const void *src, size_t count) {
    auto *d = static_cast<Byte *>(dest);
    const auto *s = static_cast<const Byte *>(src);
    if (count == 1) {
        *d = *s;
        return 0;
    }
    const bool aligned = aligned8(d) && aligned8(s);
    return kCopyBySize[aligned][count - 2](d, s);
}

// count is 1..kInlineFillMax.
inline int fill_inline(void *dest, int c, size_t count) {
    auto *d = static_cast<Byte *>(dest);
    const auto value = static_cast<Byte>(c);
    if (aligned8(d) && (value == 0x00 || value == 0xFF)) {
        return kWordFillBySize[count - 1](d, value == 0 ? kZeroBlock.data() : kOnesBlock.data());
    }
    return kByteFillBySize[count - 1](d, value);
}

}  // namespace bounds::mem
