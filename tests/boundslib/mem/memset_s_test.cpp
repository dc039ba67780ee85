#include <gtest/gtest.h>

#include "bounds_checked.h"
#include "mem_case.h"

using namespace memtest;

namespace {

using FillFn = int (*)(void *, size_t, int, size_t);

constexpr size_t kAboveLimit = MAX_BUFFER_BYTES + 1;

struct FillCase {
    const char *name;
    bool nullDest;
    size_t destOff;
    size_t destMax;
    int c;
    size_t count;
    int code;
    size_t written;  // bytes from dest on that must hold the low 8 bits of c; the rest unchanged
    // The outcome of memset_s_fast_nolimit where it differs (a destMax above the limit).
    int nolimitCode = -1;
    size_t nolimitWritten = 0;
};

const FillCase kFillCases[] = {
    {"destMax 0, count 0", false, 0, 0, 0x41, 0, 0, 0},
    {"destMax 0, count 0, null dest", true, 0, 0, 0x41, 0, ERANGE, 0},
    {"destMax 0, count 1", false, 0, 0, 0x41, 1, ERANGE, 0},
    {"destMax largest size_t", false, 0, SIZE_MAX, 0x41, 1, ERANGE, 0, 0, 1},
    {"destMax one above limit", false, 0, kAboveLimit, 0x41, 3, ERANGE, 0, 0, 3},
    {"destMax above limit, null dest", true, 0, kAboveLimit, 0x41, 3, ERANGE, 0},
    {"destMax above limit, count too big", false, 0, kAboveLimit, 0x41, kAboveLimit + 1, ERANGE, 0},
    {"destMax at limit", false, 3, MAX_BUFFER_BYTES, 0x41, 3, 0, 3},
    {"null dest", true, 0, 10, 0x41, 4, EINVAL, 0},
    {"null dest, count too big", true, 0, 10, 0x41, 11, EINVAL, 0},
    {"count 0", false, 0, 10, 0x41, 0, 0, 0},
    {"count 1", false, 5, 10, 0x41, 1, 0, 1},
    {"count equals destMax", false, 1, 8, 0x41, 8, 0, 8},
    {"count one above destMax fills with c", false, 1, 8, 0x41, 9, ERR_RANGE_CLEARED, 8},
    {"count too big, c 0", false, 1, 8, 0, 9, ERR_RANGE_CLEARED, 8},
    {"only the low 8 bits of c", false, 0, 40, 0x1241, 40, 0, 40},
    {"c -1 stores 0xFF", false, 0, 40, -1, 33, 0, 33},
    {"c 0x100 stores zero", false, 8, 40, 0x100, 24, 0, 24},
    {"low 8 bits of c on range failure", false, 0, 5, 0x37F, 6, ERR_RANGE_CLEARED, 5},
};

struct NamedFill {
    const char *name;
    FillFn fn;
    bool nolimit;
};

const NamedFill kFills[] = {
    {"memset_s", memset_s, false},
    {"memset_s_fast", memset_s_fast, false},
    {"memset_s_fast_nolimit", memset_s_fast_nolimit, true},
};

TEST(MemsetS, CheckOrderResultsAndClearing) {
    for (const auto &f : kFills) {
        for (const auto &c : kFillCases) {
            SCOPED_TRACE(std::string(f.name) + ": " + c.name);
            const bool differs = f.nolimit && c.nolimitCode >= 0;
            GuardedBuffer<unsigned char> buf(kArea);
            fill_pattern(buf.data(), kArea, 0);
            auto expected = snapshot(buf);
            std::fill_n(expected.begin() + c.destOff, differs ? c.nolimitWritten : c.written,
                        static_cast<unsigned char>(c.c));

            EXPECT_EQ(f.fn(c.nullDest ? nullptr : buf.data() + c.destOff, c.destMax, c.c, c.count),
                      differs ? c.nolimitCode : c.code);
            EXPECT_TRUE(buf.guards_intact()) << "wrote outside the buffer";
            EXPECT_EQ(snapshot(buf), expected);
        }
    }
}

}  // namespace
