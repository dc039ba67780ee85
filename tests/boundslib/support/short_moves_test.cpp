// The shared short copy and fill against the C library's memmove and memset: every size they
// take, every alignment of either pointer within 16 bytes, separate and overlapping ranges in
// both directions, with guards around the destination area. The byte path that targets without
// cheap unaligned words take is run here too.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "guarded_buffer.h"
#include "support/short_moves.h"

namespace {

namespace support = boundslib::support;
using support::SHORT_COPY_MAX;
using support::SHORT_FILL_MAX;

using CopyFn = void (*)(unsigned char *, const unsigned char *, size_t);
using FillFn = void (*)(unsigned char *, unsigned char, size_t);
void copy_short(unsigned char *d, const unsigned char *s, size_t n) {
    support::copy_short(d, s, n);
}
void fill_short(unsigned char *d, unsigned char c, size_t n) {
    support::fill_short(d, c, n);
}
const std::pair<const char *, CopyFn> COPIES[] = {{"copy_short", copy_short},
                                                  {"copy_bytes", support::detail::copy_bytes}};
const std::pair<const char *, FillFn> FILLS[] = {{"fill_short", fill_short},
                                                 {"fill_bytes", support::detail::fill_bytes}};

constexpr size_t AREA = 3 * SHORT_COPY_MAX + 16;  // a source up to n past dest, n long

std::vector<unsigned char> pattern(unsigned salt) {
    std::vector<unsigned char> v(AREA);
    for (size_t i = 0; i < AREA; ++i) v[i] = static_cast<unsigned char>(i * 7 + salt + 1);
    return v;
}

// Applies op to a guarded area and reference to a plain one, both holding the same pattern:
// they must end the same, with the guards intact.
template <typename Op, typename Reference>
bool same(Op op, Reference reference) {
    std::vector<unsigned char> want = pattern(0);
    GuardedBuffer<unsigned char> buf(AREA);
    std::memcpy(buf.data(), want.data(), AREA);
    reference(want.data());
    op(buf.data());
    return buf.guards_intact() && std::memcmp(buf.data(), want.data(), AREA) == 0;
}

TEST(ShortCopy, MatchesMemmoveOverSizeAlignmentAndOverlap) {
    const std::vector<unsigned char> other = pattern(91);
    for (const auto &[name, copy] : COPIES) {
        for (size_t n = 0; n <= SHORT_COPY_MAX; ++n) {
            // Sources in a buffer of their own at every alignment (negative), then inside the
            // destination's area from n before to n after dest (overlapping, touching, equal).
            for (long destAt = 0; destAt < 16; ++destAt) {
                const long base = long(SHORT_COPY_MAX) + destAt;
                for (long srcAt = -16; srcAt <= base + long(n); ++srcAt) {
                    if (srcAt >= 0 && srcAt < base - long(n)) srcAt = base - long(n);
                    const bool apart = srcAt < 0;
                    const long dest = apart ? destAt : base;
                    const auto src = [&](unsigned char *area) {
                        return apart ? other.data() + (-1 - srcAt) : area + srcAt;
                    };
                    ASSERT_TRUE(same([&](unsigned char *b) { copy(b + dest, src(b), n); },
                                     [&](unsigned char *w) { std::memmove(w + dest, src(w), n); }))
                        << name << " n " << n << " dest+" << dest << " src " << srcAt;
                }
            }
        }
    }
}

TEST(ShortFill, MatchesMemsetOverSizeAlignmentAndValue) {
    for (const auto &[name, fill] : FILLS) {
        for (size_t n = 0; n <= SHORT_FILL_MAX; ++n) {
            for (size_t destAt = 0; destAt < 16; ++destAt) {
                for (const int c : {0x00, 0xFF, 0x41, 0x80, -1, 0x17F}) {
                    ASSERT_TRUE(same(
                        [&](unsigned char *b) {
                            fill(b + destAt, static_cast<unsigned char>(c), n);
                        },
                        [&](unsigned char *w) { std::memset(w + destAt, c, n); }))
                        << name << " n " << n << " dest+" << destAt << " c " << c;
                }
            }
        }
    }
}

}  // namespace
