// strcpy_s, strncpy_s, their wide twins and their failure classifiers, on the same scenes.
#include <gtest/gtest.h>

#include "bounds_checked.h"
#include "string_scene.h"

namespace {

constexpr StringCase kCopyCases[] = {
    {"fits with its terminator", "xxxxxxxxxxxxxxxxxx", 0, kSeparate, "signature error", 16, 0, 0,
     "signature error~xx"},
    {"one short of room", "xxxxxxxxxxxxxxxxxx", 0, kSeparate, "signature error", 15, 0,
     ERR_RANGE_CLEARED, "~xxxxxxxxxxxxxxxxx"},
    {"empty source", "xxxx", 0, kSeparate, "", 1, 0, 0, "~xxx"},
    {"one character, destMax 1", "xxxx", 0, kSeparate, "a", 1, 0, ERR_RANGE_CLEARED, "~xxx"},
    {"destMax 0", "xxxx", 0, kSeparate, "a", 0, 0, ERANGE, "xxxx"},
    {"destMax at the limit", "xxxxxx", 0, kSeparate, "abc", kLimit, 0, 0, "abc~xx"},
    {"destMax above the limit", "xxxx", 0, kSeparate, "a", kOverLimit, 0, ERANGE, "xxxx"},
    {"destMax the largest size", "xxxx", 0, kSeparate, "a", SIZE_MAX, 0, ERANGE, "xxxx"},
    {"null dest", "xxxx", kNull, kSeparate, "a", 4, 0, EINVAL, "xxxx"},
    {"null dest, destMax 0", "xxxx", kNull, kSeparate, "a", 0, 0, ERANGE, "xxxx"},
    {"null dest and src", "xxxx", kNull, kNull, "", 4, 0, EINVAL, "xxxx"},
    {"null src", "xxxx", 0, kNull, "", 4, 0, ERR_INVALID_CLEARED, "~xxx"},
    {"null src, destMax above the limit", "xxxx", 0, kNull, "", kOverLimit, 0, ERANGE, "xxxx"},
    {"onto itself, fits", "abcde~xxxx", 0, 0, "", 10, 0, 0, "abcde~xxxx"},
    {"onto itself, too long", "abcdefghij", 0, 0, "", 10, 0, ERR_RANGE_CLEARED, "~bcdefghij"},
    {"source 3 after dest", "xxxabcde~x", 0, 3, "", 10, 0, ERR_OVERLAP_CLEARED, "~xxabcde~x"},
    {"terminator lands on source", "xxxxxabcde~", 0, 5, "", 10, 0, ERR_OVERLAP_CLEARED,
     "~xxxxabcde~"},
    {"source touches dest's end", "xxxxxxabcde~", 0, 6, "", 10, 0, 0, "abcde~abcde~"},
    {"dest 3 after source", "abcde~xxxxxx", 3, 0, "", 9, 0, ERR_OVERLAP_CLEARED, "abc~e~xxxxxx"},
    {"dest on source's terminator", "abcde~xxxxxx", 5, 0, "", 7, 0, ERR_OVERLAP_CLEARED,
     "abcde~xxxxxx"},
    {"dest touches source's end", "abcde~xxxxxx", 6, 0, "", 6, 0, 0, "abcde~abcde~"},
    {"too long beats overlap", "xxxabcdefghij", 0, 3, "", 5, 0, ERR_RANGE_CLEARED, "~xxabcdefghij"},
};

constexpr StringCase kBoundedCopyCases[] = {
    {"count cuts the source", "xxxxx", 0, kSeparate, "abcd", 3, 2, 0, "ab~xx"},
    {"count fills destMax", "xxxxx", 0, kSeparate, "abcd", 3, 3, ERR_RANGE_CLEARED, "~xxxx"},
    {"count beyond a short source", "xxxxx", 0, kSeparate, "ab", 3, 5, 0, "ab~xx"},
    {"count equals destMax, source fits", "xxxxx", 0, kSeparate, "ab", 3, 3, 0, "ab~xx"},
    {"count 0", "xxxxx", 0, kSeparate, "abcd", 3, 0, 0, "~xxxx"},
    {"count at the limit", "xxxxx", 0, kSeparate, "ab", 5, kLimit, 0, "ab~xx"},
    {"count above the limit", "xxxxx", 0, kSeparate, "ab", 5, kOverLimit, ERR_RANGE_CLEARED,
     "~xxxx"},
    {"count the largest size", "xxxxx", 0, kSeparate, "ab", 5, SIZE_MAX, ERR_RANGE_CLEARED,
     "~xxxx"},
    {"destMax 0 beats a bad count", "xxxxx", 0, kSeparate, "ab", 0, kOverLimit, ERANGE, "xxxxx"},
    {"destMax above the limit", "xxxxx", 0, kSeparate, "ab", kOverLimit, 2, ERANGE, "xxxxx"},
    {"destMax at the limit", "xxxxx", 0, kSeparate, "abcd", kLimit, 2, 0, "ab~xx"},
    {"null dest", "xxxxx", kNull, kSeparate, "ab", 3, 2, EINVAL, "xxxxx"},
    {"null src beats a bad count", "xxxxx", 0, kNull, "", 3, kOverLimit, ERR_INVALID_CLEARED,
     "~xxxx"},
    {"null src, count 0", "xxxxx", 0, kNull, "", 3, 0, ERR_INVALID_CLEARED, "~xxxx"},
    // The one difference between the widths: a wide copy onto itself writes nothing.
    {"onto itself, cut at count", "abcdef~xxx", 0, 0, "", 10, 3, 0, "abc~ef~xxx", "abcdef~xxx"},
    {"onto itself, count 0", "abcdef~xxx", 0, 0, "", 10, 0, 0, "~bcdef~xxx"},
    {"onto itself, whole string", "abcdef~xxx", 0, 0, "", 10, 10, 0, "abcdef~xxx"},
    {"onto itself, too long", "abcdefghij", 0, 0, "", 10, 10, ERR_RANGE_CLEARED, "~bcdefghij"},
    {"terminator lands on source", "xxxabcdef~", 0, 3, "", 10, 3, ERR_OVERLAP_CLEARED,
     "~xxabcdef~"},
    {"source just past the terminator", "xxxxabcdef~", 0, 4, "", 10, 3, 0, "abc~abcdef~"},
    {"dest at source + count", "abcdef~xxxxx", 3, 0, "", 9, 3, ERR_OVERLAP_CLEARED, "abc~ef~xxxxx"},
    {"dest just past the copied part", "abcdef~xxxxx", 4, 0, "", 8, 3, 0, "abcdabc~xxxx"},
    {"too long beats overlap", "xxxabcdefghij", 0, 3, "", 5, 5, ERR_RANGE_CLEARED, "~xxabcdefghij"},
};

// The classifiers report every failure their copy finds before its overlap test, with the same
// clearing; where the copy would go on they return 0 and write nothing, except that a count of 0
// still leaves the empty string.
template <typename Call>
void run_classifier(const StringCase &c, bool bounded, const char *function, Call classify) {
    const bool copyGoesOn = c.expected == 0 || c.expected == ERR_OVERLAP_CLEARED;
    StringCase expected = c;
    std::string unchanged = c.before;
    if (bounded && c.count == 0) unchanged[c.destAt] = '~';
    if (copyGoesOn) {
        expected.expected = 0;
        expected.after = unchanged.c_str();
    }
    run_case<char>(expected, function, classify);
}

TEST(StringCopy, Cases) {
    for (const StringCase &c : kCopyCases) {
        run_case<char>(c, "strcpy_s",
                       [](char *d, size_t m, const char *s, size_t) { return strcpy_s(d, m, s); });
        run_case<wchar_t>(c, "wcscpy_s", [](wchar_t *d, size_t m, const wchar_t *s, size_t) {
            return wcscpy_s(d, m, s);
        });
        run_classifier(c, false, "classify_strcpy_failure",
                       [](char *d, size_t m, const char *s, size_t) {
                           return classify_strcpy_failure(d, m, s);
                       });
    }
}

TEST(StringCopy, BoundedCases) {
    for (const StringCase &c : kBoundedCopyCases) {
        run_case<char>(c, "strncpy_s", strncpy_s);
        run_case<wchar_t>(c, "wcsncpy_s", wcsncpy_s);
        run_classifier(c, true, "classify_strncpy_failure", classify_strncpy_failure);
    }
}

}  // namespace
