// The front ends: argument checks, the capacity each one hands to the engine, and the result and
// destination state of each outcome. Output that fits or is too long for sprintf_s,
// snprintf_truncated_s and swprintf_s is compared with the C library's by the differential test.
#include <algorithm>
#include <cstdarg>
#include <cstdint>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "bounds_checked.h"
#include "guarded_buffer.h"

namespace {

constexpr size_t ROOM = 16;  // elements really present behind every destination pointer
constexpr size_t AT_LIMIT = SIZE_MAX, ABOVE_LIMIT = SIZE_MAX - 1;  // the front end's own limit

// NullDest: a null destination is passed, nothing changes. Cleared: only the first place changed.
// Empty: the first place is a terminator and nothing at or past destMax changed (the engine may
// have written before the failure).
enum class After { NullDest, Untouched, Cleared, Empty, Holds };

struct FrontCase {
    const char *name;
    const char *format;  // converted for wide front ends; its one argument is the int 42
    size_t destMax;
    int result;
    After after;
    const char *holds = "";     // with After::Holds, the string up to its terminator
    size_t count = 0x7FFFFFFE;  // for snprintf_s; the largest it accepts never bounds
};

template <typename Char>
using Front = int (*)(Char *, size_t, size_t, const Char *);

template <typename Char>
void run_front_cases(const char *function, Front<Char> call, const std::vector<FrontCase> &cases) {
    const size_t limit = sizeof(Char) == 1 ? MAX_BUFFER_BYTES : MAX_BUFFER_WCHARS;
    for (const FrontCase &c : cases) {
        SCOPED_TRACE(std::string(function) + ": " + c.name);
        const size_t destMax = c.destMax == AT_LIMIT      ? limit
                               : c.destMax == ABOVE_LIMIT ? limit + 1
                                                          : c.destMax;
        const std::basic_string<Char> format(c.format,
                                             c.format + std::strlen(c.format ? c.format : ""));
        GuardedBuffer<Char> dest(ROOM, Char(-1));
        EXPECT_EQ(call(c.after == After::NullDest ? nullptr : dest.data(), destMax, c.count,
                       c.format ? format.c_str() : nullptr),
                  c.result);
        size_t untouched = 0;
        if (c.after == After::Cleared || c.after == After::Empty) {
            EXPECT_EQ(dest[0], Char(0));
            untouched = c.after == After::Cleared ? 1 : std::min(destMax, ROOM);
        } else if (c.after == After::Holds) {
            EXPECT_EQ(std::basic_string<Char>(dest.data()),
                      std::basic_string<Char>(c.holds, c.holds + std::strlen(c.holds)));
            untouched = std::strlen(c.holds) + 1;
        }
        for (size_t i = untouched; i < ROOM; ++i) EXPECT_EQ(dest[i], Char(-1)) << "place " << i;
        EXPECT_TRUE(dest.guards_intact());
    }
}

const std::vector<FrontCase> COMMON_CASES = {
    {"null destination", "ab", 5, -1, After::NullDest},
    {"null format", nullptr, 5, -1, After::Cleared},
    {"null format, destMax 0", nullptr, 0, -1, After::Untouched},
    {"null format, destMax above limit", nullptr, ABOVE_LIMIT, -1, After::Untouched},
    {"destMax 0", "ab", 0, -1, After::Untouched},
    {"destMax above limit", "ab", ABOVE_LIMIT, -1, After::Untouched},
    {"destMax at limit", "ab", AT_LIMIT, 2, After::Holds, "ab"},
    {"destMax 1, empty", "", 1, 0, After::Holds},
    {"format error", "%n", 8, -1, After::Cleared},
};

TEST(FrontEnds, ChecksAndOutcomesCommonToAll) {
    const std::pair<const char *, Front<char>> narrow[] = {
        {"sprintf_s",
         [](char *d, size_t m, size_t, const char *f) { return sprintf_s(d, m, f, 42); }},
        {"snprintf_truncated_s", [](char *d, size_t m, size_t,
                                    const char *f) { return snprintf_truncated_s(d, m, f, 42); }},
        {"snprintf_s",
         [](char *d, size_t m, size_t n, const char *f) { return snprintf_s(d, m, n, f, 42); }},
    };
    for (const auto &[name, call] : narrow) run_front_cases<char>(name, call, COMMON_CASES);
    run_front_cases<wchar_t>(
        "swprintf_s",
        [](wchar_t *d, size_t m, size_t, const wchar_t *f) { return swprintf_s(d, m, f, 42); },
        COMMON_CASES);
}

// A count below destMax bounds the output, and cut output keeps its count characters; a larger
// count leaves destMax as the bound, and output that does not fit is a failure.
TEST(FrontEnds, CountOfSnprintfS) {
    run_front_cases<char>(
        "snprintf_s",
        [](char *d, size_t m, size_t n, const char *f) { return snprintf_s(d, m, n, f, 42); },
        {
            {"count 0, empty output", "", 10, 0, After::Holds, "", 0},
            {"count 0, some output", "x", 10, -1, After::Cleared, "", 0},
            {"count 2 cuts", "%d|", 4, -1, After::Holds, "42", 2},
            {"count 3 fits", "%d|", 4, 3, After::Holds, "42|", 3},
            {"count 4 not below destMax", "%d||", 4, -1, After::Empty, "", 4},
            {"count 5 not below destMax, fits", "%d|", 4, 3, After::Holds, "42|", 5},
            {"count 0x7FFFFFFF", "x", 10, -1, After::Cleared, "", 0x7FFFFFFF},
            {"count too big, destMax 0", "x", 0, -1, After::Untouched, "", SIZE_MAX},
            {"count bounds, format error", "%n", 10, -1, After::Cleared, "", 2},
        });
}

int through_list(int (*fn)(char *, size_t, const char *, va_list), char *dest, size_t destMax,
                 const char *format, ...) {
    va_list args;
    va_start(args, format);
    const int first = fn(dest, destMax, format, args);
    const int second = fn(dest, destMax, format, args);  // the list was copied, not advanced
    va_end(args);
    return first == second ? first : -100;
}

TEST(FrontEnds, ListFormsMatchVariadicOnes) {
    char dest[8];
    EXPECT_EQ(through_list(vsprintf_s, dest, sizeof dest, "%s-%d", "ab", 7), 4);
    EXPECT_STREQ(dest, "ab-7");
    EXPECT_EQ(through_list(vsnprintf_truncated_s, dest, 4, "%s-%d", "ab", 7), 3);
    EXPECT_STREQ(dest, "ab-");
    EXPECT_EQ(through_list(vsprintf_s, dest, 4, "%s-%d", "ab", 7), -1);
    EXPECT_STREQ(dest, "");
    const auto counted = [](char *d, size_t m, const char *f, va_list a) {
        return vsnprintf_s(d, m, 2, f, a);
    };
    EXPECT_EQ(through_list(counted, dest, sizeof dest, "%s-%d", "ab", 7), -1);
    EXPECT_STREQ(dest, "ab");
}

}  // namespace
