// The copies and appends, narrow and wide, and the copy failure classifiers, on shared scenes.
// A row whose count is kLimit runs the function without a count too: a count at the limit must
// make the counted form act as the uncounted one.
#include <gtest/gtest.h>

#include <string>

#include "bounds_checked.h"
#include "string_scene.h"

namespace {

// An uncounted function in the shape of the counted ones.
template <auto fn>
constexpr auto uncounted =
    [](auto *d, std::size_t m, const auto *s, std::size_t) { return fn(d, m, s); };

constexpr StringCase kCopyCases[] = {
    {"empty source", "xxxx", 0, kSeparate, "", 1, kLimit, 0, "~xxx"},
    {"one character, destMax 1", "xxxx", 0, kSeparate, "a", 1, kLimit, ERR_RANGE_CLEARED, "~xxx"},
    {"destMax 0", "xxxx", 0, kSeparate, "a", 0, kLimit, ERANGE, "xxxx"},
    {"destMax at the limit", "xxxxxx", 0, kSeparate, "abc", kLimit, kLimit, 0, "abc~xx"},
    {"destMax above the limit", "xxxx", 0, kSeparate, "a", kOverLimit, kLimit, ERANGE, "xxxx"},
    {"destMax 0 beats null dest", "xxxx", kNull, kSeparate, "a", 0, kLimit, ERANGE, "xxxx"},
    {"null dest beats null src", "xxxx", kNull, kNull, "", 4, kLimit, EINVAL, "xxxx"},
    {"null src", "xxxx", 0, kNull, "", 4, kLimit, ERR_INVALID_CLEARED, "~xxx"},
    {"destMax above the limit beats null src", "xxxx", 0, kNull, "", kOverLimit, kLimit, ERANGE,
     "xxxx"},
    {"onto itself, fits", "abcde~xxxx", 0, 0, "", 10, kLimit, 0, "abcde~xxxx"},
    {"onto itself, too long", "abcdefghij", 0, 0, "", 10, kLimit, ERR_RANGE_CLEARED, "~bcdefghij"},
    {"terminator lands on source", "xxxxxabcde~", 0, 5, "", 10, kLimit, ERR_OVERLAP_CLEARED,
     "~xxxxabcde~"},
    {"source touches dest's end", "xxxxxxabcde~", 0, 6, "", 10, kLimit, 0, "abcde~abcde~"},
    {"dest on source's terminator", "abcde~xxxxxx", 5, 0, "", 7, kLimit, ERR_OVERLAP_CLEARED,
     "abcde~xxxxxx"},
    {"dest touches source's end", "abcde~xxxxxx", 6, 0, "", 6, kLimit, 0, "abcde~abcde~"},
    {"too long beats overlap", "xxxabcdefghij", 0, 3, "", 5, kLimit, ERR_RANGE_CLEARED,
     "~xxabcdefghij"},
    {"count cuts the source", "xxxxx", 0, kSeparate, "abcd", 3, 2, 0, "ab~xx"},
    {"count ends an unterminated source", "xxx", 0, kUnterminated, "ab", 3, 2, 0, "ab~"},
    {"count fills destMax", "xxxxx", 0, kSeparate, "abcd", 3, 3, ERR_RANGE_CLEARED, "~xxxx"},
    {"count equals destMax, source fits", "xxxxx", 0, kSeparate, "ab", 3, 3, 0, "ab~xx"},
    {"count 0", "xxxxx", 0, kSeparate, "abcd", 3, 0, 0, "~xxxx"},
    {"count above the limit", "xxxxx", 0, kSeparate, "ab", 5, kOverLimit, ERR_RANGE_CLEARED,
     "~xxxx"},
    {"destMax 0 beats a bad count", "xxxxx", 0, kSeparate, "ab", 0, kOverLimit, ERANGE, "xxxxx"},
    {"null src beats a bad count", "xxxxx", 0, kNull, "", 3, kOverLimit, ERR_INVALID_CLEARED,
     "~xxxx"},
    {"null src beats count 0", "xxxxx", 0, kNull, "", 3, 0, ERR_INVALID_CLEARED, "~xxxx"},
    // The one difference between the widths: a wide copy onto itself writes nothing.
    {"onto itself, cut at count", "abcdef~xxx", 0, 0, "", 10, 3, 0, "abc~ef~xxx", "abcdef~xxx"},
    {"counted terminator lands on source", "xxxabcdef~", 0, 3, "", 10, 3, ERR_OVERLAP_CLEARED,
     "~xxabcdef~"},
    {"source just past the counted terminator", "xxxxabcdef~", 0, 4, "", 10, 3, 0, "abc~abcdef~"},
    {"dest at source + count", "abcdef~xxxxx", 3, 0, "", 9, 3, ERR_OVERLAP_CLEARED, "abc~ef~xxxxx"},
    {"dest just past the counted part", "abcdef~xxxxx", 4, 0, "", 8, 3, 0, "abcdabc~xxxx"},
};

constexpr StringCase kConcatCases[] = {
    {"appends", "ab~xx", 0, kSeparate, "cd", 5, kLimit, 0, "abcd~"},
    {"one too many", "ab~xx", 0, kSeparate, "cde", 5, kLimit, ERR_RANGE_CLEARED, "~b~xx"},
    {"unterminated dest", "abcde", 0, kSeparate, "x", 5, kLimit, ERR_INVALID_CLEARED, "~bcde"},
    {"empty onto empty", "~xxxx", 0, kSeparate, "", 1, kLimit, 0, "~xxxx"},
    {"destMax 0", "ab~xx", 0, kSeparate, "cd", 0, kLimit, ERANGE, "ab~xx"},
    {"destMax above the limit", "ab~xx", 0, kSeparate, "cd", kOverLimit, kLimit, ERANGE, "ab~xx"},
    {"destMax at the limit", "ab~xx", 0, kSeparate, "cd", kLimit, kLimit, 0, "abcd~"},
    {"null dest", "ab~xx", kNull, kSeparate, "cd", 5, kLimit, EINVAL, "ab~xx"},
    {"null src", "ab~xx", 0, kNull, "", 5, kLimit, ERR_INVALID_CLEARED, "~b~xx"},
    {"onto itself", "ab~xx", 0, 0, "", 5, kLimit, ERR_RANGE_CLEARED, "~b~xx"},
    {"source inside dest's string", "abcdef~xxx", 0, 2, "", 10, kLimit, ERR_OVERLAP_CLEARED,
     "~bcdef~xxx"},
    {"source where the terminator goes", "ab~xcd~xxx", 0, 4, "", 10, kLimit, ERR_OVERLAP_CLEARED,
     "~b~xcd~xxx"},
    {"source just past the result", "ab~xxcd~xx", 0, 5, "", 5, kLimit, 0, "abcd~cd~xx"},
    {"dest on source's terminator", "cd~xxxxx", 2, 0, "", 6, kLimit, ERR_OVERLAP_CLEARED,
     "cd~xxxxx"},
    {"dest just past source's end", "cd~ab~xxxx", 3, 0, "", 7, kLimit, 0, "cd~abcd~xx"},
    {"unterminated dest, source right after it", "abcdef~xx", 0, 5, "", 5, kLimit,
     ERR_INVALID_CLEARED, "~bcdef~xx"},
    {"unterminated dest, source inside it", "abcde~", 0, 2, "", 5, kLimit, ERR_OVERLAP_CLEARED,
     "~bcde~"},
    {"count cuts the source", "ab~xx", 0, kSeparate, "cdef", 5, 2, 0, "abcd~"},
    {"count ends an unterminated source", "ab~xx", 0, kUnterminated, "cd", 5, 2, 0, "abcd~"},
    {"count one too many", "ab~xx", 0, kSeparate, "cdef", 5, 3, ERR_RANGE_CLEARED, "~b~xx"},
    {"count 0", "ab~xx", 0, kSeparate, "cd", 5, 0, 0, "ab~xx"},
    {"count above the limit", "ab~xx", 0, kSeparate, "cd", 5, kOverLimit, ERR_RANGE_CLEARED,
     "~b~xx"},
    {"null src beats a bad count", "ab~xx", 0, kNull, "", 5, kOverLimit, ERR_INVALID_CLEARED,
     "~b~xx"},
    {"destMax 0 beats everything", "ab~xx", 0, kNull, "", 0, kOverLimit, ERANGE, "ab~xx"},
    {"overlap beats fit", "abcdef~xxx", 0, 2, "", 7, 5, ERR_OVERLAP_CLEARED, "~bcdef~xxx"},
};

// The classifiers report every failure their copy finds before its overlap test, with the same
// clearing; where the copy would go on they return 0 and write nothing, except that a count of 0
// still leaves the empty string.
template <typename Call>
void run_classifier(const StringCase &c, bool counted, const char *function, Call classify) {
    StringCase expected = c;
    std::string unchanged = c.before;
    if (counted && c.count == 0) unchanged[c.destAt] = '~';
    if (c.expected == 0 || c.expected == ERR_OVERLAP_CLEARED) {
        expected.expected = 0;
        expected.after = unchanged.c_str();
    }
    run_case<char>(expected, function, classify);
}

TEST(StringCopy, Cases) {
    for (const StringCase &c : kCopyCases) {
        run_case<char>(c, "strncpy_s", strncpy_s);
        run_case<wchar_t>(c, "wcsncpy_s", wcsncpy_s);
        run_classifier(c, true, "classify_strncpy_failure", classify_strncpy_failure);
        if (c.count != kLimit) continue;
        run_case<char>(c, "strcpy_s", uncounted<strcpy_s>);
        run_case<wchar_t>(c, "wcscpy_s", uncounted<wcscpy_s>);
        run_classifier(c, false, "classify_strcpy_failure", uncounted<classify_strcpy_failure>);
    }
}

TEST(StringConcat, Cases) {
    for (const StringCase &c : kConcatCases) {
        run_case<char>(c, "strncat_s", strncat_s);
        run_case<wchar_t>(c, "wcsncat_s", wcsncat_s);
        if (c.count != kLimit) continue;
        run_case<char>(c, "strcat_s", uncounted<strcat_s>);
        run_case<wchar_t>(c, "wcscat_s", uncounted<wcscat_s>);
    }
}

}  // namespace
