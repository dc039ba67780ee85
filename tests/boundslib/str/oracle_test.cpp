// Successful copies and appends agree with the C library's strcpy/strcat/strncat (and their wide
// forms) on generated contents, for lengths around the inline limits and a few long ones, at
// every alignment of destination and source; a destMax one short clears only dest[0].
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <cwchar>
#include <random>
#include <string>

#include "bounds_checked.h"
#include "guarded_buffer.h"

namespace {

struct Narrow {
    using Ch = char;
    static constexpr auto copy = strcpy_s, concat = strcat_s;
    static constexpr auto counted_copy = strncpy_s, counted_concat = strncat_s;
    static constexpr auto ref_copy = std::strcpy, ref_concat = std::strcat;
    static constexpr auto ref_counted = std::strncat;
    // Any non-zero byte, high ones included.
    static char element(std::mt19937 &rng) { return static_cast<char>(1 + rng() % 255); }
};

struct Wide {
    using Ch = wchar_t;
    static constexpr auto copy = wcscpy_s, concat = wcscat_s;
    static constexpr auto counted_copy = wcsncpy_s, counted_concat = wcsncat_s;
    static constexpr auto ref_copy = std::wcscpy, ref_concat = std::wcscat;
    static constexpr auto ref_counted = std::wcsncat;
    // Every third element has a zero low byte, which a byte-wise scan would take for an end.
    static wchar_t element(std::mt19937 &rng) {
        const auto value = static_cast<wchar_t>(1 + rng() % 0x7FFFFFFE);
        return rng() % 3 == 0 ? static_cast<wchar_t>((value & 0x7FFFFF00) | 0x100) : value;
    }
};

constexpr std::size_t kLengths[] = {0,  1,  2,  3,  4,  5,  6,  7,  8,  9,  15,  16,  17,  23,
                                    24, 30, 31, 32, 33, 40, 47, 63, 64, 80, 255, 256, 1000};

// A string of `len` generated elements, `offset` elements into a guarded buffer after zeros,
// which a scan that reads whole words must not take for the string's end.
template <typename Ops>
GuardedBuffer<typename Ops::Ch> make_string(std::size_t offset, std::size_t len,
                                            std::mt19937 &rng) {
    GuardedBuffer<typename Ops::Ch> s(offset + len + 1, 0);
    for (std::size_t i = 0; i < len; ++i) s[offset + i] = Ops::element(rng);
    return s;
}

// call and ref act on equal buffers holding `head` at destAt: call must return `code` and leave
// what ref leaves, writing nothing outside the buffer.
template <typename Ch, typename Call, typename Ref>
void expect_same(const std::string &where, int code, std::size_t size, std::size_t destAt,
                 const Ch *head, Call call, Ref ref) {
    GuardedBuffer<Ch> got(size, Ch('x')), want(size, Ch('x'));
    std::copy_n(head, std::char_traits<Ch>::length(head) + 1, got.data() + destAt);
    std::copy_n(head, std::char_traits<Ch>::length(head) + 1, want.data() + destAt);
    ref(want.data() + destAt);
    EXPECT_EQ(call(got.data() + destAt), code) << where;
    EXPECT_TRUE(got.guards_intact()) << where;
    EXPECT_TRUE(std::equal(got.data(), got.data() + size, want.data())) << where;
}

template <typename Ops>
void check_against_c_library(std::mt19937 &rng) {
    using Ch = typename Ops::Ch;
    const Ch empty[] = {0};
    for (const std::size_t len : kLengths) {
        for (std::size_t destAt = 0; destAt < 8; ++destAt) {
            for (std::size_t srcAt = 0; srcAt < 8; ++srcAt) {
                const auto source = make_string<Ops>(srcAt, len, rng);
                const auto head = make_string<Ops>(0, rng() % 12, rng);
                const Ch *src = source.data() + srcAt;
                const std::size_t prefix = head.size() - 1, size = destAt + prefix + len + 4;
                const std::size_t count = rng() % (len + 2), taken = std::min(count, len);
                const std::size_t room = len + 1 + destAt % 3;  // an exact fit and room to spare
                const std::string where = "len " + std::to_string(len) + " dest+" +
                                          std::to_string(destAt) + " src+" + std::to_string(srcAt) +
                                          " prefix " + std::to_string(prefix) + " count " +
                                          std::to_string(count);
                expect_same(
                    where, 0, size, destAt, empty, [&](Ch *d) { return Ops::copy(d, room, src); },
                    [&](Ch *d) { Ops::ref_copy(d, src); });
                expect_same(
                    where, 0, size, destAt, empty,
                    [&](Ch *d) { return Ops::counted_copy(d, count + 1, src, count); },
                    [&](Ch *d) { Ops::ref_counted(d, src, count); });
                expect_same(
                    where, 0, size, destAt, head.data(),
                    [&](Ch *d) { return Ops::concat(d, prefix + room, src); },
                    [&](Ch *d) { Ops::ref_concat(d, src); });
                expect_same(
                    where, 0, size, destAt, head.data(),
                    [&](Ch *d) { return Ops::counted_concat(d, prefix + taken + 1, src, count); },
                    [&](Ch *d) { Ops::ref_counted(d, src, count); });
                if (len == 0) continue;  // a destMax one short would be 0 or leave no terminator
                const auto clear = [](Ch *d) { *d = 0; };
                expect_same(
                    where, ERR_RANGE_CLEARED, size, destAt, empty,
                    [&](Ch *d) { return Ops::copy(d, len, src); }, clear);
                expect_same(
                    where, ERR_RANGE_CLEARED, size, destAt, head.data(),
                    [&](Ch *d) { return Ops::concat(d, prefix + len, src); }, clear);
            }
        }
    }
}

TEST(StringOracle, CopiesAndAppendsAgreeWithTheCLibrary) {
    std::mt19937 rng(20261206);
    check_against_c_library<Narrow>(rng);
    check_against_c_library<Wide>(rng);
}

}  // namespace
