// Successful copies and appends agree with the C library's strcpy/strncat (and their wide forms)
// on generated contents, for every length up to 80 and a few long ones, at every alignment of
// destination and source; a destMax one short gives a range failure that clears only dest[0].
#include <gtest/gtest.h>

#include <cstring>
#include <cwchar>
#include <random>
#include <string>

#include "bounds_checked.h"
#include "string_scene.h"

namespace {

struct Narrow {
    using Ch = char;
    static constexpr auto copy = strcpy_s;
    static constexpr auto bounded_copy = strncpy_s;
    static constexpr auto concat = strcat_s;
    static constexpr auto bounded_concat = strncat_s;
    static char *ref_copy(char *d, const char *s) { return std::strcpy(d, s); }
    static char *ref_concat(char *d, const char *s) { return std::strcat(d, s); }
    static char *ref_bounded(char *d, const char *s, size_t n) { return std::strncat(d, s, n); }
    // Any non-zero byte, high ones included.
    static char element(std::mt19937 &rng) { return static_cast<char>(1 + rng() % 255); }
};

struct Wide {
    using Ch = wchar_t;
    static constexpr auto copy = wcscpy_s;
    static constexpr auto bounded_copy = wcsncpy_s;
    static constexpr auto concat = wcscat_s;
    static constexpr auto bounded_concat = wcsncat_s;
    static wchar_t *ref_copy(wchar_t *d, const wchar_t *s) { return std::wcscpy(d, s); }
    static wchar_t *ref_concat(wchar_t *d, const wchar_t *s) { return std::wcscat(d, s); }
    static wchar_t *ref_bounded(wchar_t *d, const wchar_t *s, size_t n) {
        return std::wcsncat(d, s, n);
    }
    // Every third element has a zero low byte, which a byte-wise scan would take for an end.
    static wchar_t element(std::mt19937 &rng) {
        const auto value = static_cast<wchar_t>(1 + rng() % 0x7FFFFFFE);
        return rng() % 3 == 0 ? static_cast<wchar_t>((value & 0x7FFFFF00) | 0x100) : value;
    }
};

constexpr std::size_t kLengths[] = {0,  1,  2,  3,  4,  5,  6,  7,  8,  9,  15,  16,  17,  23,
                                    24, 30, 31, 32, 33, 40, 47, 63, 64, 80, 255, 256, 1000};

// A string of `len` generated elements, placed `offset` elements into a guarded buffer after
// zeros, which a scan that reads whole words must not take for the string's end.
template <typename Ops>
GuardedBuffer<typename Ops::Ch> make_source(std::size_t offset, std::size_t len,
                                            std::mt19937 &rng) {
    GuardedBuffer<typename Ops::Ch> source(offset + len + 1, 0);
    for (std::size_t i = 0; i < len; ++i) source[offset + i] = Ops::element(rng);
    source[offset + len] = 0;
    return source;
}

// The buffer's exact elements; a broken guard appends zeros, which no buffer here ends with.
template <typename Ch>
std::basic_string<Ch> contents(GuardedBuffer<Ch> &buffer) {
    std::basic_string<Ch> out(buffer.data(), buffer.size());
    if (!buffer.guards_intact()) out.append(2, Ch(0));
    return out;
}

// What a range failure leaves: the untouched buffer with only its first element cleared.
template <typename Ch>
std::basic_string<Ch> after_range_failure(GuardedBuffer<Ch> &untouched, std::size_t at) {
    untouched[at] = 0;
    return contents(untouched);
}

template <typename Ops>
void check_copies(std::mt19937 &rng) {
    using Ch = typename Ops::Ch;
    for (const std::size_t len : kLengths) {
        for (std::size_t destAt = 0; destAt < 8; ++destAt) {
            for (std::size_t srcAt = 0; srcAt < 8; ++srcAt) {
                auto source = make_source<Ops>(srcAt, len, rng);
                const Ch *src = source.data() + srcAt;
                const std::size_t size = destAt + len + 4;
                GuardedBuffer<Ch> want(size, Ch('x')), got(size, Ch('x')), cut(size, Ch('x'));
                Ops::ref_copy(want.data() + destAt, src);
                const std::size_t destMax = len + 1 + rng() % 3;
                const std::string where = "len " + std::to_string(len) + " dest +" +
                                          std::to_string(destAt) + " src +" + std::to_string(srcAt);
                EXPECT_EQ(Ops::copy(got.data() + destAt, destMax, src), 0) << where;
                EXPECT_EQ(contents(got), contents(want)) << where;
                // strncpy_s with a count that cuts the source where it is shorter.
                const std::size_t count = rng() % (len + 2);
                GuardedBuffer<Ch> wantCut(size, Ch('x'));
                wantCut[destAt] = 0;
                Ops::ref_bounded(wantCut.data() + destAt, src, count);
                EXPECT_EQ(Ops::bounded_copy(cut.data() + destAt, count + 1, src, count), 0)
                    << where << " count " << count;
                EXPECT_EQ(contents(cut), contents(wantCut)) << where << " count " << count;
                if (len == 0) continue;
                GuardedBuffer<Ch> shortBuf(size, Ch('x')), untouched(size, Ch('x'));
                EXPECT_EQ(Ops::copy(shortBuf.data() + destAt, len, src), ERR_RANGE_CLEARED)
                    << where;
                EXPECT_EQ(contents(shortBuf), after_range_failure(untouched, destAt)) << where;
            }
        }
    }
}

template <typename Ops>
void check_appends(std::mt19937 &rng) {
    using Ch = typename Ops::Ch;
    for (std::size_t prefix = 0; prefix < 12; ++prefix) {
        for (const std::size_t len : kLengths) {
            auto head = make_source<Ops>(0, prefix, rng);
            auto source = make_source<Ops>(rng() % 8, len, rng);
            const Ch *src = source.data() + (source.size() - len - 1);
            const std::size_t size = prefix + len + 4;
            GuardedBuffer<Ch> want(size, Ch('x')), got(size, Ch('x')), untouched(size, Ch('x'));
            for (auto *b : {&want, &got, &untouched}) Ops::ref_copy(b->data(), head.data());
            const std::size_t count = rng() % (len + 3);
            const std::size_t taken = std::min(count, len);
            const std::string where = "prefix " + std::to_string(prefix) + " len " +
                                      std::to_string(len) + " count " + std::to_string(count);

            GuardedBuffer<Ch> bounded = got, wantBounded = want;
            Ops::ref_concat(want.data(), src);
            EXPECT_EQ(Ops::concat(got.data(), prefix + len + 1 + rng() % 3, src), 0) << where;
            EXPECT_EQ(contents(got), contents(want)) << where;
            Ops::ref_bounded(wantBounded.data(), src, count);
            EXPECT_EQ(Ops::bounded_concat(bounded.data(), prefix + taken + 1, src, count), 0)
                << where;
            EXPECT_EQ(contents(bounded), contents(wantBounded)) << where;

            if (len == 0) continue;  // destMax = prefix would leave dest unterminated
            GuardedBuffer<Ch> shortBuf = untouched;
            EXPECT_EQ(Ops::concat(shortBuf.data(), prefix + len, src), ERR_RANGE_CLEARED) << where;
            EXPECT_EQ(contents(shortBuf), after_range_failure(untouched, 0)) << where;
        }
    }
}

TEST(StringOracle, CopiesAgreeWithTheCLibrary) {
    std::mt19937 rng(20261206);
    check_copies<Narrow>(rng);
    check_copies<Wide>(rng);
}

TEST(StringOracle, AppendsAgreeWithTheCLibrary) {
    std::mt19937 rng(612);
    check_appends<Narrow>(rng);
    check_appends<Wide>(rng);
}

}  // namespace
