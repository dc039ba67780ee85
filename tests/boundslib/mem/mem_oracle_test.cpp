// The success paths against the C library on generated sizes, offsets and contents.
#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "bounds_checked.h"

namespace {

constexpr size_t kLargest = 5000;
constexpr int kRounds = 400;

std::vector<unsigned char> random_bytes(std::mt19937 &rng, size_t n) {
    std::vector<unsigned char> v(n);
    for (auto &b : v) b = static_cast<unsigned char>(rng());
    return v;
}

TEST(CopyOracle, SeparateBuffersAgreeWithMemcpy) {
    std::mt19937 rng(12345);
    using CopyFn = int (*)(void *, size_t, const void *, size_t);
    const std::pair<const char *, CopyFn> copies[] = {
        {"memcpy_s", memcpy_s}, {"memcpy_s_fast", memcpy_s_fast}, {"memmove_s", memmove_s}};
    for (int round = 0; round < kRounds; ++round) {
        const size_t count = rng() % kLargest;
        const size_t destMax = count + rng() % 16;
        const auto src = random_bytes(rng, count + 1);
        const auto start = random_bytes(rng, destMax + 1);
        auto expected = start;
        std::memcpy(expected.data(), src.data(), count);
        for (const auto &[name, fn] : copies) {
            auto dest = start;
            ASSERT_EQ(fn(dest.data(), destMax, src.data(), count), 0)
                << name << " round " << round << " count " << count;
            ASSERT_EQ(dest, expected) << name << " round " << round << " count " << count;
        }
    }
}

TEST(MoveOracle, OverlappingMovesAgreeWithMemmove) {
    std::mt19937 rng(777);
    for (int round = 0; round < kRounds; ++round) {
        const size_t size = 1 + rng() % kLargest;
        const auto start = random_bytes(rng, size);
        const size_t destOff = rng() % size, srcOff = rng() % size;
        const size_t count = rng() % (size - std::max(destOff, srcOff) + 1);
        const size_t destMax = size - destOff;
        auto expected = start;
        std::memmove(expected.data() + destOff, expected.data() + srcOff, count);
        auto buf = start;
        ASSERT_EQ(memmove_s(buf.data() + destOff, destMax, buf.data() + srcOff, count), 0)
            << "round " << round;
        ASSERT_EQ(buf, expected) << "round " << round << " dest+" << destOff << " src+" << srcOff
                                 << " count " << count;
    }
}

TEST(MoveOracle, WideMovesAgreeWithWmemmove) {
    std::mt19937 rng(4242);
    for (int round = 0; round < kRounds; ++round) {
        const size_t size = 1 + rng() % 1000;
        std::vector<wchar_t> start(size);
        for (auto &w : start) w = static_cast<wchar_t>(rng() & 0x7FFFFFFF);
        const size_t destOff = rng() % size, srcOff = rng() % size;
        const size_t count = rng() % (size - std::max(destOff, srcOff) + 1);
        auto expected = start;
        std::wmemmove(expected.data() + destOff, expected.data() + srcOff, count);
        auto buf = start;
        ASSERT_EQ(wmemmove_s(buf.data() + destOff, size - destOff, buf.data() + srcOff, count), 0)
            << "round " << round;
        ASSERT_EQ(buf, expected) << "round " << round;
    }
}

}  // namespace
