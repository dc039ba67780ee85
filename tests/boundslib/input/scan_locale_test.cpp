// Multibyte text into wide targets of the narrow functions, and wide text into narrow targets of
// the wide ones, under "C.UTF-8" and "C". Generated strings of 1- to 4-byte characters are checked
// against their own code points and encoding; invalid and cut sequences have rows of their own,
// run one after the other in one process, so that a conversion state left over by one call would
// show in the next.
#include <clocale>
#include <cstdlib>
#include <cstring>
#include <cwchar>
#include <random>
#include <string>

#include <gtest/gtest.h>

#include "bounds_checked.h"
#include "guarded_buffer.h"

namespace {

class Locale {
public:
    explicit Locale(const char *name) : ok_(std::setlocale(LC_ALL, name) != nullptr) {}
    ~Locale() { std::setlocale(LC_ALL, "C"); }
    bool ok() const { return ok_; }

private:
    bool ok_;
};

std::string utf8(const std::wstring &text) {
    std::string bytes;
    for (const wchar_t w : text) {
        const auto c = static_cast<unsigned long>(w);
        if (c < 0x80) {
            bytes += char(c);
        } else if (c < 0x800) {
            bytes += {char(0xC0 | (c >> 6)), char(0x80 | (c & 0x3F))};
        } else if (c < 0x10000) {
            bytes +=
                {char(0xE0 | (c >> 12)), char(0x80 | ((c >> 6) & 0x3F)), char(0x80 | (c & 0x3F))};
        } else {
            bytes += {char(0xF0 | (c >> 18)), char(0x80 | ((c >> 12) & 0x3F)),
                      char(0x80 | ((c >> 6) & 0x3F)), char(0x80 | (c & 0x3F))};
        }
    }
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
    ASSERT_TRUE(locale.ok());
    std::mt19937 rng(0x10ca1e);
    for (int i = 0; i < 400 && !HasFailure(); ++i) {
        const std::wstring text = mixed_text(rng);
        const std::string bytes = utf8(text);
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

struct Row {
    const char *locale;
    std::string input;
    const char *format;  // one or two %ls
    int result;
    std::wstring first, second;
};

// Rows run in order: after a cut or invalid sequence, later sequences still convert.
TEST(ScanLocale, InvalidAndCutSequences) {
    const Row rows[] = {
        {"C.UTF-8", "ab\xE2\x82", "%ls", 1, L"ab?", L""},
        {"C.UTF-8", "\xE2\x82\xAC", "%ls", 1, L"\u20AC", L""},
        {"C.UTF-8", "\xF0\x9F\x98", "%ls", 1, L"?", L""},
        {"C.UTF-8", "\xF0\x9F\x98\x80x", "%ls", 1, L"\U0001F600x", L""},
        {"C.UTF-8", "a\xFF", "%ls", 1, L"a?", L""},
        {"C.UTF-8", "\xC3\xA9\xFF", "%ls", 1, L"\u00E9?", L""},
        // A sequence cut short takes nothing after it: the byte that breaks it is read again.
        {"C.UTF-8",
         "\xE2\x82"
         "abcd \xE2\x82\xAC",
         "%ls %ls", 2, L"?abcd", L"\u20AC"},
        {"C.UTF-8",
         "\x80"
         "bcdefg \xF0\x9F\x98\x80",
         "%ls %ls", 2, L"?bcdefg", L"\U0001F600"},
        {"C", "\xC3\xA9 a\x80z", "%ls %ls", 2, L"??", L"a?z"},
        {"C.UTF-8", "\xE2\x82\xAC\xC3\xA9", "%ls", 1, L"\u20AC\u00E9", L""},
    };
    for (const Row &row : rows) {
        Locale locale(row.locale);
        ASSERT_TRUE(locale.ok());
        SCOPED_TRACE(std::string(row.locale) + ": " + row.input);
        GuardedBuffer<wchar_t> first(8, L'~'), second(8, L'~');
        EXPECT_EQ(sscanf_s(row.input.c_str(), row.format, first.data(), 8u, second.data(), 8u),
                  row.result);
        EXPECT_EQ(std::wstring(first.data()), row.first);
        if (row.result == 2) {
            EXPECT_EQ(std::wstring(second.data()), row.second);
        }
        EXPECT_TRUE(first.guards_intact() && second.guards_intact());
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
        ASSERT_TRUE(locale.ok());
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
