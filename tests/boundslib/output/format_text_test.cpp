// Characters and strings: which of c/C/s/S with which length modifier reads a narrow or a wide
// argument in each engine, and the conversions between wide and multibyte text under "C.UTF-8",
// where they succeed, and "C", where anything outside ASCII fails. Each test sets its own locale.
#include <clocale>
#include <string>

#include "format_case.h"

namespace {

// 0x141 read as a narrow character is 'A'; read as a wide one it is U+0141.
constexpr int CHARACTER = 0x141;

TEST(FormatText, NarrowEngineUnderUtf8) {
    ASSERT_NE(std::setlocale(LC_ALL, "C.UTF-8"), nullptr);
    expect<char>(ROOM, 3, {"a\0b", 3}, "a%cb", 0);
    expect<char>(ROOM, 2, {"a\0", 2}, "a%lc", 0);
    expect<char>(ROOM, 5, "    A", "%05c", CHARACTER);
    expect<char>(ROOM, 2, "(n", "%.2S", nullptr);
    expect<char>(ROOM, 5, "   ab", "%05s", "ab");
    expect<char>(ROOM, 0, "", "%.0ls", L"abc");
    // Width and precision count wide characters, not the bytes they become.
    expect<char>(ROOM, 9, "   \xe2\x98\xba\xe2\x98\xba", "%5ls", L"\u263a\u263a");
    expect<char>(ROOM, 2, "\xc3\xa9", "%.1ls", L"\u00e9x");
    expect<char>(ROOM, OUTPUT_ERROR, "", "%lc", 0xd800);
    expect<char>(ROOM, OUTPUT_ERROR, "", "ab%ls", L"x\U0010ffff\xd800");
    expect<char>(3, OUTPUT_TRUNCATED, "a\xc3", "a%lc", 0xe9);
    for (auto f : {"%c", "%hc", "%hC"}) expect<char>(ROOM, 1, "A", f, CHARACTER);
    for (auto f : {"%lc", "%C", "%hlC", "%wc"}) expect<char>(ROOM, 2, "\xc5\x81", f, CHARACTER);
    for (auto f : {"%s", "%hs", "%hS"}) expect<char>(ROOM, 2, "hi", f, "hi");
    for (auto f : {"%ls", "%ws", "%S", "%hls"}) expect<char>(ROOM, 2, "hi", f, L"hi");
}

TEST(FormatText, WideEngineUnderUtf8) {
    ASSERT_NE(std::setlocale(LC_ALL, "C.UTF-8"), nullptr);
    expect<wchar_t>(ROOM, 3, {L"a\0b", 3}, L"a%cb", 0);
    expect<wchar_t>(ROOM, OUTPUT_ERROR, L"", L"%hc", 0);
    expect<wchar_t>(ROOM, 2, L"(n", L"%.2ls", nullptr);
    expect<wchar_t>(ROOM, 5, L"   ab", L"%5ls", L"ab");
    expect<wchar_t>(ROOM, 2, L"ab", L"%.2ls", L"abcdefghijklmn");
    // Narrow text pads by its bytes: six bytes, two characters, two places of padding.
    expect<wchar_t>(ROOM, 4, L"  \u263a\u263a", L"%8s", "\xe2\x98\xba\xe2\x98\xba");
    expect<wchar_t>(ROOM, OUTPUT_ERROR, L"", L"%s", "\xff");
    // A precision that ends inside a character leaves a cut sequence: a failure.
    expect<wchar_t>(ROOM, OUTPUT_ERROR, L"", L"%.1s", "\xc3\xa9");
    expect<wchar_t>(ROOM, OUTPUT_ERROR, L"", L"%hc", 0xc3);
    expect<wchar_t>(3, OUTPUT_ERROR, L"", L"ab%s", "\xff");
    for (auto f : {L"%hc", L"%hlc", L"%C", L"%hC"}) expect<wchar_t>(ROOM, 1, L"A", f, CHARACTER);
    for (auto f : {L"%c", L"%lc", L"%lC", L"%wC"}) {
        expect<wchar_t>(ROOM, 1, L"\u0141", f, CHARACTER);
    }
    for (auto f : {L"%s", L"%ws", L"%hls", L"%S", L"%wS"}) expect<wchar_t>(ROOM, 2, L"hi", f, "hi");
    for (auto f : {L"%ls", L"%lS"}) expect<wchar_t>(ROOM, 2, L"hi", f, L"hi");
}

TEST(FormatText, ConversionFailuresUnderC) {
    ASSERT_NE(std::setlocale(LC_ALL, "C"), nullptr);
    expect<char>(ROOM, OUTPUT_ERROR, "", "%ls", L"\u00e9");
    expect<char>(ROOM, OUTPUT_ERROR, "", "%lc", 0x263a);
    // Out of room before the character that fails: truncation; no room and it fails: error.
    expect<char>(3, OUTPUT_TRUNCATED, "ab", "abcd%ls", L"\u00e9");
    expect<char>(3, OUTPUT_ERROR, "", "ab%ls", L"\u00e9");
    expect<wchar_t>(ROOM, OUTPUT_ERROR, L"", L"%s", "\xc3\xa9");
    expect<wchar_t>(ROOM, OUTPUT_ERROR, L"", L"%hc", 0xe9);
    expect<wchar_t>(ROOM, 1, L"\u00e9", L"%c", 0xe9);
}

}  // namespace
