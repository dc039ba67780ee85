// The front ends: argument checks, the capacity each one hands to the engine, and the result and
// destination state of each outcome. Output that fits or is too long for sprintf_s,
// snprintf_truncated_s and swprintf_s is compared with the C library's by the differential test.
#include <cstdarg>
#include <cstdint>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "bounds_checked.h"
#include "guarded_buffer.h"

namespace {

constexpr size_t ROOM = 16;  // elements really present behind every destination pointer
constexpr size_t TOO_BIG = MAX_BUFFER_BYTES;  // a count above the largest snprintf_s accepts
constexpr size_t AT_LIMIT = SIZE_MAX, ABOVE_LIMIT = SIZE_MAX - 1;  // its limit, and one above

struct FrontCase {
    const char *format;  // converted for wide front ends; its one argument is the int 42
    size_t destMax;
    int result;
    // The destination's first places afterwards ('$' a terminator, '?' any); the rest keep their
    // fill. Null: a null destination is passed.
    const char *after;
    size_t count = TOO_BIG - 1;  // for snprintf_s; the largest it accepts never bounds
};

const std::vector<FrontCase> COMMON_CASES = {
    {"ab", 5, -1, nullptr},         {nullptr, 5, -1, "$"}, {nullptr, 0, -1, ""},
    {nullptr, ABOVE_LIMIT, -1, ""}, {"ab", 0, -1, ""},     {"ab", ABOVE_LIMIT, -1, ""},
    {"ab", AT_LIMIT, 2, "ab$"},     {"", 1, 0, "$"},       {"%n", 8, -1, "$"},
};

// A count below destMax bounds the output, and cut output keeps its count characters; a larger
// count leaves destMax as the bound, and output that does not fit is a failure.
const std::vector<FrontCase> COUNT_CASES = {
    {"", 10, 0, "$", 0},         {"x", 10, -1, "$", 0},      {"%d|", 4, -1, "42$", 2},
    {"%d|", 4, 3, "42|$", 3},    {"%d||", 4, -1, "$???", 4}, {"%d|", 4, 3, "42|$", 5},
    {"x", 10, -1, "$", TOO_BIG}, {"x", 0, -1, "", SIZE_MAX}, {"%n", 10, -1, "$", 2},
};

// Calls a list form twice on one list: it must read a copy, so both calls see the same argument.
template <typename Char, typename Fn>
int twice(Fn fn, const Char *format, ...) {
    va_list args;
    va_start(args, format);
    const int first = fn(args);
    const int second = fn(args);
    va_end(args);
    return first == second ? first : -100;
}

constexpr const char *NAMES[] = {
    "sprintf_s",  "vsprintf_s",  "snprintf_truncated_s", "vsnprintf_truncated_s",
    "snprintf_s", "vsnprintf_s", "swprintf_s",           "vswprintf_s"};

int call(int front, char *d, size_t m, size_t n, const char *f) {
    if (front == 0) return sprintf_s(d, m, f, 42);
    if (front == 1) return twice([&](va_list a) { return vsprintf_s(d, m, f, a); }, f, 42);
    if (front == 2) return snprintf_truncated_s(d, m, f, 42);
    if (front == 3) {
        return twice([&](va_list a) { return vsnprintf_truncated_s(d, m, f, a); }, f, 42);
    }
    if (front == 4) return snprintf_s(d, m, n, f, 42);
    return twice([&](va_list a) { return vsnprintf_s(d, m, n, f, a); }, f, 42);
}

int call(int front, wchar_t *d, size_t m, size_t, const wchar_t *f) {
    if (front == 0) return swprintf_s(d, m, f, 42);
    return twice([&](va_list a) { return vswprintf_s(d, m, f, a); }, f, 42);
}

// The fill has every bit set, so that a terminator of fewer bytes than a character shows.
template <typename Char>
void run(int front, const std::vector<FrontCase> &cases) {
    const size_t limit = sizeof(Char) == 1 ? MAX_BUFFER_BYTES : MAX_BUFFER_WCHARS;
    for (const FrontCase &c : cases) {
        const std::string text = c.format ? c.format : "(null)", after = c.after ? c.after : "";
        SCOPED_TRACE(std::string(NAMES[sizeof(Char) == 1 ? front : front + 6]) + ": " + text +
                     ", destMax " + std::to_string(c.destMax) + ", count " +
                     std::to_string(c.count));
        const size_t destMax = c.destMax < ABOVE_LIMIT ? c.destMax : limit + SIZE_MAX - c.destMax;
        const std::basic_string<Char> format(text.begin(), text.end());
        GuardedBuffer<Char> dest(ROOM, Char(-1));
        EXPECT_EQ(call(front, c.after ? dest.data() : nullptr, destMax, c.count,
                       c.format ? format.c_str() : nullptr),
                  c.result);
        std::basic_string<Char> got(dest.data(), ROOM), want(ROOM, Char(-1));
        for (size_t i = 0; i < after.size(); ++i) {
            want[i] = after[i] == '$' ? Char(0) : after[i] == '?' ? got[i] : Char(after[i]);
        }
        EXPECT_EQ(got, want);
        EXPECT_TRUE(dest.guards_intact());
    }
}

TEST(FrontEnds, ChecksAndOutcomes) {
    for (int front = 0; front < 6; ++front) run<char>(front, COMMON_CASES);
    for (int front = 4; front < 6; ++front) run<char>(front, COUNT_CASES);
    for (int front = 0; front < 2; ++front) run<wchar_t>(front, COMMON_CASES);
}

}  // namespace
