// The bounded writer: the only code that checks and lowers the room left. It stores characters
// of either width; remaining counts bytes, sizeof(Char) of them per character. A write that does
// not fit stores what fits, leaves remaining negative and fails.
#pragma once

#include <cstdint>
#include <cstring>
#include <cwchar>

#include "output/format_internal.h"
#include "support/short_moves.h"

namespace boundslib::output {

// Runs of format text up to this length are scanned and copied in one pass.
inline constexpr size_t SHORT_TEXT = 16;

// Unchecked stores, for room already claimed.
inline char *store_copy(char *at, const char *text, size_t n) {
    if (n <= support::SHORT_COPY_MAX) {
        support::copy_short(at, text, n);
    } else {
        std::memcpy(at, text, n);
    }
    return at + n;
}
inline wchar_t *store_copy(wchar_t *at, const wchar_t *text, size_t n) {
    std::memcpy(at, text, n * sizeof(wchar_t));
    return at + n;
}
inline char *store_repeat(char *at, char c, size_t n) {
    if (n <= support::SHORT_FILL_MAX) {
        support::fill_short(at, c, n);
    } else {
        std::memset(at, c, n);
    }
    return at + n;
}
inline wchar_t *store_repeat(wchar_t *at, char c, size_t n) {
    for (size_t i = 0; i < n; ++i) at[i] = static_cast<wchar_t>(c);
    return at + n;
}
// ASCII text of either width: digits, signs, prefixes, fixed texts.
inline char *store_ascii(char *at, const char *text, size_t n) {
    return store_copy(at, text, n);
}
inline wchar_t *store_ascii(wchar_t *at, const char *text, size_t n) {
    for (size_t i = 0; i < n; ++i) at[i] = static_cast<wchar_t>(text[i]);
    return at + n;
}

// Claims room for n characters: the caller stores exactly n of them at the result. nullptr, and
// nothing claimed, when they do not all fit.
template <typename Char>
Char *reserve(OutputBuffer &buffer, int64_t n) {
    const int64_t bytes = n * static_cast<int64_t>(sizeof(Char));
    if (bytes > buffer.remaining) return nullptr;
    Char *at = reinterpret_cast<Char *>(buffer.cur);
    buffer.cur += bytes;
    buffer.remaining -= static_cast<int32_t>(bytes);
    return at;
}

// What fits of n characters: the room after them, or -1 with fit lowered to what fits.
template <typename Char>
int32_t room_after(const OutputBuffer &buffer, size_t n, size_t &fit) {
    const auto room = static_cast<size_t>(buffer.remaining) / sizeof(Char);
    if (n <= room) {
        fit = n;
        return buffer.remaining - static_cast<int32_t>(n * sizeof(Char));
    }
    fit = room;
    return -1;
}

template <typename Char>
bool put_char(OutputBuffer &buffer, Char c) {
    Char *at = reserve<Char>(buffer, 1);
    if (at == nullptr) {
        buffer.remaining = -1;
        return false;
    }
    *at = c;
    return true;
}

// Text of the engine's own width. Characters written, or -1.
template <typename Char>
int put_copy(OutputBuffer &buffer, const Char *text, size_t n) {
    size_t fit;
    const int32_t after = room_after<Char>(buffer, n, fit);
    buffer.cur =
        reinterpret_cast<char *>(store_copy(reinterpret_cast<Char *>(buffer.cur), text, fit));
    buffer.remaining = after;
    return after < 0 ? -1 : static_cast<int>(n);
}

template <typename Char>
int put_repeat(OutputBuffer &buffer, char c, int32_t n) {
    size_t fit;
    const int32_t after = room_after<Char>(buffer, static_cast<size_t>(n), fit);
    buffer.cur =
        reinterpret_cast<char *>(store_repeat(reinterpret_cast<Char *>(buffer.cur), c, fit));
    buffer.remaining = after;
    return after < 0 ? -1 : n;
}

template <typename Char>
int put_ascii(OutputBuffer &buffer, const char *text, int32_t n) {
    size_t fit;
    const int32_t after = room_after<Char>(buffer, static_cast<size_t>(n), fit);
    buffer.cur =
        reinterpret_cast<char *>(store_ascii(reinterpret_cast<Char *>(buffer.cur), text, fit));
    buffer.remaining = after;
    return after < 0 ? -1 : n;
}

}  // namespace boundslib::output
