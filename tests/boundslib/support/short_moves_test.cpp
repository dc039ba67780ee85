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

TEST(ShortCopy, MatchesMemmoveOverSizeAlignmentAndOverlap) {
    const std::vector<unsigned char> start = pattern(0), other = pattern(91);
    for (const auto &[name, copy] : COPIES) {
        for (size_t n = 0; n <= SHORT_COPY_MAX; ++n) {
            for (size_t destAt = 0; destAt < 16; ++destAt) {
                // Sources in a buffer of their own at every alignment, then inside the
                // destination's buffer from n before to n after dest (overlapping, touching and
                // equal).
                std::vector<long> srcs;
                for (long at = 0; at < 16; ++at) srcs.push_back(-1000 - at);
                const long base = static_cast<long>(SHORT_COPY_MAX + destAt);
                for (long d = -static_cast<long>(n); d <= static_cast<long>(n); ++d) {
                    srcs.push_back(base + d);
                }
                for (const long srcAt : srcs) {
                    GuardedBuffer<unsigned char> buf(AREA);
                    std::memcpy(buf.data(), start.data(), AREA);
                    std::vector<unsigned char> want = start;
                    const bool apart = srcAt <= -1000;
                    const size_t dest = apart ? destAt : static_cast<size_t>(base);
                    const unsigned char *src =
                        apart ? other.data() + (-1000 - srcAt) : buf.data() + srcAt;
                    const unsigned char *wantSrc =
                        apart ? other.data() + (-1000 - srcAt) : want.data() + srcAt;
                    std::memmove(want.data() + dest, wantSrc, n);
                    copy(buf.data() + dest, src, n);
                    ASSERT_TRUE(buf.guards_intact() &&
                                std::memcmp(buf.data(), want.data(), AREA) == 0)
                        << name << " n " << n << " dest+" << dest << " src " << srcAt;
                }
            }
        }
    }
}

TEST(ShortFill, MatchesMemsetOverSizeAlignmentAndValue) {
    const std::vector<unsigned char> start = pattern(0);
    for (const auto &[name, fill] : FILLS) {
        for (size_t n = 0; n <= SHORT_FILL_MAX; ++n) {
            for (size_t destAt = 0; destAt < 16; ++destAt) {
                for (const int c : {0x00, 0xFF, 0x41, 0x80, -1, 0x17F}) {
                    GuardedBuffer<unsigned char> buf(AREA);
                    std::memcpy(buf.data(), start.data(), AREA);
                    std::vector<unsigned char> want = start;
                    std::memset(want.data() + destAt, c, n);
                    fill(buf.data() + destAt, static_cast<unsigned char>(c), n);
                    ASSERT_TRUE(buf.guards_intact() &&
                                std::memcmp(buf.data(), want.data(), AREA) == 0)
                        << name << " n " << n << " dest+" << destAt << " c " << c;
                }
            }
        }
    }
}

}  // namespace
