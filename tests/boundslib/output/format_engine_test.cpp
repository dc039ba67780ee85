// The narrow engine where its behaviour is its own: the state machine, limits, length modifiers,
// integer rendering, the c/C/s/S table, floating conversions that produce nothing, and the
// entry's three outcomes.
#include <climits>
#include <cstdint>
#include <cstring>
#include <string>

#include "format_case.h"

namespace {

using boundslib::OUTPUT_ERROR;
using boundslib::OUTPUT_TRUNCATED;

std::string repeat(char c, size_t n) {
    return std::string(n, c);
}

TEST(FormatEngine, SpecificationSyntax) {
    run_cases<char>({
        narrow_case(0, "", ""),
        narrow_case(3, "abc", "abc"),
        narrow_case(1, "%", "%%"),
        narrow_case(5, "a%b%c", "a%%b%%c"),
        narrow_case(OUTPUT_ERROR, "", "%5%"),
        narrow_case(OUTPUT_ERROR, "", "abc%"),
        narrow_case(OUTPUT_ERROR, "", "%-5"),
        narrow_case(OUTPUT_ERROR, "", "%."),
        narrow_case(OUTPUT_ERROR, "", "%ll"),
        narrow_case(OUTPUT_ERROR, "", "%n", 0),
        narrow_case(OUTPUT_ERROR, "", "%a", 1.0),
        narrow_case(OUTPUT_ERROR, "", "%b", 1),
        narrow_case(OUTPUT_ERROR, "", "%\xe9", 1),
        narrow_case(OUTPUT_ERROR, "", "%..3d", 1),
        narrow_case(OUTPUT_ERROR, "", "%5*d", 1, 2),
        narrow_case(OUTPUT_ERROR, "", "%.5*d", 1, 2),
        narrow_case(OUTPUT_ERROR, "", "%l5d", 1),
        narrow_case(OUTPUT_ERROR, "", "%l-d", 1),
        narrow_case(OUTPUT_ERROR, "", "%.-d", 1),
        narrow_case(5, "1 23x", "%d %d%dx", 1, 2, 3),
        narrow_case(4, "\xe9t\xe9!", "\xe9t\xe9!"),
        narrow_case(3, "7  ", "%5-3d", 7),
        narrow_case(5, "7    ", "%-05d", 7),
        narrow_case(5, "-0007", "%05d", -7),
        narrow_case(6, "    ab", "%0 6s", "ab"),
    });
}

TEST(FormatEngine, WidthAndPrecisionLimits) {
    run_cases<char>({
        narrow_case(4, "7   ", "%*d", -4, 7),
        narrow_case(OUTPUT_ERROR, "", "%*d", -214748361, 7),
        with_capacity(
            narrow_case(OUTPUT_TRUNCATED, std::string("7").append(14, ' '), "%*d", -214748360, 7),
            16),
        narrow_case(3, "  7", "%*5d", 3, 7),
        narrow_case(3, "007", "%.*5d", 3, 7),
        narrow_case(1, "0", "%.*d", -1, 0),
        narrow_case(0, "", "%.0d", 0),
        narrow_case(512, repeat('0', 511) + "1", "%.600d", 1),
        narrow_case(512, repeat('0', 511) + "1", "%.*d", 214748360, 1),
        narrow_case(OUTPUT_ERROR, "", "%.*d", 214748361, 1),
        narrow_case(512, repeat('0', 511) + "1", "%.214748369d", 1),
        narrow_case(OUTPUT_ERROR, "", "%.2147483690d", 1),
        with_capacity(narrow_case(OUTPUT_TRUNCATED, repeat(' ', 15), "%214748369d", 1), 16),
        narrow_case(OUTPUT_ERROR, "", "%2147483690d", 1),
        narrow_case(OUTPUT_ERROR, "", "%2147483699999d", 1),
    });
}

TEST(FormatEngine, LengthModifiersAndFetchSizes) {
    const long long big = 1LL << 40;
    run_cases<char>({
        narrow_case(2, "-1", "%hhd", 255),
        narrow_case(1, "0", "%hhu", 256),
        narrow_case(2, "-1", "%hd", 65535),
        narrow_case(1, "5", "%hu", 65541),
        narrow_case(11, "-2147483648", "%d", INT_MIN),
        narrow_case(10, "4294967295", "%u", -1),
        narrow_case(8, "ffffffff", "%x", -1),
        narrow_case(20, "-9223372036854775808", "%lld", LLONG_MIN),
        narrow_case(13, "1099511627776", "%lhd", big),
        narrow_case(13, "1099511627776", "%hld", big),
        narrow_case(13, "1099511627776", "%qd", big),
        narrow_case(13, "1099511627776", "%I64d", big),
        narrow_case(13, "1099511627776", "%Id", big),
        narrow_case(1, "5", "%I64I32d", 5),
        narrow_case(13, "1099511627776", "%lI32d", big),
        narrow_case(20, "18446744073709551615", "%zu", SIZE_MAX),
        narrow_case(20, "-9223372036854775808", "%jd", INTMAX_MIN),
        narrow_case(2, "-5", "%td", static_cast<ptrdiff_t>(-5)),
        narrow_case(1, "5", "%wd", 5),
        narrow_case(1, "5", "%Nd", 5),
        narrow_case(1, "5", "%hzd", 5),
        narrow_case(1, "I", "%I"),
        narrow_case(2, "Iq", "%Iq"),
        narrow_case(3, "I6f", "%I6f"),
        narrow_case(4, "I7!7", "%I%d!%d", 7, 7),
    });
}

TEST(FormatEngine, IntegerRendering) {
    run_cases<char>({
        narrow_case(3, "010", "%#o", 8),
        narrow_case(1, "0", "%#o", 0),
        narrow_case(1, "0", "%#.0o", 0),
        narrow_case(3, "010", "%#.3o", 8),
        narrow_case(4, "0xff", "%#x", 255),
        narrow_case(4, "0XFF", "%#X", 255),
        narrow_case(1, "0", "%#x", 0),
        narrow_case(8, "0x00001f", "%#08x", 0x1f),
        narrow_case(2, "+0", "%+d", 0),
        narrow_case(2, " 5", "% d", 5),
        narrow_case(2, "+5", "%+ d", 5),
        narrow_case(2, "05", "%02x", 5),
        narrow_case(3, "1ab", "%02x", 0x1ab),
        narrow_case(5, "  005", "%5.3d", 5),
        narrow_case(5, "(nil)", "%p", nullptr),
        narrow_case(20, repeat(' ', 15) + "(nil)", "%020p", nullptr),
        narrow_case(6, "0x1234", "%p", reinterpret_cast<void *>(0x1234)),
        narrow_case(6, "0x1234", "%.10p", reinterpret_cast<void *>(0x1234)),
        narrow_case(8, "0x001234", "%08p", reinterpret_cast<void *>(0x1234)),
        narrow_case(18, "0xffffffffffffffff", "%p", reinterpret_cast<void *>(UINTPTR_MAX)),
    });
}

TEST(FormatEngine, CharactersAndStrings) {
    run_cases<char>({
        narrow_case(1, "x", "%c", 'x'),         narrow_case(3, std::string("a\0b", 3), "a%cb", 0),
        narrow_case(5, "    x", "%05c", 'x'),   narrow_case(1, "x", "%lc", L'x'),
        narrow_case(1, "x", "%C", L'x'),        narrow_case(1, "x", "%hC", 'x'),
        narrow_case(1, "x", "%hlC", L'x'),      narrow_case(2, "hi", "%s", "hi"),
        narrow_case(2, "hi", "%ls", L"hi"),     narrow_case(2, "hi", "%ws", L"hi"),
        narrow_case(2, "hi", "%S", L"hi"),      narrow_case(2, "hi", "%hS", "hi"),
        narrow_case(2, "hi", "%hls", L"hi"),    narrow_case(6, "(null)", "%s", nullptr),
        narrow_case(3, "(nu", "%.3s", nullptr), narrow_case(2, "(n", "%.2S", nullptr),
        narrow_case(5, "   ab", "%05s", "ab"),  narrow_case(5, "   ab", "%5ls", L"ab"),
        narrow_case(0, "", "%.0ls", L"abc"),    narrow_case(2, std::string("a\0", 2), "a%lc", 0),
    });
}

TEST(FormatEngine, FloatingConversions) {
    run_cases<char>({
        narrow_case(4, "3.14", "%.2f", 3.14159),
        narrow_case(8, "1.000000", "%Lf", 1.0L),
        narrow_case(1, "2", "%.0g", 2.5),
        narrow_case(9, "2.5      ", "%-9g", 2.5),
        narrow_case(9, "2.5      ", "%*g", -9, 2.5),
        narrow_case(8, "2.500000", "%.*f", -3, 2.5),
        narrow_case(9, "+0002.500", "%+09.3f", 2.5),
        // A precision beyond the limit produces nothing, and the value is still consumed.
        narrow_case(2, "|5", "%.214748100f|%d", 1.0, 5),
        narrow_case(2, "|5", "%.214743389Lf|%d", 1.0L, 5),
        // Length modifiers the C library reads differently do not change what it reads.
        narrow_case(10, "2.500000|7", "%llf|%d", 2.5, 7),
        narrow_case(10, "2.500000|7", "%I64f|%d", 2.5, 7),
        narrow_case(10, "2.500000|7", "%qf|%d", 2.5L, 7),
        narrow_case(10, "2.500000|7", "%-------f|%d", 2.5, 7),
        // Widths near INT_MAX would wrap the size of the rendering: nothing is produced.
        narrow_case(2, "|7", "%*f|%d", INT_MAX, 1.0, 7),
        narrow_case(2, "|7", "%*f|%d", INT_MAX - 1, 1.0, 7),
        narrow_case(2, "|7", "%*Lf|%d", INT_MAX, 1.0L, 7),
        // A width equal to the computed size still leaves room for the terminator.
        narrow_case(357, repeat(' ', 349) + "1.000000", "%357f", 1.0),
        narrow_case(551, repeat(' ', 349) + std::string("1.").append(200, '0'), "%551.200f", 1.0),
        with_capacity(narrow_case(600, repeat(' ', 592) + "1.000000", "%600f", 1.0), 601),
        with_capacity(narrow_case(600, std::string("1.").append(598, '0'), "%.598f", 1.0), 601),
    });
}

// A rendering longer than its area is cut at the area's end, and its length tells the engine
// that it did not fit.
TEST(FormatEngine, FloatRenderersAreBoundedByTheirArea) {
    for (auto *render : {boundslib::format_float, boundslib::wformat_float}) {
        GuardedBuffer<char> area(8, 'Z');
        EXPECT_EQ(render(area.data(), 8, "%*.*f", 0, 6, 12345.0), 12);
        EXPECT_STREQ(area.data(), "12345.0");
        EXPECT_TRUE(area.guards_intact());
    }
}

TEST(FormatEngine, LongDoubleWidthAtItsSize) {
    std::vector<FormatCase<char>> cases = {
        narrow_case(4980, repeat(' ', 4972) + "1.000000", "%4980Lf", 1.0L),
        narrow_case(4979, repeat(' ', 4971) + "1.000000", "%4979Lf", 1.0L),
    };
    for (auto &c : cases) c.capacity = 5000;
    run_cases<char>(cases);
}

TEST(FormatEngine, EntryOutcomes) {
    run_cases<char>({
        with_capacity(narrow_case(4, "abcd", "abcd"), 5),
        with_capacity(narrow_case(OUTPUT_TRUNCATED, "abcd", "abcde"), 5),
        with_capacity(narrow_case(OUTPUT_TRUNCATED, "1234", "%d", 12345), 5),
        with_capacity(narrow_case(OUTPUT_TRUNCATED, "abcd", "%s", "abcdefghijklmnopq"), 5),
        with_capacity(narrow_case(OUTPUT_TRUNCATED, "    ", "%5d", 1), 5),
        with_capacity(narrow_case(OUTPUT_TRUNCATED, "abI", "ab%Iq"), 4),
        with_capacity(narrow_case(OUTPUT_TRUNCATED, "1.2", "%.2f", 1.25), 4),
        with_capacity(narrow_case(0, "", ""), 1),
        with_capacity(narrow_case(OUTPUT_TRUNCATED, "", "a"), 1),
        with_capacity(narrow_case(OUTPUT_ERROR, "", "ab%n"), 5),
        // Out of room before the bad specification is reached: truncation wins.
        with_capacity(narrow_case(OUTPUT_TRUNCATED, "ab", "abcd%n"), 3),
        // The text fills every place but the terminator's before the error is seen.
        with_capacity(narrow_case(OUTPUT_ERROR, "", "abc%n"), 3),
    });
}

TEST(FormatEngine, FormatErrorLeavesEarlierOutputBehindTheTerminator) {
    GuardedBuffer<char> dest(8);
    EXPECT_EQ(call_format_bounded(dest.data(), 8, "abc%n"), OUTPUT_ERROR);
    EXPECT_EQ(std::string(dest.data(), 3), std::string("\0bc", 3));
    EXPECT_EQ(dest[3], 0x5A);
    EXPECT_TRUE(dest.guards_intact());
}

TEST(FormatEngine, ArgumentListIsCopiedNotAdvanced) {
    char dest[16];
    auto twice = [&](const char *format, ...) {
        va_list args;
        va_start(args, format);
        const int first = boundslib::format_bounded(dest, sizeof dest, format, args);
        const int second = boundslib::format_bounded(dest, sizeof dest, format, args);
        va_end(args);
        return std::make_pair(first, second);
    };
    EXPECT_EQ(twice("%d%s", 42, "x"), std::make_pair(3, 3));
    EXPECT_STREQ(dest, "42x");
}

}  // namespace

namespace {

// The core alone: it writes no terminator, and remaining tells running out of room (negative)
// from a format error (zero or more). Wide characters cost four bytes of room each.
template <typename Char>
std::pair<int, int32_t> run_core(int (*core)(boundslib::OutputBuffer &, const Char *, va_list &),
                                 Char *dest, int32_t room, const Char *format, ...) {
    boundslib::OutputBuffer buffer{room, reinterpret_cast<char *>(dest)};
    va_list args;
    va_start(args, format);
    const int result = core(buffer, format, args);
    va_end(args);
    return {result, buffer.remaining};
}

TEST(FormatEngine, CoresReportRoomThroughRemaining) {
    struct Case {
        const char *format;
        int32_t room;
        int result;
        int32_t remaining;  // exact when not negative
        const char *written;
    };
    const Case cases[] = {
        {"abc", 5, 3, 2, "abc"},  {"abcde", 5, 5, 0, "abcde"}, {"abcdef", 5, -1, -1, "abcde"},
        {"ab%n", 5, -1, 3, "ab"}, {"%5d", 3, -1, -1, "   "},   {"ab%", 5, -1, 3, "ab"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.format);
        GuardedBuffer<char> dest(8, 'Z');
        const auto [result, remaining] =
            run_core<char>(boundslib::format_engine, dest.data(), c.room, c.format, 42);
        EXPECT_EQ(result, c.result);
        if (c.remaining < 0) {
            EXPECT_LT(remaining, 0);
        } else {
            EXPECT_EQ(remaining, c.remaining);
        }
        const size_t n = std::strlen(c.written);
        EXPECT_EQ(std::string(dest.data(), n), c.written);
        EXPECT_EQ(dest[n], 'Z');  // no terminator
        EXPECT_TRUE(dest.guards_intact());

        GuardedBuffer<wchar_t> wide(8, L'Z');
        const std::wstring format(c.format, c.format + std::strlen(c.format));
        const auto [wideResult, wideRemaining] = run_core<wchar_t>(
            boundslib::wformat_engine, wide.data(), c.room * 4, format.c_str(), 42);
        EXPECT_EQ(wideResult, c.result);
        if (c.remaining < 0) {
            EXPECT_LT(wideRemaining, 0);
        } else {
            EXPECT_EQ(wideRemaining, c.remaining * 4);
        }
        EXPECT_EQ(std::wstring(wide.data(), n), std::wstring(c.written, c.written + n));
        EXPECT_EQ(wide[n], L'Z');
        EXPECT_TRUE(wide.guards_intact());
    }
}

}  // namespace
