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

// expected is the output for a count and the cut output for OUTPUT_TRUNCATED; OUTPUT_ERROR must
// leave a terminator in the first place.
template <typename Char>
struct FormatCase {
    std::string name;
    std::function<int(Char *, size_t)> call;
    int result;
    std::basic_string<Char> expected;
    size_t capacity = 600;
};

template <typename Char, typename... Args>
FormatCase<Char> format_case(int result, std::type_identity_t<std::basic_string<Char>> expected,
                             const Char *format, Args... args) {
    std::string name;
    for (const Char *p = format; *p != 0; ++p) name += *p > 0 && *p < 127 ? char(*p) : '?';
    return {name, [=](Char *d, size_t m) { return call_engine(d, m, format, args...); }, result,
            std::move(expected)};
}

// The same ASCII case for the narrow and the wide engine.
using BothCase = std::pair<FormatCase<char>, FormatCase<wchar_t>>;

template <typename... Args>
BothCase both(int result, const std::string &expected, const char *format, Args... args) {
    FormatCase<wchar_t> wide{
        std::string(format) + " (wide)", nullptr, result, {expected.begin(), expected.end()}};
    wide.call = [=, f = std::wstring(format, format + std::strlen(format))](wchar_t *d, size_t m) {
        return call_engine(d, m, f.c_str(), args...);
    };
    return {format_case(result, expected, format, args...), wide};
}

template <typename Char>
FormatCase<Char> with_capacity(FormatCase<Char> c, size_t capacity) {
    c.capacity = capacity;
    c.name += " (capacity " + std::to_string(capacity) + ")";
    return c;
}

inline BothCase with_capacity(BothCase c, size_t capacity) {
    return {with_capacity(c.first, capacity), with_capacity(c.second, capacity)};
}

// The fill has every bit set, so that a terminator of fewer bytes than a character shows.
template <typename Char>
void run_cases(const std::vector<FormatCase<Char>> &cases) {
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        GuardedBuffer<Char> dest(c.capacity, Char(-1));
        const int result = c.call(dest.data(), c.capacity);
        EXPECT_EQ(result, c.result);
        const size_t end = result == OUTPUT_TRUNCATED ? c.capacity - 1 : size_t(result);
        if (result != OUTPUT_ERROR && end < c.capacity) {
            EXPECT_EQ(std::basic_string<Char>(dest.data(), end), c.expected);
            EXPECT_EQ(dest[end], Char(0));
        } else {
            EXPECT_EQ(dest[0], Char(0));
        }
        EXPECT_TRUE(dest.guards_intact());
    }
}

inline void run_both(const std::vector<BothCase> &cases) {
    for (const auto &c : cases) {
        run_cases<char>({c.first});
        run_cases<wchar_t>({c.second});
    }
}
