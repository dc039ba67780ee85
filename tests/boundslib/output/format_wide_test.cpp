// The wide engine where it differs from the narrow one: classification of wide format
// characters, its own c/C/s/S table, narrow text converted on output and counted in bytes for
// padding, and the four-byte terminator.
#include <climits>
#include <string>

#include "format_case.h"

namespace {

using boundslib::OUTPUT_ERROR;
using boundslib::OUTPUT_TRUNCATED;

TEST(WideFormatEngine, ClassificationOfWideFormatCharacters) {
    run_cases<wchar_t>({
        wide_case(0, L"", L""),
        wide_case(1, L"%", L"%%"),
        wide_case(3, L"a\u00e9b", L"a\u00e9b"),
        wide_case(OUTPUT_ERROR, L"", L"%\u00e9", 1),
        // The low byte of U+0164 is 'd' and that of U+0125 is '%': neither counts as such.
        wide_case(OUTPUT_ERROR, L"", L"%\u0164", 1),
        wide_case(OUTPUT_ERROR, L"", L"%\u0125", 1),
        wide_case(OUTPUT_ERROR, L"",
                  L"%\x7f"
                  L"d",
                  1),
        wide_case(OUTPUT_ERROR, L"", L"%n", 0),
        wide_case(1, L"I", L"%I"),
        wide_case(2, L"Iq", L"%Iq"),
        wide_case(3, L"7  ", L"%5-3d", 7),
        wide_case(3, L"  7", L"%*5d", 3, 7),
        wide_case(OUTPUT_ERROR, L"", L"%*d", -214748361, 7),
        wide_case(512, std::wstring(511, L'0') + L"1", L"%.600d", 1),
    });
}

TEST(WideFormatEngine, IntegersAndFloats) {
    run_cases<wchar_t>({
        wide_case(3, L"-42", L"%d", -42),
        wide_case(20, L"-9223372036854775808", L"%lld", LLONG_MIN),
        wide_case(13, L"1099511627776", L"%lhd", 1LL << 40),
        wide_case(4, L"0xff", L"%#x", 255),
        wide_case(8, L"0X00001F", L"%#08X", 0x1f),
        wide_case(2, L"05", L"%02x", 5),
        wide_case(5, L"(nil)", L"%p", nullptr),
        wide_case(20, std::wstring(15, L' ') + L"(nil)", L"%020p", nullptr),
        wide_case(6, L"0x1234", L"%p", reinterpret_cast<void *>(0x1234)),
        wide_case(4, L"2.50", L"%.2f", 2.5),
        wide_case(8, L"1.000000", L"%Lf", 1.0L),
        wide_case(2, L"|5", L"%.214748100f|%d", 1.0, 5),
        wide_case(2, L"|7", L"%*f|%d", INT_MAX, 1.0, 7),
        wide_case(10, L"2.500000|7", L"%llf|%d", 2.5, 7),
        wide_case(357, std::wstring(349, L' ') + L"1.000000", L"%357f", 1.0),
    });
}

TEST(WideFormatEngine, CharactersAndStrings) {
    run_cases<wchar_t>({
        wide_case(1, L"\u263a", L"%c", 0x263a),
        wide_case(1, L"A", L"%hc", 'A'),
        wide_case(OUTPUT_ERROR, L"", L"%hc", 0),
        wide_case(3, std::wstring(L"a\0b", 3), L"a%cb", 0),
        wide_case(1, L"x", L"%lc", L'x'),
        wide_case(1, L"x", L"%hlc", 'x'),
        wide_case(1, L"x", L"%C", 'x'),
        wide_case(1, L"x", L"%hC", 'x'),
        wide_case(1, L"\u263a", L"%lC", 0x263a),
        wide_case(1, L"\u263a", L"%wC", 0x263a),
        wide_case(5, L"    x", L"%05c", 'x'),
        wide_case(2, L"hi", L"%s", "hi"),
        wide_case(2, L"hi", L"%ls", L"hi"),
        wide_case(2, L"hi", L"%ws", "hi"),
        wide_case(2, L"hi", L"%hls", "hi"),
        wide_case(2, L"hi", L"%S", "hi"),
        wide_case(2, L"hi", L"%wS", "hi"),
        wide_case(2, L"hi", L"%lS", L"hi"),
        wide_case(6, L"(null)", L"%s", nullptr),
        wide_case(3, L"(nu", L"%.3s", nullptr),
        wide_case(2, L"(n", L"%.2ls", nullptr),
        wide_case(5, L"   ab", L"%5ls", L"ab"),
        wide_case(14, L"abcdefghijklmn", L"%ls", L"abcdefghijklmn"),
        wide_case(2, L"ab", L"%.2ls", L"abcdefghijklmn"),
    });
}

TEST(WideFormatEngine, EntryOutcomes) {
    run_cases<wchar_t>({
        with_capacity(wide_case(2, L"ab", L"ab"), 3),
        with_capacity(wide_case(OUTPUT_TRUNCATED, L"ab", L"abc"), 3),
        with_capacity(wide_case(OUTPUT_TRUNCATED, L"1234", L"%d", 12345), 5),
        with_capacity(wide_case(OUTPUT_TRUNCATED, L"abcd", L"%ls", L"abcdefghijklmnop"), 5),
        with_capacity(wide_case(OUTPUT_TRUNCATED, L"ab", L"%s", "abcdefghijklmnop"), 3),
        with_capacity(wide_case(OUTPUT_TRUNCATED, L"1.", L"%.3f", 1.0), 3),
        with_capacity(wide_case(0, L"", L""), 1),
        with_capacity(wide_case(OUTPUT_TRUNCATED, L"", L"a"), 1),
        with_capacity(wide_case(OUTPUT_ERROR, L"", L"ab%n"), 5),
    });
}

TEST(WideFormatEngine, TerminatorIsOneWholeWideCharacter) {
    GuardedBuffer<wchar_t> dest(4, L'Z');
    EXPECT_EQ(call_wformat_bounded(dest.data(), 4, L"%s", "abc"), 3);
    EXPECT_EQ(dest[3], L'\0');
    EXPECT_TRUE(dest.guards_intact());
}

}  // namespace
