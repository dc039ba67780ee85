// A formatting case: a call with its own arguments, bound into a closure so that cases of any
// argument list fit into one table.
#pragma once

#include <cstdarg>
#include <functional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "guarded_buffer.h"

#include "output/format_internal.h"

inline int call_format_bounded(char *dest, size_t capacity, const char *format, ...) {
    va_list args;
    va_start(args, format);
    const int result = boundslib::format_bounded(dest, capacity, format, args);
    va_end(args);
    return result;
}

inline int call_wformat_bounded(wchar_t *dest, size_t capacity, const wchar_t *format, ...) {
    va_list args;
    va_start(args, format);
    const int result = boundslib::wformat_bounded(dest, capacity, format, args);
    va_end(args);
    return result;
}

// expected holds the output for a result of 0 or more and for OUTPUT_TRUNCATED (the cut,
// terminated output); for OUTPUT_ERROR it is ignored and dest[0] must be the terminator.
template <typename Char>
struct FormatCase {
    std::string name;
    std::function<int(Char *, size_t)> call;
    int result;
    std::basic_string<Char> expected;
    size_t capacity = 600;
};

template <typename... Args>
FormatCase<char> narrow_case(int result, std::string expected, const char *format, Args... args) {
    return {format,
            [=](char *dest, size_t capacity) {
                return call_format_bounded(dest, capacity, format, args...);
            },
            result, std::move(expected)};
}

template <typename... Args>
FormatCase<wchar_t> wide_case(int result, std::wstring expected, const wchar_t *format,
                              Args... args) {
    std::string name;
    for (const wchar_t *p = format; *p != 0; ++p) {
        name += *p < 127 ? static_cast<char>(*p) : '?';
    }
    return {name,
            [=](wchar_t *dest, size_t capacity) {
                return call_wformat_bounded(dest, capacity, format, args...);
            },
            result, std::move(expected)};
}

template <typename Char>
FormatCase<Char> with_capacity(FormatCase<Char> c, size_t capacity) {
    c.capacity = capacity;
    c.name += " (capacity " + std::to_string(capacity) + ")";
    return c;
}

// Runs each case into a guarded destination of its capacity and checks result, output,
// terminator and guards.
template <typename Char>
void run_cases(const std::vector<FormatCase<Char>> &cases) {
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        GuardedBuffer<Char> dest(c.capacity);
        const int result = c.call(dest.data(), c.capacity);
        EXPECT_EQ(result, c.result);
        if (result >= 0 && static_cast<size_t>(result) < c.capacity) {
            EXPECT_EQ(std::basic_string<Char>(dest.data(), static_cast<size_t>(result)),
                      c.expected);
            EXPECT_EQ(dest[static_cast<size_t>(result)], Char(0));
        } else if (result == boundslib::OUTPUT_TRUNCATED) {
            EXPECT_EQ(std::basic_string<Char>(dest.data(), c.capacity - 1), c.expected);
            EXPECT_EQ(dest[c.capacity - 1], Char(0));
        } else {
            EXPECT_EQ(dest[0], Char(0));
        }
        EXPECT_TRUE(dest.guards_intact());
    }
}
