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
#include "string_model.h"

namespace {

using namespace string_model;

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
        const int got = f.fn(d < 0 ? nullptr : buf.data() + d, destMax, src, count);
        ASSERT_TRUE(got == code && buf.guards_intact() &&
                    std::equal(buf.data(), buf.data() + kArea, want.w.begin()))
            << f.name << " gave " << got << " for " << code << " or wrote wrong elements in round "
            << round << ": dest+" << d << " src+" << s << " destMax " << destMax << " count "
            << count;
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
