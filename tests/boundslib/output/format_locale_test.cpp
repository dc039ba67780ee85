// Conversions between wide and multibyte text under the two locales that matter: "C.UTF-8",
// where they succeed, and "C", where anything outside ASCII fails, and failures that are format
// errors even when there is no room left.
#include <clocale>
#include <string>

#include "format_case.h"

namespace {

using boundslib::OUTPUT_ERROR;
using boundslib::OUTPUT_TRUNCATED;

class LocaleScope {
public:
    explicit LocaleScope(const char *name) : saved_(std::setlocale(LC_ALL, nullptr)) {
        active_ = std::setlocale(LC_ALL, name) != nullptr;
    }
    ~LocaleScope() { std::setlocale(LC_ALL, saved_.c_str()); }
    bool active() const { return active_; }

private:
    std::string saved_;
    bool active_ = false;
};

TEST(FormatLocale, NarrowEngineUnderUtf8) {
    LocaleScope locale("C.UTF-8");
    ASSERT_TRUE(locale.active());
    run_cases<char>({
        narrow_case(5, "\xc3\xa9\xe2\x98\xba", "%ls", L"\u00e9\u263a"),
        // Width and precision count wide characters, not the bytes they become.
        narrow_case(9, "   \xe2\x98\xba\xe2\x98\xba", "%5ls", L"\u263a\u263a"),
        narrow_case(2, "\xc3\xa9", "%.1ls", L"\u00e9x"),
        narrow_case(3, "\xe2\x98\xba", "%lc", 0x263a),
        narrow_case(3, "\xe2\x98\xba", "%C", 0x263a),
        narrow_case(OUTPUT_ERROR, "", "%lc", 0xd800),
        narrow_case(OUTPUT_ERROR, "", "ab%ls", L"x\U0010ffff\xd800"),
        with_capacity(narrow_case(OUTPUT_ERROR, "", "%lc", 0xd800), 1),
        with_capacity(narrow_case(OUTPUT_TRUNCATED, "a\xc3", "a%lc", 0xe9), 3),
    });
}

TEST(FormatLocale, NarrowEngineUnderC) {
    LocaleScope locale("C");
    ASSERT_TRUE(locale.active());
    run_cases<char>({
        narrow_case(3, "abc", "%ls", L"abc"),
        narrow_case(OUTPUT_ERROR, "", "%ls", L"\u00e9"),
        narrow_case(OUTPUT_ERROR, "", "%lc", 0x263a),
        // Out of room before the unconvertible character: that is truncation.
        with_capacity(narrow_case(OUTPUT_TRUNCATED, "ab", "abcd%ls", L"\u00e9"), 3),
        // No room, and the character cannot be converted: a format error.
        with_capacity(narrow_case(OUTPUT_ERROR, "", "ab%ls", L"\u00e9"), 3),
    });
}

TEST(FormatLocale, WideEngineUnderUtf8) {
    LocaleScope locale("C.UTF-8");
    ASSERT_TRUE(locale.active());
    run_cases<wchar_t>({
        wide_case(3, L"\u00e9t\u00e9", L"%s", "\xc3\xa9t\xc3\xa9"),
        // Narrow text pads by its bytes: six bytes, three characters, no padding.
        wide_case(2, L"\u263a\u263a", L"%6s", "\xe2\x98\xba\xe2\x98\xba"),
        wide_case(4, L"  \u263a\u263a", L"%8s", "\xe2\x98\xba\xe2\x98\xba"),
        wide_case(OUTPUT_ERROR, L"", L"%s", "\xff"),
        // A precision that ends inside a character leaves a cut sequence: a failure.
        wide_case(OUTPUT_ERROR, L"", L"%.1s", "\xc3\xa9"),
        wide_case(OUTPUT_ERROR, L"", L"%hc", 0xc3),
        wide_case(OUTPUT_ERROR, L"", L"%C", 0xe9),
        with_capacity(wide_case(OUTPUT_ERROR, L"", L"ab%s", "\xff"), 3),
    });
}

TEST(FormatLocale, WideEngineUnderC) {
    LocaleScope locale("C");
    ASSERT_TRUE(locale.active());
    run_cases<wchar_t>({
        wide_case(3, L"abc", L"%s", "abc"),
        wide_case(OUTPUT_ERROR, L"", L"%s", "\xc3\xa9"),
        wide_case(OUTPUT_ERROR, L"", L"%hc", 0xe9),
        wide_case(1, L"\u00e9", L"%c", 0xe9),
        wide_case(1, L"\u00e9", L"%ls", L"\u00e9"),
    });
}

}  // namespace
