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
#include "mem_model.h"

namespace {

using namespace mem_model;

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
                    const int got = f.fn(dest, destMax, src, n);
                    ASSERT_TRUE(got == code && buf.guards_intact() &&
                                std::equal(want.begin(), want.end(), buf.data()))
                        << f.name << " gave " << got << " for " << code << " or wrote wrong "
                        << "elements: dest+" << destAt << " src+" << srcAt << " destMax " << destMax
                        << " count " << n;
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
        for (size_t count = 0; count <= 73; ++count) {
            const size_t n = count == 73 ? SIZE_MAX : count;
            for (int destAt = kNull; destAt < 8; ++destAt) {
                for (size_t destMax : {n + 5, n, n - 1, size_t(0), size_t(1), MAX_BUFFER_BYTES,
                                       MAX_BUFFER_BYTES + 1, SIZE_MAX}) {
                    for (int c : {0x00, 0xFF, 0x41, 0x100, -1, 0x37F}) {
                        size_t filled = 0;
                        const int code = fill_model(fn == memset_s_fast_nolimit, destAt >= 0,
                                                    destMax, n, filled);
                        if (filled > kArea - std::max(destAt, 0)) continue;
                        std::vector<unsigned char> want = start;
                        std::fill_n(want.begin() + std::max(destAt, 0), filled, c & 0xFF);
                        GuardedBuffer<unsigned char> buf(kArea);
                        std::copy(start.begin(), start.end(), buf.data());
                        const int got =
                            fn(destAt < 0 ? nullptr : buf.data() + destAt, destMax, c, n);
                        ASSERT_TRUE(got == code && buf.guards_intact() &&
                                    std::equal(want.begin(), want.end(), buf.data()))
                            << name << " gave " << got << " for " << code << " or wrote wrong "
                            << "bytes: dest+" << destAt << " destMax " << destMax << " count " << n
                            << " c " << c;
                    }
                }
            }
        }
    }
}

}  // namespace
