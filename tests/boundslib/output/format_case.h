// One engine call into a guarded destination, checked against its result and output.
#pragma once

#include <algorithm>
#include <cstdarg>
#include <cstring>
#include <string>
#include <type_traits>

#include <gtest/gtest.h>

#include "guarded_buffer.h"

#include "output/format_internal.h"

using boundslib::output::OUTPUT_ERROR;
using boundslib::output::OUTPUT_TRUNCATED;

constexpr size_t ROOM = 600;

template <typename Char>
int call_engine(Char *dest, size_t capacity, const Char *format, ...) {
    va_list args;
    va_start(args, format);
    int result;
    if constexpr (std::is_same_v<Char, char>) {
        result = boundslib::output::format_bounded(dest, capacity, format, args);
    } else {
        result = boundslib::output::wformat_bounded(dest, capacity, format, args);
    }
    va_end(args);
    return result;
}

// expected is the text before the terminator: the whole output for a count, the cut output for
// OUTPUT_TRUNCATED, nothing for OUTPUT_ERROR. The fill has every bit set, so that a terminator of
// fewer bytes than a character shows.
template <typename Char, typename... Args>
void expect(size_t capacity, int result, std::type_identity_t<std::basic_string<Char>> expected,
            const Char *format, Args... args) {
    SCOPED_TRACE(::testing::PrintToString(format) + ", capacity " + std::to_string(capacity));
    GuardedBuffer<Char> dest(capacity, Char(-1));
    EXPECT_EQ(call_engine(dest.data(), capacity, format, args...), result);
    const size_t end = result == OUTPUT_TRUNCATED ? capacity - 1 : size_t(std::max(result, 0));
    EXPECT_EQ(std::basic_string<Char>(dest.data(), end), expected);
    EXPECT_EQ(dest[end], Char(0));
    EXPECT_TRUE(dest.guards_intact());
}

// The same ASCII case for both engines.
template <typename... Args>
void both(size_t capacity, int result, const std::string &expected, const char *format,
          Args... args) {
    expect<char>(capacity, result, expected, format, args...);
    const std::wstring wide(format, format + std::strlen(format));
    expect<wchar_t>(capacity, result, {expected.begin(), expected.end()}, wide.c_str(), args...);
}
