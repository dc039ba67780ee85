// The check order of the memory functions: the code of each fault, which code wins when several
// meet, the limits, overlapping and touching ranges, and what each failure clears. Every
// destination sits between guards.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "bounds_checked.h"
#include "guarded_buffer.h"
#include "mem/mem_internal.h"

namespace {

constexpr size_t kArea = 64;
// destMax placeholders, resolved per element width to the width's limit and one above it.
constexpr size_t kLimit = SIZE_MAX - 1, kOverLimit = SIZE_MAX - 2;
constexpr int kSame = -1;  // in a later column: no different from the copy (or move) column

enum Where { N, B, S };  // null, into the guarded buffer, into a separate source

template <typename T>
size_t resolve(size_t n) {
    const size_t limit = sizeof(T) == 1 ? MAX_BUFFER_BYTES : MAX_BUFFER_WCHARS;
    return n == kLimit ? limit : n == kOverLimit ? limit + 1 : n;
}

// Every byte of an element differs, so a clear or copy that counts bytes, not elements, shows.
template <typename T>
T pattern(size_t i) {
    return static_cast<T>(0x01020301u * static_cast<unsigned>(i + 1));
}

struct CopyCase {
    const char *name;
    Where dest;
    size_t destOff;
    Where src;
    size_t srcOff;
    size_t destMax;
    size_t count;
    int copy;             // memcpy_s, memcpy_s_fast, classify_memcpy_failure, wmemcpy_s
    int move = kSame;     // memmove_s, wmemmove_s: overlap is allowed
    int wide = kSame;     // wmemcpy_s, wmemmove_s: an over-long count is found before null pointers
    int nolimit = kSame;  // memcpy_s_fast_nolimit: a destMax above the limit is fine
};

// Runs fn(dest, destMax, src, count) and checks the code and the whole buffer: 0 moves count
// elements from src as it was (unless copies is false), a code above 128 clears destMax elements
// to zero, any other code writes nothing.
template <typename T, typename Fn>
void check_copy(const std::string &what, Fn fn, const CopyCase &l, int code, bool copies = true) {
    SCOPED_TRACE(what);
    GuardedBuffer<T> buf(kArea);
    std::vector<T> separate(kArea);
    for (size_t i = 0; i < kArea; ++i) {
        buf[i] = pattern<T>(i);
        separate[i] = pattern<T>(i + 100);
    }
    T *dest = l.dest == N ? nullptr : buf.data() + l.destOff;
    const T *src = l.src == N ? nullptr : (l.src == B ? buf.data() : separate.data()) + l.srcOff;
    const size_t destMax = resolve<T>(l.destMax);
    std::vector<T> expected(buf.data(), buf.data() + kArea);
    if (code == 0 && copies) {
        const std::vector<T> moved(src, src + l.count);
        std::copy(moved.begin(), moved.end(), expected.begin() + l.destOff);
    }
    if (code > 128) std::fill_n(expected.begin() + l.destOff, destMax, T(0));
    EXPECT_EQ(fn(dest, destMax, src, l.count), code);
    EXPECT_TRUE(buf.guards_intact()) << "wrote outside the buffer";
    EXPECT_EQ(std::vector<T>(buf.data(), buf.data() + kArea), expected);
}

const CopyCase kCopyCases[] = {
    {"destMax 0", B, 0, S, 0, 0, 0, ERANGE},
    {"destMax 0 beats null pointers", N, 0, N, 0, 0, 4, ERANGE},
    {"destMax largest size_t", B, 0, S, 0, SIZE_MAX, 1, ERANGE, kSame, kSame, 0},
    {"destMax one above limit", B, 0, S, 0, kOverLimit, 1, ERANGE, kSame, kSame, 0},
    {"destMax above limit beats null dest", N, 0, S, 0, kOverLimit, 1, ERANGE},
    {"destMax above limit beats null src and count", B, 0, N, 0, kOverLimit, SIZE_MAX, ERANGE},
    {"destMax above limit beats overlap", B, 1, B, 0, kOverLimit, 4, ERANGE},
    {"destMax at limit", B, 0, S, 0, kLimit, 3, 0},
    {"null dest", N, 0, S, 0, 10, 4, EINVAL},
    {"null dest beats null src", N, 0, N, 0, 10, 4, EINVAL},
    {"null dest, count too big", N, 0, S, 0, 10, 11, EINVAL, kSame, ERANGE},
    {"null src", B, 2, N, 0, 10, 4, ERR_INVALID_CLEARED},
    {"null src, count 0", B, 0, N, 0, 10, 0, ERR_INVALID_CLEARED},
    {"null src, count too big", B, 3, N, 0, 10, 11, ERR_INVALID_CLEARED, kSame, ERR_RANGE_CLEARED},
    {"count 0", B, 0, S, 0, 10, 0, 0},
    {"count equals destMax", B, 2, S, 0, 8, 8, 0},
    {"count one above destMax", B, 2, S, 0, 8, 9, ERR_RANGE_CLEARED},
    {"count too big beats overlap", B, 1, B, 0, 8, 9, ERR_RANGE_CLEARED},
    {"dest equals src", B, 4, B, 4, 10, 4, 0},
    {"dest one above src", B, 1, B, 0, 10, 4, ERR_OVERLAP_CLEARED, 0},
    {"dest one below src", B, 0, B, 1, 10, 4, ERR_OVERLAP_CLEARED, 0},
    {"ranges share the last byte", B, 3, B, 0, 10, 4, ERR_OVERLAP_CLEARED, 0},
    {"ranges share the first byte", B, 0, B, 3, 10, 4, ERR_OVERLAP_CLEARED, 0},
    {"dest touches the end of src", B, 4, B, 0, 10, 4, 0},
    {"src touches the end of dest", B, 0, B, 4, 10, 4, 0},
};

int pick(int code, int otherwise) {
    return code == kSame ? otherwise : code;
}

TEST(MemoryCopies, CheckOrderClearingAndOverlap) {
    for (const CopyCase &c : kCopyCases) {
        const int move = pick(c.move, c.copy);
        const std::string name = std::string(": ") + c.name;
        check_copy<unsigned char>("memcpy_s" + name, memcpy_s, c, c.copy);
        check_copy<unsigned char>("memcpy_s_fast" + name, memcpy_s_fast, c, c.copy);
        check_copy<unsigned char>("memcpy_s_fast_nolimit" + name, memcpy_s_fast_nolimit, c,
                                  pick(c.nolimit, c.copy));
        // The classifier reports what the copy reports, and never copies.
        check_copy<unsigned char>("classify_memcpy_failure" + name, classify_memcpy_failure, c,
                                  c.copy, false);
        check_copy<unsigned char>("memmove_s" + name, memmove_s, c, move);
        check_copy<wchar_t>("wmemcpy_s" + name, wmemcpy_s, c, pick(c.wide, c.copy));
        check_copy<wchar_t>("wmemmove_s" + name, wmemmove_s, c, pick(c.wide, move));
    }
}

struct FillCase {
    const char *name;
    bool nullDest;
    size_t destMax;
    size_t count;
    int code;
    int nolimit = kSame;  // memset_s_fast_nolimit: a destMax above the limit is fine
};

const FillCase kFillCases[] = {
    {"destMax 0, count 0 is no fault", false, 0, 0, 0},
    {"destMax 0, null dest", true, 0, 0, ERANGE},
    {"destMax 0, count 1", false, 0, 1, ERANGE},
    {"destMax largest size_t", false, SIZE_MAX, 3, ERANGE, 0},
    {"destMax one above limit", false, kOverLimit, 3, ERANGE, 0},
    {"destMax above limit beats null dest", true, kOverLimit, 3, ERANGE},
    {"destMax above limit beats count too big", false, kOverLimit, SIZE_MAX, ERANGE},
    {"destMax at limit", false, kLimit, 3, 0},
    {"null dest", true, 10, 4, EINVAL},
    {"null dest beats count too big", true, 10, 11, EINVAL},
    {"count 0", false, 10, 0, 0},
    {"count equals destMax", false, 8, 8, 0},
    {"count one above destMax fills destMax", false, 8, 9, ERR_RANGE_CLEARED},
};

// Success fills count bytes, a range failure destMax bytes, both with the low 8 bits of c.
TEST(MemoryFills, CheckOrderAndClearing) {
    using FillFn = int (*)(void *, size_t, int, size_t);
    const std::pair<const char *, FillFn> fills[] = {
        {"memset_s", memset_s},
        {"memset_s_fast", memset_s_fast},
        {"memset_s_fast_nolimit", memset_s_fast_nolimit},
    };
    constexpr int kValue = 0x37F;
    for (const auto &[function, fn] : fills) {
        for (const FillCase &c : kFillCases) {
            SCOPED_TRACE(std::string(function) + ": " + c.name);
            const bool nolimit = fn == memset_s_fast_nolimit && c.nolimit != kSame;
            const int code = nolimit ? c.nolimit : c.code;
            const size_t destMax = resolve<unsigned char>(c.destMax);
            GuardedBuffer<unsigned char> buf(kArea);
            std::vector<unsigned char> expected(kArea, buf[0]);
            const size_t filled = code == 0 ? c.count : code == ERR_RANGE_CLEARED ? destMax : 0;
            std::fill_n(expected.begin() + 1, filled, 0x7F);
            EXPECT_EQ(fn(c.nullDest ? nullptr : buf.data() + 1, destMax, kValue, c.count), code);
            EXPECT_TRUE(buf.guards_intact()) << "wrote outside the buffer";
            EXPECT_EQ(std::vector<unsigned char>(buf.data(), buf.data() + kArea), expected);
        }
    }
}

}  // namespace
