// The engine's arithmetic and conversions against models and the C library: every finishing
// row (size class x sign x overflow) for both engines, floating fields against strtod/strtold,
// the growth limit of the float text, and the faults the engine mends.
#include <bounds_checked.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <random>
#include <string>

#include <gtest/gtest.h>

#include "input/scan_run.h"
#include "scan_case.h"

namespace {

using u128 = unsigned __int128;
constexpr u128 TWO_64 = u128(1) << 64;
constexpr uint64_t TWO_63 = uint64_t{1} << 63;
constexpr u128 TWO_32 = u128(1) << 32;

std::string in_base(u128 value, unsigned base) {
    std::string digits;
    do {
        digits.insert(digits.begin(), "0123456789abcdef"[unsigned(value % base)]);
        value /= base;
    } while (value != 0);
    return digits;
}

// The 64-bit result the finishing rules give for a magnitude, before the store keeps its low
// bytes. Overflow means the magnitude does not fit in 64 bits.
uint64_t finished(bool isSigned, bool negative, u128 magnitude, size_t bytes) {
    const bool overflow = magnitude >= TWO_64;
    const uint64_t m = uint64_t(magnitude);
    if (bytes == 8) {
        if (!isSigned) return overflow ? ~0ULL : negative ? 0 - m : m;
        if (!negative) return overflow || m >= TWO_63 ? TWO_63 - 1 : m;
        return overflow || m > TWO_63 ? TWO_63 : 0 - m;
    }
    if (bytes == 4) {
        if (isSigned && !negative) return overflow || m >= TWO_63 ? ~0ULL : m;
        if (isSigned) return overflow || m > TWO_63 ? 0 : uint32_t(0 - m);
        if (!negative) return overflow ? 0xFFFFFFFF : m;
        return overflow ? ~0ULL : m > (uint64_t{1} << 32) ? 0xFFFFFFFF : uint32_t(0 - m);
    }
    if (isSigned && !negative) return overflow ? ~0ULL : m >= TWO_63 ? TWO_63 - 1 : m;
    if (isSigned) return overflow ? 0 : m > TWO_63 ? TWO_63 : 0 - m;
    return overflow ? ~0ULL : negative ? 0 - m : m;
}

TEST(ScanEngine, FinishingRowsForEveryTarget) {
    const struct {
        const char *text;
        size_t bytes;
    } modifiers[] = {{"hh", 1}, {"h", 2}, {"", 4}, {"l", 8}, {"ll", 8}, {"I64", 8}};
    const u128 magnitudes[] = {0,          1,          0x7FFFFFFF, 0x80000000,    0xFFFFFFFF,
                               TWO_32,     TWO_32 + 1, TWO_63 - 1, TWO_63,        TWO_63 + 1,
                               TWO_64 - 1, TWO_64,     TWO_64 + 5, TWO_64 * 5 + 7};
    for (const auto &mod : modifiers) {
        for (const char conversion : {'d', 'i', 'u', 'o', 'x'}) {
            const unsigned base = conversion == 'o' ? 8 : conversion == 'x' ? 16 : 10;
            for (const char *sign : {"", "-", "+"}) {
                for (const u128 magnitude : magnitudes) {
                    const std::string input = sign + in_base(magnitude, base);
                    const std::string format = std::string("%") + mod.text + conversion;
                    const uint64_t want = finished(conversion == 'd' || conversion == 'i',
                                                   *sign == '-', magnitude, mod.bytes);
                    expect_scan(input, format, 1,
                                {"i" + std::to_string(mod.bytes) + "=" + std::to_string(want)});
                }
            }
        }
    }
}

// Plain decimal numbers as the engine collects them: sign, digits, point, exponent, any part
// missing. The stored value must be the C library's for the same text, bit for bit.
TEST(ScanEngine, FloatingFieldsMatchTheCLibrary) {
    std::mt19937 random(20261207);
    auto digits = [&](int most) {
        std::string out(random() % (most + 1), '0');
        for (char &c : out) c = char('0' + random() % 10);
        return out;
    };
    for (int i = 0; i < 4000; ++i) {
        std::string text = random() % 3 == 0 ? "-" : random() % 5 == 0 ? "+" : "";
        text += digits(i % 2 == 0 ? 8 : 24);
        if (random() % 2 != 0) text += "." + digits(i % 3 == 0 ? 6 : 20);
        if (text.find_first_of("0123456789") == std::string::npos) text += "7";
        if (random() % 2 != 0) {
            text += random() % 2 != 0 ? "e" : "E";
            text += random() % 3 == 0 ? "-" : random() % 4 == 0 ? "+" : "";
            text += digits(i % 4 == 0 ? 3 : 2);
        }
        SCOPED_TRACE(text);
        double d = 0;
        float f = 0;
        long double ld = 0;
        ASSERT_EQ(sscanf_s(text.c_str(), "%lf", &d), 1);
        EXPECT_EQ(std::memcmp(&d, &(const double &)std::strtod(text.c_str(), nullptr), sizeof d),
                  0);
        ASSERT_EQ(sscanf_s(text.c_str(), "%f", &f), 1);
        EXPECT_EQ(f, float(std::strtod(text.c_str(), nullptr)));
        const std::wstring wide(text.begin(), text.end());
        ASSERT_EQ(swscanf_s(wide.c_str(), L"%Lf", &ld), 1);
        EXPECT_EQ(ld, std::strtold(text.c_str(), nullptr));
    }
    // Around the size of the frame's text: the field's text fills it exactly, or grows.
    for (size_t length = 345; length <= 353; ++length) {
        std::string text = "0." + std::string(length - 3, '3') + "7";
        SCOPED_TRACE(length);
        double d = 0;
        ASSERT_EQ(sscanf_s(text.c_str(), "%lf", &d), 1);
        EXPECT_EQ(d, std::strtod(text.c_str(), nullptr));
    }
    // Longer than the frame's text: it grows on the heap.
    const std::string longText = "1" + std::string(999, '0') + "e-997";
    double d = 0;
    EXPECT_EQ(sscanf_s(longText.c_str(), "%lf", &d), 1);
    EXPECT_EQ(d, 100.0);
    EXPECT_EQ(sscanf_s("10e", "%lf", &d), 1);  // a dangling exponent is left out
    EXPECT_EQ(d, 10.0);
    EXPECT_EQ(sscanf_s("1.25", "%3lf", &d), 1);
    EXPECT_EQ(d, 1.2);
}

TEST(ScanEngine, FloatTextGrowthStopsAtTheLimit) {
    using namespace boundslib::input;
    char narrow[1];
    FloatText<char> text{184025087, 184025087, narrow, nullptr};
    EXPECT_EQ(grow_float_text(text), -1);
    wchar_t wide[1];
    FloatText<wchar_t> wideText{26843545, 26843545, wide, nullptr};
    EXPECT_EQ(grow_float_text(wideText), -1);
    char frame[FLOAT_TEXT_INITIAL];
    std::memset(frame, '7', sizeof frame);
    FloatText<char> grown{FLOAT_TEXT_INITIAL, FLOAT_TEXT_INITIAL, frame, nullptr};
    ASSERT_EQ(grow_float_text(grown), 0);
    EXPECT_EQ(grown.capacity, 701u);
    EXPECT_EQ(std::string(grown.text, 350), std::string(350, '7'));
    EXPECT_EQ(frame[0] | frame[349], 0);  // the old storage is cleared
    std::free(grown.heapText);
}

// A %s field read in place ends at the first of the six white-space characters, wherever it falls
// among the field's bytes, and never beyond a width: every byte value at every position, checked
// against strcspn.
TEST(ScanEngine, StringFieldsEndAtEveryWhiteSpace) {
    for (int byte = 0; byte < 256; ++byte) {
        for (size_t position = 1; position < 20; ++position) {
            std::string text;
            for (size_t i = 0; i < 23; ++i) text += char((i % 2 != 0 ? 0x80 : 0) + 'a' + i);
            text[position] = char(byte);
            for (unsigned width = 0; width <= 24; width += 3) {
                SCOPED_TRACE(::testing::Message() << byte << " at " << position << " /" << width);
                const std::string format =
                    width == 0 ? "%s%n" : "%" + std::to_string(width) + "s%n";
                size_t length = std::strcspn(text.c_str(), " \t\n\v\f\r");
                if (width != 0 && width < length) length = width;
                char out[32];
                int consumed = -1;
                ASSERT_EQ(sscanf_s(text.c_str(), format.c_str(), out, 32u, &consumed), 1);
                EXPECT_EQ(std::string(out), text.substr(0, length));
                EXPECT_EQ(consumed, int(length));
            }
        }
    }
}

// A '-' right before the format's end is a member, and the set is unterminated: the bytes after
// the terminator are never read.
TEST(ScanEngine, ScanSetDashAtTheFormatsEnd) {
    const char format[] = "%[a-\0b]";
    char out[8] = "#######";
    EXPECT_EQ(sscanf_s("a-b", format, out, 8u), 0);
    EXPECT_EQ(out[0], 0);
    EXPECT_EQ(out[1], '#');
}

// Ranges run over 32-bit values and mark bits modulo 65536; they end whatever the end value.
TEST(ScanEngine, WideScanSetRanges) {
    const wchar_t everything[] = {L'%', L'l', L'[', 1, L'-', wchar_t(0xFFFFFFFF), L']', 0};
    wchar_t out[8];
    EXPECT_EQ(swscanf_s(L"az\U00010000", everything, out, 8u), 1);
    EXPECT_EQ(std::wstring(out), L"az");
    // Ranges over all 2^32 values, many of them: marking them one value at a time would run
    // for minutes, far past the test's time limit.
    std::wstring manyRanges = L"%l[";
    for (int i = 0; i < 128; ++i) manyRanges += {wchar_t(1), L'-', wchar_t(0xFFFFFFFF)};
    EXPECT_EQ(swscanf_s(L"q\U00010000", (manyRanges + L"]").c_str(), out, 8u), 1);
    EXPECT_EQ(std::wstring(out), L"q");
    const wchar_t spansAll[] = {L'%', L'l', L'[', 0x10, L'-', 0x1000F, L']', 0};
    EXPECT_EQ(swscanf_s(L"\x1\x2", spansAll, out, 8u), 1);
    EXPECT_EQ(std::wstring(out), L"\x1\x2");
    const wchar_t wraps[] = {L'%', L'l', L'[', 0x10061, L']', 0};  // 'a' modulo 65536
    EXPECT_EQ(swscanf_s(L"aab", wraps, out, 8u), 1);
    EXPECT_EQ(std::wstring(out), L"aa");
    EXPECT_EQ(swscanf_s(L"b\U00010000", L"%l[^a]", out, 8u), 1);
    EXPECT_EQ(std::wstring(out), L"b");
    const char narrowAll[] = {'%', '[', 1, '-', char(0xFF), ']', 0};
    char narrowOut[8];
    EXPECT_EQ(sscanf_s("\x01\xFF\x80", narrowAll, narrowOut, 8u), 1);
    EXPECT_EQ(std::string(narrowOut), "\x01\xFF\x80");
}

// What only the wide engine does: characters above 255 are never digits, and a field whose
// characters have no multibyte form stores nothing.
TEST(ScanEngine, WideEngineCharacters) {
    int n = 0;
    EXPECT_EQ(swscanf_s(L"12\xFF13", L"%d%n", &n, &n), 1);
    EXPECT_EQ(n, 2);
    char out[4] = "###";
    EXPECT_EQ(swscanf_s(L"\u00E9 ", L"%s", out, 4u), 0);  // no form in "C": nothing stored
    EXPECT_EQ(swscanf_s(L"x", L""), 0);
}

}  // namespace
