// What the narrow and wide string functions share: the per-width traits, the opening checks and
// the overlap test. Each family's algorithm is a template over the character type built on these.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>

#include "bounds_checked.h"
#include "support/dest_max.h"

namespace boundslib::str {

template <typename Ch>
struct StringTraits;

template <>
struct StringTraits<char> {
    static constexpr std::size_t MAX_ELEMENTS = MAX_BUFFER_BYTES;
    // strncpy_s onto itself still ends the string at the copied length, cutting it to `count`.
    static constexpr bool SELF_COPY_ENDS_STRING = true;

    static std::size_t bounded_length(const char *s, std::size_t max) { return strnlen(s, max); }

    // Short appended strings are common: the first 8 bytes are tested inline so that they cost
    // no library call when the room is larger than that.
    static std::size_t room_length(const char *s, std::size_t room) {
        constexpr std::size_t PREFIX = 8;
        if (room <= PREFIX) return strnlen(s, room);
        for (std::size_t i = 0; i < PREFIX; ++i) {
            if (s[i] == '\0') return i;
        }
        return PREFIX + strnlen(s + PREFIX, room - PREFIX);
    }
};

template <>
struct StringTraits<wchar_t> {
    static constexpr std::size_t MAX_ELEMENTS = MAX_BUFFER_WCHARS;
    // wcsncpy_s onto itself writes nothing: a string longer than `count` stays as it was.
    static constexpr bool SELF_COPY_ENDS_STRING = false;

    static std::size_t bounded_length(const wchar_t *s, std::size_t max) {
        std::size_t len = 0;
        while (len < max && s[len] != L'\0') ++len;
        return len;
    }

    static std::size_t room_length(const wchar_t *s, std::size_t room) {
        return bounded_length(s, room);
    }
};

// The two checks every code-returning string function opens with. Returns 0 when both pass.
template <typename Ch>
int check_dest_and_source(Ch *dest, std::size_t destMax, const Ch *src) {
    if (!support::dest_max_in_range(destMax, StringTraits<Ch>::MAX_ELEMENTS)) return ERANGE;
    if (dest == nullptr) return EINVAL;
    if (src == nullptr) {
        dest[0] = Ch(0);
        return ERR_INVALID_CLEARED;
    }
    return 0;
}

// Clearing for the string functions: the destination reads as the empty string, nothing else
// changes.
template <typename Ch>
int clear_first(Ch *dest, int code) {
    dest[0] = Ch(0);
    return code;
}

// True when `inner` lies after `outer` but less than `count` elements after it. Addresses are
// compared as numbers, so pointers into unrelated objects are fine.
template <typename Ch>
bool starts_inside(const Ch *outer, const Ch *inner, std::size_t count) {
    const auto o = reinterpret_cast<std::uintptr_t>(outer);
    const auto i = reinterpret_cast<std::uintptr_t>(inner);
    return o < i && i < o + count * sizeof(Ch);
}

// Two ranges of `count` elements that share at least one element (equal starts excluded).
template <typename Ch>
bool ranges_cross(const Ch *a, const Ch *b, std::size_t count) {
    return starts_inside(a, b, count) || starts_inside(b, a, count);
}

}  // namespace boundslib::str
