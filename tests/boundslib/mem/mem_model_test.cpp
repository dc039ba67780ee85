// Every memory function against a small model of its contract (check order, codes, what each
// failure clears), run over a grid of sizes 0 to 72 around the inline limits, destMax around the
// limits, null pointers, every alignment and every overlap offset, touching ranges and dest ==
// src, on generated contents. Every destination sits between guards.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <random>
#include <vector>

#include "bounds_checked.h"
#include "guarded_buffer.h"
#include "mem/mem_internal.h"

namespace {

constexpr size_t kArea = 96;
constexpr int kNull = -1, kSeparate = 100;  // src offsets from kSeparate are in their own buffer
constexpr int kSkip = -1000;                // the call would reach past the test's buffers

using CopyFn = int (*)(void *, size_t, const void *, size_t);
struct Copy {
    const char *name;
    CopyFn fn;
    bool wide, move, nolimit, copies;
};

template <typename T>
std::vector<T> generated(unsigned seed) {
    std::mt19937 rng(seed);
    std::vector<T> v(kArea);
    for (T &e : v) e = static_cast<T>(rng() | 0x01010101u);  // no zero byte, so clears show
    return v;
}

// What f leaves in `want` (the buffer before the call) and returns.
template <typename T>
int model(const Copy &f, std::vector<T> &want, const std::vector<T> &separate, int destAt,
          int srcAt, size_t destMax, size_t count) {
    const size_t limit = sizeof(T) == 1 ? MAX_BUFFER_BYTES : MAX_BUFFER_WCHARS;
    const bool inBuffer = destAt >= 0 && srcAt >= 0 && srcAt < kSeparate;
    const size_t dist = inBuffer ? size_t(std::abs(destAt - srcAt)) : SIZE_MAX;
    const bool overlap = dist != 0 && dist < count;
    const auto clear = [&](int code) {
        if (destMax > kArea - destAt) return kSkip;
        std::fill_n(want.begin() + destAt, destMax, T(0));
        return code;
    };
    const auto copy = [&] {
        const T *src = srcAt >= kSeparate ? &separate[srcAt - kSeparate] : &want[srcAt];
        if (!f.copies || count == 0) return 0;
        if (count > kArea - destAt || count > kArea - srcAt % kSeparate) return kSkip;
        const std::vector<T> moved(src, src + count);
        std::copy(moved.begin(), moved.end(), want.begin() + destAt);
        return 0;
    };
    // The unlimited form drops the destMax limit on its success path only.
    if (f.nolimit && destAt >= 0 && srcAt >= 0 && count >= 1 && count <= destMax && !overlap &&
        dist != 0)
        return copy();
    if (destMax == 0 || destMax > limit) return ERANGE;
    // The wide forms test an over-long count before the null pointers.
    if (f.wide && count > destMax) return destAt < 0 ? ERANGE : clear(ERR_RANGE_CLEARED);
    if (destAt < 0) return EINVAL;
    if (srcAt < 0) return clear(ERR_INVALID_CLEARED);
    if (count > destMax) return clear(ERR_RANGE_CLEARED);
    if (overlap && !f.move) return clear(ERR_OVERLAP_CLEARED);
    return copy();
}

template <typename T>
void check_copies(const Copy &f) {
    const size_t limit = sizeof(T) == 1 ? MAX_BUFFER_BYTES : MAX_BUFFER_WCHARS;
    const std::vector<T> start = generated<T>(1), separate = generated<T>(2);
    std::vector<int> srcs = {kNull, 0, 1, 3, 4, 7, 12};
    for (int at = 0; at < 8; ++at) srcs.push_back(kSeparate + at);
    for (size_t count = 0; count <= 73; ++count) {
        const size_t n = count == 73 ? SIZE_MAX : count;
        for (int destAt = kNull; destAt < 8; ++destAt) {
            for (const int srcAt : srcs) {
                for (size_t destMax :
                     {n + 5, n, n - 1, size_t(0), size_t(1), limit, limit + 1, SIZE_MAX}) {
                    std::vector<T> want = start;
                    const int code = model(f, want, separate, destAt, srcAt, destMax, n);
                    if (code == kSkip) continue;
                    GuardedBuffer<T> buf(kArea);
                    std::copy(start.begin(), start.end(), buf.data());
                    T *dest = destAt < 0 ? nullptr : buf.data() + destAt;
                    const T *src = srcAt < 0            ? nullptr
                                   : srcAt >= kSeparate ? &separate[srcAt - kSeparate]
                                                        : buf.data() + srcAt;
                    ASSERT_EQ(f.fn(dest, destMax, src, n), code)
                        << f.name << " dest+" << destAt << " src+" << srcAt << " destMax "
                        << destMax << " count " << n;
                    ASSERT_TRUE(buf.guards_intact() &&
                                std::equal(want.begin(), want.end(), buf.data()))
                        << f.name << " wrote wrong elements: dest+" << destAt << " src+" << srcAt
                        << " destMax " << destMax << " count " << n;
                }
            }
        }
    }
}

template <auto wideFn>
int wide(void *d, size_t m, const void *s, size_t n) {
    return wideFn(static_cast<wchar_t *>(d), m, static_cast<const wchar_t *>(s), n);
}

TEST(MemoryCopies, AgreeWithTheModel) {
    check_copies<unsigned char>({"memcpy_s", memcpy_s, false, false, false, true});
    check_copies<unsigned char>({"memcpy_s_fast", memcpy_s_fast, false, false, false, true});
    check_copies<unsigned char>(
        {"memcpy_s_fast_nolimit", memcpy_s_fast_nolimit, false, false, true, true});
    // The classifier reports what the copy reports, and never copies.
    check_copies<unsigned char>({"classify_memcpy_failure", boundslib::mem::classify_memcpy_failure,
                                 false, false, false, false});
    check_copies<unsigned char>({"memmove_s", memmove_s, false, true, false, true});
    check_copies<wchar_t>({"wmemcpy_s", wide<wmemcpy_s>, true, false, false, true});
    check_copies<wchar_t>({"wmemmove_s", wide<wmemmove_s>, true, true, false, true});
}

// Fills: success fills count bytes, a range failure destMax bytes, both with the low 8 bits of
// c; destMax 0 with count 0 is no fault. The unlimited form drops the limit on success only.
TEST(MemoryFills, AgreeWithTheModel) {
    using FillFn = int (*)(void *, size_t, int, size_t);
    const std::pair<const char *, FillFn> fills[] = {
        {"memset_s", memset_s},
        {"memset_s_fast", memset_s_fast},
        {"memset_s_fast_nolimit", memset_s_fast_nolimit}};
    const std::vector<unsigned char> start = generated<unsigned char>(3);
    for (const auto &[name, fn] : fills) {
        const size_t limit = fn == memset_s_fast_nolimit ? SIZE_MAX : MAX_BUFFER_BYTES;
        for (size_t count = 0; count <= 73; ++count) {
            const size_t n = count == 73 ? SIZE_MAX : count;
            for (int destAt = kNull; destAt < 8; ++destAt) {
                for (size_t destMax : {n + 5, n, n - 1, size_t(0), size_t(1), MAX_BUFFER_BYTES,
                                       MAX_BUFFER_BYTES + 1, SIZE_MAX}) {
                    for (int c : {0x00, 0xFF, 0x41, 0x100, -1, 0x37F}) {
                        const bool ok = destAt >= 0 && destMax <= limit && n <= destMax;
                        const int code = ok                                           ? 0
                                         : destMax == 0 || destMax > MAX_BUFFER_BYTES ? ERANGE
                                         : destAt < 0                                 ? EINVAL
                                                      : ERR_RANGE_CLEARED;
                        const size_t filled = ok ? n : code == ERR_RANGE_CLEARED ? destMax : 0;
                        if (filled > kArea - std::max(destAt, 0)) continue;
                        std::vector<unsigned char> want = start;
                        std::fill_n(want.begin() + std::max(destAt, 0), filled, c & 0xFF);
                        GuardedBuffer<unsigned char> buf(kArea);
                        std::copy(start.begin(), start.end(), buf.data());
                        ASSERT_EQ(fn(destAt < 0 ? nullptr : buf.data() + destAt, destMax, c, n),
                                  code)
                            << name << " dest+" << destAt << " destMax " << destMax << " count "
                            << n << " c " << c;
                        ASSERT_TRUE(buf.guards_intact() &&
                                    std::equal(want.begin(), want.end(), buf.data()))
                            << name << " wrote wrong bytes: dest+" << destAt << " destMax "
                            << destMax << " count " << n << " c " << c;
                    }
                }
            }
        }
    }
}

}  // namespace
