// Multibyte text into wide targets of the narrow functions, and wide text into narrow targets of
// the wide ones, under "C.UTF-8" and "C". Generated strings of 1- to 4-byte characters are checked
// against their own code points and encoding; invalid and cut sequences have rows of their own,
// run one after the other in one process, so that a conversion state left over by one call would
// show in the next.
#include <climits>
#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <cwchar>
#include <random>
#include <string>

#include <gtest/gtest.h>

#include "bounds_checked.h"
#include "guarded_buffer.h"

namespace {

struct Locale {
    bool ok;
    explicit Locale(const char *name) : ok(std::setlocale(LC_ALL, name) != nullptr) {}
    ~Locale() { std::setlocale(LC_ALL, "C"); }
};

// The C library's encoding of text in the current locale.
std::string encoded(const std::wstring &text) {
    std::string bytes(text.size() * MB_LEN_MAX, '\0');
    bytes.resize(std::wcstombs(bytes.data(), text.c_str(), bytes.size()));
    return bytes;
}

// 1 to 12 characters, each of 1, 2, 3 or 4 bytes in UTF-8, no white space and no surrogates.
std::wstring mixed_text(std::mt19937 &rng) {
    auto uniform = [&](unsigned low, unsigned high) {
        return std::uniform_int_distribution<unsigned>(low, high)(rng);
    };
    constexpr unsigned LOW[] = {0x21, 0x80, 0x800, 0x10000},
                       HIGH[] = {0x7E, 0x7FF, 0xFFFF, 0x10FFFF};
    std::wstring text;
    for (unsigned n = uniform(1, 12); n > 0; --n) {
        const unsigned bytes = uniform(0, 3);
        unsigned c;
        do {
            c = uniform(LOW[bytes], HIGH[bytes]);
        } while (c >= 0xD800 && c <= 0xDFFF);
        text += wchar_t(c);
    }
    return text;
}

TEST(ScanLocale, MultibyteToWideAndBackUnderUtf8) {
    Locale locale("C.UTF-8");
    ASSERT_TRUE(locale.ok);
    std::mt19937 rng(0x10ca1e);
    for (int i = 0; i < 400 && !HasFailure(); ++i) {
        const std::wstring text = mixed_text(rng);
        const std::string bytes = encoded(text);
        SCOPED_TRACE("case " + std::to_string(i) + ": " + bytes);

        // A width counts characters, however many bytes each takes; %n counts bytes.
        GuardedBuffer<wchar_t> wide(text.size() + 1);
        int consumed = -1;
        EXPECT_EQ(sscanf_s(bytes.c_str(), "%ls%n", wide.data(), unsigned(wide.size()), &consumed),
                  1);
        EXPECT_EQ(std::wstring(wide.data()), text);
        EXPECT_EQ(size_t(consumed), bytes.size());
        const size_t width = size_t(i) % text.size() + 1;
        const std::string format = "%" + std::to_string(width) + "lc";
        GuardedBuffer<wchar_t> chars(width, L'~');
        EXPECT_EQ(sscanf_s(bytes.c_str(), format.c_str(), chars.data(), unsigned(width)), 1);
        EXPECT_EQ(std::wstring(chars.data(), width), text.substr(0, width));
        EXPECT_TRUE(wide.guards_intact() && chars.guards_intact());

        // The wide functions store the encoding into a narrow target, or clear it when the last
        // character does not fit.
        GuardedBuffer<char> narrow(bytes.size() + 1), tight(bytes.size());
        EXPECT_EQ(
            swscanf_s(text.c_str(), L"%s%n", narrow.data(), unsigned(narrow.size()), &consumed), 1);
        EXPECT_EQ(std::string(narrow.data()), bytes);
        EXPECT_EQ(size_t(consumed), text.size());
        EXPECT_EQ(swscanf_s(text.c_str(), L"%s", tight.data(), unsigned(tight.size())), 0);
        EXPECT_EQ(tight[0], 0);
        EXPECT_TRUE(narrow.guards_intact() && tight.guards_intact());
    }
}

// Rows run in order, from a string and from a file alike: after a cut or invalid sequence, later
// sequences still convert. A bad byte is one '?' and takes nothing after it, whether it is a stray
// lead byte or ends a sequence early; the number after it shows where the field ended.
TEST(ScanLocale, InvalidAndCutSequences) {
    struct Row {
        const char *locale, *input, *format;
        const wchar_t *stored;
        int number;
    } const rows[] = {
        {"C.UTF-8", "ab\xE2\x82", "%ls%n", L"ab?", 4},
        {"C.UTF-8", "\xF0\x9F\x98", "%ls%n", L"?", 3},
        {"C.UTF-8", "\xF0\x9F\x98\x80x", "%ls%n", L"\U0001F600x", 5},
        {"C.UTF-8", "a\xFF", "%ls%n", L"a?", 2},
        {"C.UTF-8", "\xC3\xA9\xFF", "%ls%n", L"\u00E9?", 3},
        {"C.UTF-8", "\xFFz", "%2lc%n", L"?z", 2},
        {"C.UTF-8", "\xC3z", "%2lc%n", L"?z", 2},
        {"C.UTF-8", "\xE2\x82z 7", "%ls%d", L"?z", 7},
        {"C.UTF-8", "\xE2\x82\x37", "%1lc%d", L"?", 7},
        {"C.UTF-8", "\x80\xC3\xA9", "%ls%n", L"?\u00E9", 3},
        {"C", "a\xC3\xA9", "%ls%n", L"a??", 3},
    };
    for (const Row &row : rows) {
        Locale locale(row.locale);
        ASSERT_TRUE(locale.ok);
        for (const bool fromFile : {false, true}) {
            SCOPED_TRACE(std::string(row.locale) + ": " + row.input + (fromFile ? " (file)" : ""));
            GuardedBuffer<wchar_t> out(8, L'~');
            int number = -1;
            FILE *file = fromFile
                             ? fmemopen(const_cast<char *>(row.input), std::strlen(row.input), "r")
                             : nullptr;
            EXPECT_EQ(fromFile ? fscanf_s(file, row.format, out.data(), 8u, &number)
                               : sscanf_s(row.input, row.format, out.data(), 8u, &number),
                      std::strstr(row.format, "%d") != nullptr ? 2 : 1);
            if (file) std::fclose(file);
            EXPECT_EQ(std::wstring(out.data(), std::wcslen(row.stored)), row.stored);
            EXPECT_EQ(number, row.number);
            EXPECT_TRUE(out.guards_intact());
        }
    }
}

// A wide character without a multibyte form is left out of a narrow target.
TEST(ScanLocale, UnconvertibleWideCharacters) {
    struct WideRow {
        const char *locale;
        std::wstring input;
        std::string stored;
    } rows[] = {
        {"C.UTF-8", {L'a', wchar_t(0xD800), L'b', wchar_t(0xDFFF), L'c'}, "abc"},
        {"C.UTF-8", L"\u00E9t\u00E9", "\xC3\xA9t\xC3\xA9"},
        {"C", L"\u00E9t\u00E9", "t"},
    };
    for (const WideRow &row : rows) {
        Locale locale(row.locale);
        ASSERT_TRUE(locale.ok);
        GuardedBuffer<char> narrow(16);
        EXPECT_EQ(swscanf_s(row.input.c_str(), L"%s", narrow.data(), 16u), 1) << row.stored;
        EXPECT_EQ(std::string(narrow.data()), row.stored);
        EXPECT_TRUE(narrow.guards_intact());
    }
}

// Units far outside Unicode (the lowest values of a signed wchar_t) in formats and in fields are
// neither digits nor letters of any kind: they end a number and never match a conversion.
TEST(ScanLocale, WideUnitsOutsideUnicode) {
    constexpr wchar_t FAR[] = {wchar_t(0x80000000u), wchar_t(0x8000002Fu)};
    for (const wchar_t far : FAR) {
        SCOPED_TRACE(std::to_string(static_cast<unsigned long>(far)));
        const wchar_t digitsThenFar[] = {L'1', L'2', far, 0}, farAlone[] = {far, 0};
        const wchar_t farConversion[] = {L'%', far, 0}, farWidth[] = {L'%', far, L'd', 0};
        int n = -1;
        EXPECT_EQ(swscanf_s(digitsThenFar, L"%d", &n), 1);
        EXPECT_EQ(n, 12);
        EXPECT_EQ(swscanf_s(farAlone, L"%x", &n), 0);
        EXPECT_EQ(swscanf_s(L"5", farConversion), -1);
        EXPECT_EQ(swscanf_s(L"5", farWidth, &n), -1);
    }
}

}  // namespace
