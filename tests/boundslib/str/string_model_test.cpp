// The copies and appends, narrow and wide, and the copy failure classifiers, against a model of
// their contract (check order, codes, clearing only the first element) over generated scenes: a
// guarded buffer of generated strings, dest and src anywhere in it (overlapping, touching, equal)
// or src in its own exact-size allocation, terminated or not, with destMax and count around the
// string lengths and the limits.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <vector>

#include "bounds_checked.h"
#include "guarded_buffer.h"

namespace {

// Room for strings past the short copies' 64 bytes, overlapping ones included.
constexpr long kArea = 160, kApart = kArea + 16;  // model index of a separate source
constexpr int kSkip = -1000;  // the scene would make the function reach past the test's buffers

template <typename Ch>
struct StrFn {
    const char *name;
    int (*fn)(Ch *, size_t, const Ch *, size_t);
    bool concat, counted, classify;
};

// The buffer, then a gap, then the separate source, which never overlaps the buffer.
template <typename Ch>
struct Model {
    std::vector<Ch> w;
    long srcEnd;  // one past the separate source's last element
    bool outside = false;

    // The length of the string at `at`, looking at no more than `max` elements.
    size_t scan(long at, size_t max) {
        const long end = at < kArea ? kArea : srcEnd;
        for (size_t i = 0; i < max; ++i) {
            if (at + long(i) >= end) return outside = true, max;
            if (w[at + i] == Ch(0)) return i;
        }
        return max;
    }
    int write(long at, const Ch *from, size_t n) {
        if (outside || at + long(n) >= kArea) return kSkip;
        std::copy_n(std::vector<Ch>(from, from + n).begin(), n, w.begin() + at);
        w[at + n] = Ch(0);
        return 0;
    }
};

// What f does, given dest and src as positions in the model (-1: null).
template <typename Ch>
int model(const StrFn<Ch> &f, Model<Ch> &m, long d, long s, size_t destMax, size_t count) {
    const size_t limit = sizeof(Ch) == 1 ? MAX_BUFFER_BYTES : MAX_BUFFER_WCHARS;
    const auto clear = [&](int code) { return m.w[d] = Ch(0), code; };
    if (destMax == 0 || destMax > limit) return ERANGE;
    if (d < 0) return EINVAL;
    if (s < 0) return clear(ERR_INVALID_CLEARED);
    if (f.counted && count > limit) return clear(ERR_RANGE_CLEARED);
    if (!f.concat) {
        if (f.counted && count == 0) return clear(0);
        const size_t len = m.scan(s, f.counted ? std::min(count, destMax) : destMax);
        if (len == destMax) return clear(ERR_RANGE_CLEARED);
        // A copy onto itself moves nothing; the narrow counted copy still ends the string.
        if (f.classify || (d == s && (sizeof(Ch) > 1 || !f.counted))) return 0;
        if (d == s) return m.write(d, &m.w[d], len);
        if (s < kArea && ((d < s && s < d + long(len) + 1) || (s < d && d < s + long(len) + 1))) {
            return clear(ERR_OVERLAP_CLEARED);
        }
        return m.write(d, &m.w[s], len);
    }
    const size_t destLen = m.scan(d, destMax);
    const size_t srcLen = m.scan(s, f.counted ? count : destMax - destLen);
    const bool unterminated = destLen == destMax;
    const long end = d + long(destLen + srcLen) + 1;
    // Past the buffer, the heap may hold the separate source itself: a real overlap.
    if (s >= kArea && end > kArea) return kSkip;
    if (s < kArea && ((d < s && s < end) || (s < d && d < s + long(srcLen) + 1))) {
        // A source past dest's string inside an unterminated dest: the dest is the fault.
        return clear(unterminated && s >= d + long(destLen) ? ERR_INVALID_CLEARED
                                                            : ERR_OVERLAP_CLEARED);
    }
    if (d != s && destLen + srcLen < destMax) return m.write(d + destLen, &m.w[s], srcLen);
    return clear(unterminated ? ERR_INVALID_CLEARED : ERR_RANGE_CLEARED);
}

// Wide elements have bits above the low byte, and some a zero low byte, so that a scan or a
// clear that looks at single bytes shows.
template <typename Ch>
Ch element(std::mt19937 &rng) {
    if (sizeof(Ch) == 1) return static_cast<Ch>(1 + rng() % 255);
    return static_cast<Ch>(rng() % 3 == 0 ? 0x100 + (rng() % 0x7FFF) * 0x100
                                          : 1 + rng() % 0x7FFFFFFE);
}

template <typename Ch>
void check(const StrFn<Ch> &f, unsigned seed) {
    const size_t limit = sizeof(Ch) == 1 ? MAX_BUFFER_BYTES : MAX_BUFFER_WCHARS;
    std::mt19937 rng(seed);
    const auto pick = [&](std::initializer_list<long> choices) {
        return *(choices.begin() + rng() % choices.size());
    };
    for (int round = 0; round < 40000; ++round) {
        const bool terminated = rng() % 4 != 0;
        // Short strings half the time, up to 150 elements otherwise, in the buffer too.
        const unsigned longest = rng() % 2 ? 40 : 150;
        const size_t srcLen = rng() % longest + !terminated;  // never an empty allocation
        Model<Ch> m{std::vector<Ch>(kApart + srcLen + terminated, Ch(0)),
                    long(kApart + srcLen + terminated)};
        for (long i = 0; i < kArea - 1; ++i) {
            m.w[i] = rng() % (longest / 4) == 0 ? Ch(0) : element<Ch>(rng);
        }
        for (long i = kApart; i < kApart + long(srcLen); ++i) m.w[i] = element<Ch>(rng);
        const long d = rng() % 16 == 0 ? -1 : long(rng() % kArea);
        const long s = pick({-1, kApart, kApart, long(rng() % kArea), long(rng() % kArea), d,
                             d + long(rng() % 8), d - long(rng() % 8)});
        if (s < -1 || (s >= kArea && s != kApart)) continue;
        const size_t natural = s < 0 ? 0 : m.scan(s, kArea), room = d < 0 ? 1 : kArea - d;
        m.outside = false;
        const size_t destMax =
            pick({0, 1, long(natural), long(natural) + 1, long(natural) + 2, long(1 + rng() % room),
                  long(room), long(limit), long(limit) + 1, -1});
        const size_t count =
            pick({0, long(natural) - 1, long(natural), long(natural) + 1, long(destMax) - 1,
                  long(destMax), long(rng() % kArea), long(limit), long(limit) + 1});
        Model<Ch> want = m;
        const int code = model(f, want, d, s, destMax, count);
        if (code == kSkip || want.outside) continue;
        GuardedBuffer<Ch> buf(kArea);
        std::copy_n(m.w.begin(), kArea, buf.data());
        const std::vector<Ch> separate(m.w.begin() + kApart, m.w.end());
        const Ch *src = s < 0 ? nullptr : s == kApart ? separate.data() : buf.data() + s;
        ASSERT_EQ(f.fn(d < 0 ? nullptr : buf.data() + d, destMax, src, count), code)
            << f.name << " round " << round << ": dest+" << d << " src+" << s << " destMax "
            << destMax << " count " << count;
        ASSERT_TRUE(buf.guards_intact() &&
                    std::equal(buf.data(), buf.data() + kArea, want.w.begin()))
            << f.name << " wrote wrong elements in round " << round << ": dest+" << d << " src+"
            << s << " destMax " << destMax << " count " << count;
    }
}

// An uncounted function in the shape of the counted ones.
template <typename Ch, auto fn>
int uncounted(Ch *d, size_t m, const Ch *s, size_t) {
    return fn(d, m, s);
}

TEST(StringCopiesAndAppends, AgreeWithTheModel) {
    check<char>({"strcpy_s", uncounted<char, strcpy_s>, false, false, false}, 1);
    check<char>(
        {"classify_strcpy_failure", uncounted<char, classify_strcpy_failure>, false, false, true},
        2);
    check<char>({"strncpy_s", strncpy_s, false, true, false}, 3);
    check<char>({"classify_strncpy_failure", classify_strncpy_failure, false, true, true}, 4);
    check<char>({"strcat_s", uncounted<char, strcat_s>, true, false, false}, 5);
    check<char>({"strncat_s", strncat_s, true, true, false}, 6);
    check<wchar_t>({"wcscpy_s", uncounted<wchar_t, wcscpy_s>, false, false, false}, 7);
    check<wchar_t>({"wcsncpy_s", wcsncpy_s, false, true, false}, 8);
    check<wchar_t>({"wcscat_s", uncounted<wchar_t, wcscat_s>, true, false, false}, 9);
    check<wchar_t>({"wcsncat_s", wcsncat_s, true, true, false}, 10);
}

}  // namespace
