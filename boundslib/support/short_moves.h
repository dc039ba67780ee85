// Copies and fills of a few bytes, done inline instead of calling the C library, for every family.
// Where unaligned word access costs what aligned access costs (x86-64, AArch64), 4 to 64 bytes
// are moved as two to four words that may overlap each other, whatever the alignment, and 1 to 3
// as their first, middle and last byte; elsewhere bytes are moved one at a time. The choice is
// made at compile time.
#pragma once

#include <cstddef>
#include <cstdint>

namespace boundslib::support {

// The largest n copy_short and fill_short take.
inline constexpr std::size_t SHORT_COPY_MAX = 64;
inline constexpr std::size_t SHORT_FILL_MAX = 64;

#if defined(__x86_64__) || defined(__aarch64__)
inline constexpr bool UNALIGNED_WORDS = true;
#else
inline constexpr bool UNALIGNED_WORDS = false;
#endif

namespace detail {

using Byte = unsigned char;

// Fixed-size builtin copies compile to one load or store each and make no alignment or aliasing
// assumption.
template <std::size_t W>
struct Word {
    Byte bytes[W];
};

template <std::size_t W>
inline Word<W> load(const Byte *p) {
    Word<W> w;
    __builtin_memcpy(w.bytes, p, W);
    return w;
}

template <std::size_t W>
inline void store(Byte *p, const Word<W> &w) {
    __builtin_memcpy(p, w.bytes, W);
}

// The first and last W bytes, W <= n <= 2W; everything is read before anything is written, so
// the ranges may overlap.
template <std::size_t W>
inline void copy_two_words(Byte *d, const Byte *s, std::size_t n) {
    const Word<W> head = load<W>(s);
    const Word<W> tail = load<W>(s + n - W);
    store<W>(d, head);
    store<W>(d + n - W, tail);
}

// Sizes up to 16 are tested first, then 32: two to four predictable branches for any size.
inline void copy_words(Byte *d, const Byte *s, std::size_t n) {
    if (n <= 16) {
        if (n >= 8) return copy_two_words<8>(d, s, n);
        if (n >= 4) return copy_two_words<4>(d, s, n);
        if (n == 0) return;
        // 1 to 3 bytes: the first, middle and last byte cover them all.
        const Byte first = s[0], middle = s[n / 2], last = s[n - 1];
        d[0] = first;
        d[n / 2] = middle;
        d[n - 1] = last;
        return;
    }
    if (n <= 32) return copy_two_words<16>(d, s, n);
    const Word<16> a = load<16>(s), b = load<16>(s + 16);
    const Word<16> c = load<16>(s + n - 32), e = load<16>(s + n - 16);
    store<16>(d, a);
    store<16>(d + 16, b);
    store<16>(d + n - 32, c);
    store<16>(d + n - 16, e);
}

// Forward or backward, whichever reads every byte before it is overwritten.
inline void copy_bytes(Byte *d, const Byte *s, std::size_t n) {
    if (reinterpret_cast<std::uintptr_t>(d) <= reinterpret_cast<std::uintptr_t>(s)) {
        for (std::size_t i = 0; i < n; ++i) d[i] = s[i];
    } else {
        for (std::size_t i = n; i > 0; --i) d[i - 1] = s[i - 1];
    }
}

inline void fill_bytes(Byte *d, Byte value, std::size_t n) {
    for (std::size_t i = 0; i < n; ++i) d[i] = value;
}

template <std::size_t W>
inline void fill_two_words(Byte *d, const Word<W> &w, std::size_t n) {
    store<W>(d, w);
    store<W>(d + n - W, w);
}

// The same split as the copy: up to 16 first.
inline void fill_words(Byte *d, Byte value, std::size_t n) {
    Word<16> w;
    __builtin_memset(w.bytes, value, 16);
    if (n < 16) {
        if (n >= 8) return fill_two_words<8>(d, load<8>(w.bytes), n);
        if (n >= 4) return fill_two_words<4>(d, load<4>(w.bytes), n);
        if (n == 0) return;
        d[0] = value;
        d[n / 2] = value;
        d[n - 1] = value;
        return;
    }
    if (n > 32) {
        store<16>(d + 16, w);
        store<16>(d + n - 32, w);
    }
    fill_two_words<16>(d, w, n);
}

}  // namespace detail

// Does what memmove(dst, src, n) does, for 0 <= n <= SHORT_COPY_MAX; the ranges may overlap.
inline void copy_short(void *dst, const void *src, std::size_t n) {
    auto *d = static_cast<detail::Byte *>(dst);
    const auto *s = static_cast<const detail::Byte *>(src);
    if constexpr (UNALIGNED_WORDS) {
        detail::copy_words(d, s, n);
    } else {
        detail::copy_bytes(d, s, n);
    }
}

// Does what memset(dst, c, n) does, for 0 <= n <= SHORT_FILL_MAX.
inline void fill_short(void *dst, int c, std::size_t n) {
    auto *d = static_cast<detail::Byte *>(dst);
    const auto value = static_cast<detail::Byte>(c);
    if constexpr (UNALIGNED_WORDS) {
        detail::fill_words(d, value, n);
    } else {
        detail::fill_bytes(d, value, n);
    }
}

}  // namespace boundslib::support
