// A formatting case: one engine call with its own arguments, bound into a closure so that cases
// of any argument list fit into one table, run into a guarded destination.
#pragma once

#include <cstdarg>
#include <cstring>
#include <functional>
#include <string>
#include <type_traits>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "guarded_buffer.h"

#include "output/format_internal.h"

using boundslib::OUTPUT_ERROR;
using boundslib::OUTPUT_TRUNCATED;

template <typename Char>
int call_engine(Char *dest, size_t capacity, const Char *format, ...) {
    va_list args;
    va_start(args, format);
    int result;
    if constexpr (std::is_same_v<Char, char>) {
        result = boundslib::format_bounded(dest, capacity, format, args);
    } else {
        result = boundslib::wformat_bounded(dest, capacity, format, args);
    }
    va_end(args);
    return result;
}

// A call of the narrow engine, the wide one or both, with the output each must give: the text for
// a count, the cut text for OUTPUT_TRUNCATED; OUTPUT_ERROR leaves a terminator in the first place.
struct FormatCase {
    std::string name;
    int result;
    std::string expected;
    std::wstring wexpected;
    std::function<int(char *, size_t)> narrow;
    std::function<int(wchar_t *, size_t)> wide;
    size_t capacity = 600;
};

template <typename Char, typename... Args>
FormatCase format_case(int result, std::type_identity_t<std::basic_string<Char>> expected,
                       const Char *format, Args... args) {
    FormatCase c{};
    c.result = result;
    for (const Char *p = format; *p != 0; ++p) c.name += *p > 0 && *p < 127 ? char(*p) : '?';
    auto call = [=](Char *d, size_t m) { return call_engine(d, m, format, args...); };
    if constexpr (std::is_same_v<Char, char>) {
        c.expected = expected;
        c.narrow = call;
    } else {
        c.wexpected = expected;
        c.wide = call;
    }
    return c;
}

// The same ASCII case for both engines.
template <typename... Args>
FormatCase both(int result, const std::string &expected, const char *format, Args... args) {
    FormatCase c = format_case(result, expected, format, args...);
    c.wexpected.assign(expected.begin(), expected.end());
    c.wide = [=, f = std::wstring(format, format + std::strlen(format))](wchar_t *d, size_t m) {
        return call_engine(d, m, f.c_str(), args...);
    };
    return c;
}

inline FormatCase with_capacity(FormatCase c, size_t capacity) {
    c.capacity = capacity;
    c.name += " (capacity " + std::to_string(capacity) + ")";
    return c;
}

// The fill has every bit set, so that a terminator of fewer bytes than a character shows.
template <typename Char>
void check(const FormatCase &c, const std::function<int(Char *, size_t)> &call,
           const std::basic_string<Char> &expected) {
    if (!call) return;
    SCOPED_TRACE(c.name + (sizeof(Char) == 1 ? ", narrow" : ", wide"));
    GuardedBuffer<Char> dest(c.capacity, Char(-1));
    const int result = call(dest.data(), c.capacity);
    EXPECT_EQ(result, c.result);
    const size_t end = result == OUTPUT_TRUNCATED ? c.capacity - 1 : size_t(result);
    if (result != OUTPUT_ERROR && end < c.capacity) {
        EXPECT_EQ(std::basic_string<Char>(dest.data(), end), expected);
        EXPECT_EQ(dest[end], Char(0));
    } else {
        EXPECT_EQ(dest[0], Char(0));
    }
    EXPECT_TRUE(dest.guards_intact());
}

inline void run_cases(const std::vector<FormatCase> &cases) {
    for (const FormatCase &c : cases) {
        check(c, c.narrow, c.expected);
        check(c, c.wide, c.wexpected);
    }
}
