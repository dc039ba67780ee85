// Both engines where their behaviour is their own (what the C library agrees on is left to the
// differential test): the state machine, limits, length modifiers, floating conversions that
// produce nothing, and the entries' outcomes.
#include <climits>
#include <string>

#include "format_case.h"

namespace {

const std::string ONE_AT_THE_CAP = std::string(511, '0') + "1";

TEST(FormatEngine, DirectiveSyntax) {
    both(ROOM, 3, "7  ", "%5-3d", 7);
    both(ROOM, 3, "  7", "%*5d", 3, 7);
    both(ROOM, 3, "007", "%.*5d", 3, 7);
    // Only ASCII takes part in a directive, in the wide engine by the whole character.
    expect<char>(ROOM, 4, "\xe9t\xe9!", "\xe9t\xe9!");
    expect<char>(ROOM, OUTPUT_ERROR, "", "%\xe9", 1);
    expect<wchar_t>(ROOM, 3, L"a\u00e9b", L"a\u00e9b");
    expect<wchar_t>(ROOM, OUTPUT_ERROR, L"", L"%\u0164", 1);  // its low byte is 'd'
    expect<wchar_t>(ROOM, OUTPUT_ERROR, L"", L"%\u0125", 1);  // its low byte is '%'
    // Each a different state meeting a character it does not accept, or the end of the format.
    for (auto f :
         {"%5%", "abc%", "%-5", "%.", "%ll", "%n", "%a", "%..3d", "%5*d", "%l5d", "%.-d"}) {
        both(ROOM, OUTPUT_ERROR, "", f, 1, 2);
    }
}

TEST(FormatEngine, WidthAndPrecisionLimits) {
    both(ROOM, OUTPUT_ERROR, "", "%*d", -214748361, 7);
    both(16, OUTPUT_TRUNCATED, "7" + std::string(14, ' '), "%*d", -214748360, 7);
    both(ROOM, 512, ONE_AT_THE_CAP, "%.*d", 214748360, 1);
    both(ROOM, OUTPUT_ERROR, "", "%.*d", 214748361, 1);
    both(ROOM, 512, ONE_AT_THE_CAP, "%.214748369d", 1);
    both(ROOM, OUTPUT_ERROR, "", "%.2147483690d", 1);
    both(16, OUTPUT_TRUNCATED, std::string(15, ' '), "%214748369d", 1);
    both(ROOM, OUTPUT_ERROR, "", "%2147483690d", 1);
}

TEST(FormatEngine, LengthModifiersAndNullValues) {
    both(ROOM, 1, "5", "%I64I32d", 5);
    both(ROOM, 3, "I6f", "%I6f");
    both(ROOM, 4, "I7!7", "%I%d!%d", 7, 7);
    both(ROOM, 20, std::string(15, ' ') + "(nil)", "%020p", nullptr);
    both(ROOM, 6, "0x1234", "%.10p", reinterpret_cast<void *>(0x1234));
    both(ROOM, 3, "(nu", "%.3s", nullptr);
    both(ROOM, 6, "(null)", "%s", nullptr);  // a bare directive, alone and among text
    both(ROOM, 8, "[(null)]", "[%s]", nullptr);
    both(ROOM, 1, "0", "%#.0o", 0);  // a zero precision and no digits, yet the '#' zero
    for (auto f : {"%lhd", "%hld", "%qd", "%I64d", "%Id", "%lI32d"}) {
        both(ROOM, 13, "1099511627776", f, 1LL << 40);
    }
    for (auto f : {"%wd", "%Nd"}) both(ROOM, 1, "5", f, 5);
}

TEST(FormatEngine, FloatingConversions) {
    both(ROOM, 10, "2.500000|7", "%qf|%d", 2.5L, 7);
    // Too large to render, or sizes that would wrap: nothing, and formatting goes on.
    both(ROOM, 2, "|7", "%.214748100f|%d", 1.0, 7);
    both(ROOM, 2, "|7", "%.214743389Lf|%d", 1.0L, 7);
    both(ROOM, 2, "|7", "%*f|%d", INT_MAX, 1.0, 7);
    both(ROOM, 2, "|7", "%*Lf|%d", INT_MAX, 1.0L, 7);
    // A width equal to the computed size still leaves room for the terminator.
    both(ROOM, 357, std::string(349, ' ') + "1.000000", "%357f", 1.0);
    both(ROOM, 551, std::string(349, ' ') + "1." + std::string(200, '0'), "%551.200f", 1.0);
    both(5000, 4980, std::string(4972, ' ') + "1.000000", "%4980Lf", 1.0L);
    // Modifiers the C library reads differently, and flags repeated beyond a directive's room.
    for (auto f : {"%llf|%d", "%I64f|%d", "%-------f|%d"}) both(ROOM, 10, "2.500000|7", f, 2.5, 7);
}

// A rendering longer than its area is cut at the area's end, and its length says so.
TEST(FormatEngine, FloatRenderersAreBoundedByTheirArea) {
    for (auto *render : {boundslib::output::format_float, boundslib::output::wformat_float}) {
        GuardedBuffer<char> area(8, 'Z');
        EXPECT_EQ(render(area.data(), 8, "%*.*f", 0, 6, 12345.0), 12);
        EXPECT_STREQ(area.data(), "12345.0");
        EXPECT_TRUE(area.guards_intact());
    }
}

// Cut output ends in the last place; out of room before a bad directive, truncation wins.
TEST(FormatEngine, EntryOutcomes) {
    both(3, OUTPUT_TRUNCATED, "ab", "%s", "abcdefgh");
    both(4, OUTPUT_TRUNCATED, "abI", "ab%Iq");
    both(1, 0, "", "");
    both(1, OUTPUT_TRUNCATED, "", "a");
    both(3, OUTPUT_TRUNCATED, "ab", "abcd%n");
    both(3, OUTPUT_ERROR, "", "abc%n");
}

}  // namespace
