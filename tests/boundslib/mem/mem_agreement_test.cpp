// The fast variants give the bytes and codes of memcpy_s and memset_s for every inline size and
// past it, at every alignment; the success paths agree with memmove on generated input.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <random>
#include <utility>
#include <vector>

#include "bounds_checked.h"
#include "guarded_buffer.h"

namespace {

constexpr size_t kMaxSize = 70;
constexpr size_t kRoom = kMaxSize + 24;  // 5 spare bytes and two alignment shifts

template <typename T>
std::vector<T> random_elements(std::mt19937 &rng, size_t n) {
    std::vector<T> v(n);
    for (T &e : v) e = static_cast<T>(rng());
    return v;
}

size_t to_aligned(const void *p) {
    return (8 - reinterpret_cast<uintptr_t>(p) % 8) % 8;
}

// The code of fn(dest, args...) on a dest `align` bytes past an 8-byte boundary, and the bytes
// of the whole buffer afterwards; broken guards empty the bytes.
template <typename Fn, typename... Args>
std::pair<int, std::vector<unsigned char>> outcome(Fn fn, size_t align, Args... args) {
    GuardedBuffer<unsigned char> buf(kRoom);
    for (size_t i = 0; i < kRoom; ++i) buf[i] = static_cast<unsigned char>(1 + i);
    const int code = fn(buf.data() + to_aligned(buf.data()) + align, args...);
    if (!buf.guards_intact()) return {code, {}};
    return {code, std::vector<unsigned char>(buf.data(), buf.data() + kRoom)};
}

// destMax with room to spare, an exact fit and one short (a range failure).
std::vector<size_t> dest_maxes(size_t count) {
    return count == 0 ? std::vector<size_t>{5, 0}
                      : std::vector<size_t>{count + 5, count, count - 1};
}

// The fast form and its _nolimit twin leave the code and bytes that the plain form leaves.
template <typename Fn, typename... Args>
bool agree(Fn plain, Fn fast, Fn nolimit, size_t align, Args... args) {
    const auto want = outcome(plain, align, args...);
    return outcome(fast, align, args...) == want && outcome(nolimit, align, args...) == want;
}

TEST(FastVariants, CopiesAgreeWithMemcpySForEverySizeAndAlignment) {
    std::mt19937 rng(1);
    const auto source = random_elements<unsigned char>(rng, kRoom);
    for (size_t count = 0; count <= kMaxSize; ++count) {
        for (size_t destAt = 0; destAt < 8; ++destAt) {
            for (size_t srcAt = 0; srcAt < 8; ++srcAt) {
                const unsigned char *src = source.data() + to_aligned(source.data()) + srcAt;
                for (size_t destMax : dest_maxes(count)) {
                    ASSERT_TRUE(agree(memcpy_s, memcpy_s_fast, memcpy_s_fast_nolimit, destAt,
                                      destMax, src, count))
                        << "count " << count << " destMax " << destMax << " dest+" << destAt
                        << " src+" << srcAt;
                }
            }
        }
    }
}

TEST(FastVariants, FillsAgreeWithMemsetSForEverySizeAlignmentAndValue) {
    // 0x00 and 0xFF take the word blocks when dest is aligned; 0x100 and -1 must reduce to them.
    for (int c : {0x00, 0xFF, 0x41, 0x100, -1, 0x180}) {
        for (size_t count = 0; count <= kMaxSize; ++count) {
            for (size_t destAt = 0; destAt < 8; ++destAt) {
                for (size_t destMax : dest_maxes(count)) {
                    ASSERT_TRUE(agree(memset_s, memset_s_fast, memset_s_fast_nolimit, destAt,
                                      destMax, c, count))
                        << "c " << c << " count " << count << " destMax " << destMax << " dest+"
                        << destAt;
                }
            }
        }
    }
}

// Generated moves within one buffer. The first function may move overlapping ranges; the others
// are copies, run only where the ranges are apart.
template <typename T, typename Fn>
void check_against_memmove(unsigned seed, std::initializer_list<std::pair<const char *, Fn>> fns) {
    std::mt19937 rng(seed);
    for (int round = 0; round < 400; ++round) {
        const size_t size = 1 + rng() % 5000;
        const auto start = random_elements<T>(rng, size);
        const size_t destOff = rng() % size, srcOff = rng() % size;
        const size_t count = rng() % (size - std::max(destOff, srcOff) + 1);
        const bool apart = std::max(destOff, srcOff) - std::min(destOff, srcOff) >= count;
        auto expected = start;
        std::memmove(expected.data() + destOff, expected.data() + srcOff, count * sizeof(T));
        for (const auto &[name, fn] : fns) {
            if (!apart && name != fns.begin()->first) continue;
            auto buf = start;
            ASSERT_EQ(fn(buf.data() + destOff, size - destOff, buf.data() + srcOff, count), 0)
                << name << " round " << round;
            ASSERT_EQ(buf, expected)
                << name << " dest+" << destOff << " src+" << srcOff << " count " << count;
        }
    }
}

TEST(Oracle, SuccessPathsAgreeWithMemmove) {
    using CopyFn = int (*)(void *, size_t, const void *, size_t);
    using WideFn = int (*)(wchar_t *, size_t, const wchar_t *, size_t);
    check_against_memmove<unsigned char, CopyFn>(
        777, {{"memmove_s", memmove_s}, {"memcpy_s", memcpy_s}, {"memcpy_s_fast", memcpy_s_fast}});
    check_against_memmove<wchar_t, WideFn>(4242,
                                           {{"wmemmove_s", wmemmove_s}, {"wmemcpy_s", wmemcpy_s}});
}

}  // namespace
