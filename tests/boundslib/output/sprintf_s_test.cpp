// The front ends: argument checks in their order, the capacity each one hands to the engine, and
// the result and destination state of every outcome.
#include <algorithm>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "bounds_checked.h"
#include "guarded_buffer.h"

namespace {

constexpr size_t kRoom = 16;  // elements really present behind every destination pointer

// FirstCleared: only the first place changed. Empty: the first place is a terminator and
// nothing at or past destMax changed (the engine may have written before the failure).
enum class After { Untouched, FirstCleared, Empty, Holds };

template <typename Char>
struct FrontCase {
    std::string name;
    std::function<int(Char *, size_t)> call;
    bool nullDest;
    size_t destMax;
    int result;
    After after;
    std::basic_string<Char> holds;  // with After::Holds: the string up to its terminator
};

template <typename Char>
void run_front_cases(const std::vector<FrontCase<Char>> &cases) {
    const Char fill = Char('Z');
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name + " destMax " + std::to_string(c.destMax));
        GuardedBuffer<Char> dest(kRoom, fill);
        EXPECT_EQ(c.call(c.nullDest ? nullptr : dest.data(), c.destMax), c.result);
        size_t firstUntouched = 0;
        if (c.after == After::FirstCleared) {
            EXPECT_EQ(dest[0], Char(0));
            firstUntouched = 1;
        } else if (c.after == After::Empty) {
            EXPECT_EQ(dest[0], Char(0));
            firstUntouched = std::min(c.destMax, kRoom);
        } else if (c.after == After::Holds) {
            EXPECT_EQ(std::basic_string<Char>(dest.data()), c.holds);
            firstUntouched = c.holds.size() + 1;
        }
        for (size_t i = firstUntouched; i < kRoom; ++i) EXPECT_EQ(dest[i], fill) << "place " << i;
        EXPECT_TRUE(dest.guards_intact());
    }
}

using Narrow = std::function<int(char *, size_t, const char *)>;

// The three families with the same format; snprintf_s with a count that never bounds.
std::vector<std::pair<std::string, Narrow>> narrow_functions() {
    return {
        {"sprintf_s", [](char *d, size_t m, const char *f) { return sprintf_s(d, m, f, 42); }},
        {"snprintf_truncated_s",
         [](char *d, size_t m, const char *f) { return snprintf_truncated_s(d, m, f, 42); }},
        {"snprintf_s",
         [](char *d, size_t m, const char *f) { return snprintf_s(d, m, 0x7FFFFFFE, f, 42); }},
    };
}

TEST(NarrowFrontEnds, ChecksAndOutcomesCommonToAll) {
    std::vector<FrontCase<char>> cases;
    for (const auto &[name, fn] : narrow_functions()) {
        auto with = [fn = fn](const char *format) {
            return [fn, format](char *d, size_t m) { return fn(d, m, format); };
        };
        cases.push_back({name + " null destination", with("ab"), true, 5, -1, After::Untouched});
        cases.push_back({name + " null format", with(nullptr), false, 5, -1, After::FirstCleared});
        cases.push_back({name + " null format", with(nullptr), false, 0, -1, After::Untouched});
        cases.push_back({name + " null format", with(nullptr), false, MAX_BUFFER_BYTES + 1, -1,
                         After::Untouched});
        cases.push_back({name + " destMax 0", with("ab"), false, 0, -1, After::Untouched});
        cases.push_back({name + " destMax above limit", with("ab"), false, MAX_BUFFER_BYTES + 1, -1,
                         After::Untouched});
        cases.push_back({name + " destMax at limit", with("ab"), false, MAX_BUFFER_BYTES, 2,
                         After::Holds, "ab"});
        cases.push_back({name + " fits exactly", with("%d|"), false, 4, 3, After::Holds, "42|"});
        cases.push_back({name + " destMax 1, empty", with(""), false, 1, 0, After::Holds, ""});
        cases.push_back({name + " format error", with("%n"), false, 8, -1, After::FirstCleared});
    }
    run_front_cases(cases);
}

TEST(NarrowFrontEnds, OutputLongerThanDestination) {
    auto fmt = [](auto fn, const char *format) {
        return [fn, format](char *d, size_t m) { return fn(d, m, format); };
    };
    const auto functions = narrow_functions();
    const Narrow &plain = functions[0].second;
    const Narrow &truncated = functions[1].second;
    const Narrow &counted = functions[2].second;
    run_front_cases<char>({
        {"sprintf_s one too many", fmt(plain, "%d||"), false, 4, -1, After::Empty},
        {"truncated one too many", fmt(truncated, "%d||"), false, 4, 3, After::Holds, "42|"},
        {"snprintf_s one too many", fmt(counted, "%d||"), false, 4, -1, After::Empty},
        {"sprintf_s destMax 1", fmt(plain, "a"), false, 1, -1, After::FirstCleared},
        {"truncated destMax 1", fmt(truncated, "a"), false, 1, 0, After::Holds, ""},
        {"truncated long", fmt(truncated, "%dabcdefgh"), false, 3, 2, After::Holds, "42"},
    });
}

int counted(char *d, size_t m, size_t count, const char *format) {
    return snprintf_s(d, m, count, format, "abcd");
}

TEST(NarrowFrontEnds, CountOfSnprintfS) {
    auto with = [](size_t count, const char *format) {
        return [count, format](char *d, size_t m) { return counted(d, m, count, format); };
    };
    run_front_cases<char>({
        {"count 0, empty output", with(0, ""), false, 10, 0, After::Holds, ""},
        {"count 0, some output", with(0, "x"), false, 10, -1, After::FirstCleared},
        {"count 2 cuts", with(2, "%.3s"), false, 4, -1, After::Holds, "ab"},
        {"count 3 fits", with(3, "%.3s"), false, 4, 3, After::Holds, "abc"},
        {"count 4 not below destMax", with(4, "%s"), false, 4, -1, After::Empty},
        {"count 5 not below destMax, fits", with(5, "%.3s"), false, 4, 3, After::Holds, "abc"},
        {"count largest accepted", with(0x7FFFFFFE, "%s"), false, 10, 4, After::Holds, "abcd"},
        {"count 0x7FFFFFFF", with(0x7FFFFFFF, "x"), false, 10, -1, After::FirstCleared},
        {"count SIZE_MAX", with(SIZE_MAX, "x"), false, 10, -1, After::FirstCleared},
        {"count too big, destMax 0", with(SIZE_MAX, "x"), false, 0, -1, After::Untouched},
        {"count too big, null format", with(SIZE_MAX, nullptr), false, 5, -1, After::FirstCleared},
        {"count bounds, format error", with(2, "%n"), false, 10, -1, After::FirstCleared},
        {"count bounds, cut before an error", with(2, "abcd%n"), false, 10, -1, After::Holds, "ab"},
    });
}

TEST(NarrowFrontEnds, ListFormsMatchVariadicOnes) {
    auto via_list = [](int (*fn)(char *, size_t, const char *, va_list), char *d, size_t m,
                       const char *format, ...) {
        va_list args;
        va_start(args, format);
        const int r = fn(d, m, format, args);
        va_end(args);
        return r;
    };
    char dest[8];
    EXPECT_EQ(via_list(vsprintf_s, dest, sizeof dest, "%s-%d", "ab", 7), 4);
    EXPECT_STREQ(dest, "ab-7");
    EXPECT_EQ(via_list(vsnprintf_truncated_s, dest, 4, "%s-%d", "ab", 7), 3);
    EXPECT_STREQ(dest, "ab-");
    EXPECT_EQ(via_list(vsprintf_s, dest, 4, "%s-%d", "ab", 7), -1);
    EXPECT_STREQ(dest, "");
}

TEST(WideFrontEnds, ChecksAndOutcomes) {
    auto with = [](const wchar_t *format) {
        return [format](wchar_t *d, size_t m) { return swprintf_s(d, m, format, 42); };
    };
    run_front_cases<wchar_t>({
        {"null destination", with(L"ab"), true, 5, -1, After::Untouched},
        {"null format", with(nullptr), false, 5, -1, After::FirstCleared},
        {"null format, destMax 0", with(nullptr), false, 0, -1, After::Untouched},
        {"destMax 0", with(L"ab"), false, 0, -1, After::Untouched},
        {"destMax above limit", with(L"ab"), false, MAX_BUFFER_WCHARS + 1, -1, After::Untouched},
        {"destMax at limit", with(L"ab"), false, MAX_BUFFER_WCHARS, 2, After::Holds, L"ab"},
        {"three characters", with(L"%d|"), false, 4, 3, After::Holds, L"42|"},
        {"one too many", with(L"%d||"), false, 4, -1, After::Empty},
        {"format error", with(L"%n"), false, 8, -1, After::FirstCleared},
        {"destMax 1, empty", with(L""), false, 1, 0, After::Holds, L""},
    });
}

}  // namespace
