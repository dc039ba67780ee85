// The fast variants against plain memcpy/memset for every inline size and every alignment: the
// size-indexed tables have one entry per size, so each entry is run at least once aligned and
// unaligned, and the sizes just past the inline limits take the library call.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "bounds_checked.h"
#include "mem_case.h"

using namespace memtest;

namespace {

constexpr size_t kMaxSize = 70;
constexpr size_t kRoom = kMaxSize + 24;  // 5 spare bytes and two alignment shifts

using CopyFn = int (*)(void *, size_t, const void *, size_t);
using FillFn = int (*)(void *, size_t, int, size_t);

const std::pair<const char *, CopyFn> kCopies[] = {
    {"memcpy_s", memcpy_s},
    {"memcpy_s_fast", memcpy_s_fast},
    {"memcpy_s_fast_nolimit", memcpy_s_fast_nolimit},
};
const std::pair<const char *, FillFn> kFills[] = {
    {"memset_s", memset_s},
    {"memset_s_fast", memset_s_fast},
    {"memset_s_fast_nolimit", memset_s_fast_nolimit},
};

// Offset of the first 8-byte aligned element of p.
size_t to_aligned(const unsigned char *p) {
    return (8 - reinterpret_cast<uintptr_t>(p) % 8) % 8;
}

std::string where(const char *fn, size_t destMax, size_t count, size_t destAlign, size_t srcAlign) {
    return std::string(fn) + " destMax " + std::to_string(destMax) + " count " +
           std::to_string(count) + " dest+" + std::to_string(destAlign) + " src+" +
           std::to_string(srcAlign);
}

// Returns false after reporting the first mismatch, so that one fault does not flood the log.
bool check_copy(const char *name, CopyFn fn, size_t destMax, size_t count, size_t destAlign,
                size_t srcAlign) {
    GuardedBuffer<unsigned char> dest(kRoom);
    GuardedBuffer<unsigned char> src(kRoom);
    fill_pattern(dest.data(), kRoom, 0);
    fill_pattern(src.data(), kRoom, 40);
    const size_t destOff = to_aligned(dest.data()) + destAlign;
    const unsigned char *from = src.data() + to_aligned(src.data()) + srcAlign;

    auto expected = snapshot(dest);
    int expectedCode = 0;
    if (count > destMax) {
        std::memset(expected.data() + destOff, 0, destMax);
        expectedCode = ERR_RANGE_CLEARED;
    } else {
        std::memcpy(expected.data() + destOff, from, count);
    }
    const int code = fn(dest.data() + destOff, destMax, from, count);
    if (code != expectedCode || snapshot(dest) != expected || !dest.guards_intact()) {
        ADD_FAILURE() << where(name, destMax, count, destAlign, srcAlign) << ": code " << code
                      << ", expected " << expectedCode << "; bytes or guards differ";
        return false;
    }
    return true;
}

bool check_fill(const char *name, FillFn fn, size_t destMax, int c, size_t count,
                size_t destAlign) {
    GuardedBuffer<unsigned char> dest(kRoom);
    fill_pattern(dest.data(), kRoom, 0);
    const size_t destOff = to_aligned(dest.data()) + destAlign;

    auto expected = snapshot(dest);
    const int expectedCode = count > destMax ? ERR_RANGE_CLEARED : 0;
    std::memset(expected.data() + destOff, c, count > destMax ? destMax : count);
    const int code = fn(dest.data() + destOff, destMax, c, count);
    if (code != expectedCode || snapshot(dest) != expected || !dest.guards_intact()) {
        ADD_FAILURE() << where(name, destMax, count, destAlign, 0) << " c " << c << ": code "
                      << code << ", expected " << expectedCode << "; bytes or guards differ";
        return false;
    }
    return true;
}

TEST(FastCopies, AgreeWithMemcpyForEverySizeAndAlignment) {
    for (const auto &[name, fn] : kCopies) {
        for (size_t count = 0; count <= kMaxSize; ++count) {
            for (size_t destAlign = 0; destAlign < 8; ++destAlign) {
                for (size_t srcAlign = 0; srcAlign < 8; ++srcAlign) {
                    // Room to spare, an exact fit, and one byte short (cleared).
                    for (size_t destMax : {count + 5, count, count - 1}) {
                        if (destMax == 0 || destMax > kMaxSize + 5) continue;
                        if (!check_copy(name, fn, destMax, count, destAlign, srcAlign)) return;
                    }
                }
            }
        }
    }
}

TEST(FastFills, AgreeWithMemsetForEverySizeAlignmentAndValue) {
    // 0x00 and 0xFF take the word blocks when dest is aligned; 0x100 and -1 must reduce to them.
    const int values[] = {0x00, 0xFF, 0x41, 0x100, -1, 0x180};
    for (const auto &[name, fn] : kFills) {
        for (int c : values) {
            for (size_t count = 0; count <= kMaxSize; ++count) {
                for (size_t destAlign = 0; destAlign < 8; ++destAlign) {
                    for (size_t destMax : {count + 5, count, count - 1}) {
                        if (destMax == 0 || destMax > kMaxSize + 5) continue;
                        if (!check_fill(name, fn, destMax, c, count, destAlign)) return;
                    }
                }
            }
        }
    }
}

}  // namespace
