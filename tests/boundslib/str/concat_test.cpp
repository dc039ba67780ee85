// strcat_s, strncat_s and their wide twins, on the same scenes.
#include <gtest/gtest.h>

#include <vector>

#include "bounds_checked.h"
#include "string_scene.h"

namespace {

constexpr StringCase kConcatCases[] = {
    {"appends", "ab~xx", 0, kSeparate, "cd", 5, 0, 0, "abcd~"},
    {"one too many", "ab~xx", 0, kSeparate, "cde", 5, 0, ERR_RANGE_CLEARED, "~b~xx"},
    {"unterminated dest", "abcde", 0, kSeparate, "x", 5, 0, ERR_INVALID_CLEARED, "~bcde"},
    {"unterminated dest, empty source", "abcde", 0, kSeparate, "", 5, 0, ERR_INVALID_CLEARED,
     "~bcde"},
    {"empty onto empty", "~xxxx", 0, kSeparate, "", 1, 0, 0, "~xxxx"},
    {"destMax 0", "ab~xx", 0, kSeparate, "cd", 0, 0, ERANGE, "ab~xx"},
    {"destMax above the limit", "ab~xx", 0, kSeparate, "cd", kOverLimit, 0, ERANGE, "ab~xx"},
    {"destMax at the limit", "ab~xx", 0, kSeparate, "cd", kLimit, 0, 0, "abcd~"},
    {"null dest", "ab~xx", kNull, kSeparate, "cd", 5, 0, EINVAL, "ab~xx"},
    {"null src", "ab~xx", 0, kNull, "", 5, 0, ERR_INVALID_CLEARED, "~b~xx"},
    {"onto itself", "ab~xx", 0, 0, "", 5, 0, ERR_RANGE_CLEARED, "~b~xx"},
    {"unterminated onto itself", "abcde", 0, 0, "", 5, 0, ERR_INVALID_CLEARED, "~bcde"},
    // Around the 8 characters of the source that the narrow form tests inline.
    {"7 into a room of 8", "~xxxxxxxxxx", 0, kSeparate, "abcdefg", 8, 0, 0, "abcdefg~xxx"},
    {"8 into a room of 8", "~xxxxxxxxxx", 0, kSeparate, "abcdefgh", 8, 0, ERR_RANGE_CLEARED,
     "~xxxxxxxxxx"},
    {"8 into a room of 9", "~xxxxxxxxxx", 0, kSeparate, "abcdefgh", 9, 0, 0, "abcdefgh~xx"},
    {"9 into a room of 9", "~xxxxxxxxxx", 0, kSeparate, "abcdefghi", 9, 0, ERR_RANGE_CLEARED,
     "~xxxxxxxxxx"},
    {"9 into a room of 10", "~xxxxxxxxxx", 0, kSeparate, "abcdefghi", 10, 0, 0, "abcdefghi~x"},
    {"8 into a room of 9 after 2", "ab~xxxxxxxxx", 0, kSeparate, "cdefghij", 11, 0, 0,
     "abcdefghij~x"},
    {"source inside dest's string", "abcdef~xxx", 0, 2, "", 10, 0, ERR_OVERLAP_CLEARED,
     "~bcdef~xxx"},
    {"source where the terminator goes", "ab~xcd~xxx", 0, 4, "", 10, 0, ERR_OVERLAP_CLEARED,
     "~b~xcd~xxx"},
    {"source just past the result", "ab~xxcd~xx", 0, 5, "", 5, 0, 0, "abcd~cd~xx"},
    {"dest on source's terminator", "cd~xxxxx", 2, 0, "", 6, 0, ERR_OVERLAP_CLEARED, "cd~xxxxx"},
    {"dest just past source's end", "cd~ab~xxxx", 3, 0, "", 7, 0, 0, "cd~abcd~xx"},
    {"unterminated dest, source right after it", "abcdef~xx", 0, 5, "", 5, 0, ERR_INVALID_CLEARED,
     "~bcdef~xx"},
    {"unterminated dest, source inside it", "abcde~", 0, 2, "", 5, 0, ERR_OVERLAP_CLEARED,
     "~bcde~"},
};

constexpr StringCase kBoundedConcatCases[] = {
    {"count cuts the source", "ab~xx", 0, kSeparate, "cdef", 5, 2, 0, "abcd~"},
    {"count one too many", "ab~xx", 0, kSeparate, "cdef", 5, 3, ERR_RANGE_CLEARED, "~b~xx"},
    {"count beyond the source", "ab~xx", 0, kSeparate, "cd", 5, 100, 0, "abcd~"},
    {"count beyond the room, short source", "ab~xx", 0, kSeparate, "c", 5, 100, 0, "abc~x"},
    {"count 0", "ab~xx", 0, kSeparate, "cd", 5, 0, 0, "ab~xx"},
    {"count 0, unterminated dest", "abcde", 0, kSeparate, "cd", 5, 0, ERR_INVALID_CLEARED, "~bcde"},
    {"count at the limit", "ab~xx", 0, kSeparate, "cd", 5, kLimit, 0, "abcd~"},
    {"count above the limit", "ab~xx", 0, kSeparate, "cd", 5, kOverLimit, ERR_RANGE_CLEARED,
     "~b~xx"},
    {"null src beats a bad count", "ab~xx", 0, kNull, "", 5, kOverLimit, ERR_INVALID_CLEARED,
     "~b~xx"},
    {"destMax 0 beats everything", "ab~xx", 0, kNull, "", 0, kOverLimit, ERANGE, "ab~xx"},
    {"null dest", "ab~xx", kNull, kSeparate, "cd", 5, 2, EINVAL, "ab~xx"},
    {"onto itself", "ab~xx", 0, 0, "", 5, 1, ERR_RANGE_CLEARED, "~b~xx"},
    {"source where the terminator goes", "ab~xcd~xxx", 0, 4, "", 10, 2, ERR_OVERLAP_CLEARED,
     "~b~xcd~xxx"},
    {"source just past the result", "ab~xxcd~xx", 0, 5, "", 5, 2, 0, "abcd~cd~xx"},
    {"overlap beats fit", "abcdef~xxx", 0, 2, "", 7, 5, ERR_OVERLAP_CLEARED, "~bcdef~xxx"},
};

TEST(StringConcat, Cases) {
    for (const StringCase &c : kConcatCases) {
        run_case<char>(c, "strcat_s",
                       [](char *d, size_t m, const char *s, size_t) { return strcat_s(d, m, s); });
        run_case<wchar_t>(c, "wcscat_s", [](wchar_t *d, size_t m, const wchar_t *s, size_t) {
            return wcscat_s(d, m, s);
        });
    }
}

TEST(StringConcat, BoundedCases) {
    for (const StringCase &c : kBoundedConcatCases) {
        run_case<char>(c, "strncat_s", strncat_s);
        run_case<wchar_t>(c, "wcsncat_s", wcsncat_s);
    }
}

// A counted source needs no terminator within `count`: nothing past it may be read.
TEST(StringConcat, CountedSourceIsReadOnlyUpToCount) {
    // Sources in allocations of their own, so that AddressSanitizer sees any read past them.
    const std::vector<char> narrow = from_picture<char>("cd");
    const std::vector<wchar_t> wide = from_picture<wchar_t>("cd");
    Scene<char> dest("ab~xx", 0, kSeparate, "");
    Scene<wchar_t> wdest("ab~xx", 0, kSeparate, "");
    EXPECT_EQ(strncat_s(dest.dest, 5, narrow.data(), 2), 0);
    EXPECT_EQ(dest.picture(), "abcd~");
    EXPECT_EQ(wcsncat_s(wdest.dest, 5, wide.data(), 2), 0);
    EXPECT_EQ(wdest.picture(), "abcd~");
    Scene<char> copy("xxx", 0, kSeparate, "");
    EXPECT_EQ(strncpy_s(copy.dest, 3, narrow.data(), 2), 0);
    EXPECT_EQ(copy.picture(), "cd~");
}

}  // namespace
