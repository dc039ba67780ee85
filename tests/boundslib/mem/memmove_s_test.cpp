#include <gtest/gtest.h>

#include "bounds_checked.h"
#include "mem_case.h"

using namespace memtest;

namespace {

struct MoveCase {
    const char *name;
    Where dest;
    size_t destOff;
    Where src;
    size_t srcOff;
    size_t destMax;
    size_t count;
    int code;
    Effect effect;
};

const MoveCase kMoveCases[] = {
    {"destMax 0", Where::Buffer, 0, Where::Separate, 0, 0, 0, ERANGE, Effect::Untouched},
    {"destMax 0, null dest", Where::Null, 0, Where::Null, 0, 0, 1, ERANGE, Effect::Untouched},
    {"destMax above limit", Where::Buffer, 0, Where::Separate, 0, MAX_BUFFER_BYTES + 1, 1, ERANGE,
     Effect::Untouched},
    {"destMax at limit", Where::Buffer, 1, Where::Buffer, 0, MAX_BUFFER_BYTES, 5, 0,
     Effect::Copied},
    {"null dest", Where::Null, 0, Where::Separate, 0, 10, 4, EINVAL, Effect::Untouched},
    {"null dest, count too big", Where::Null, 0, Where::Separate, 0, 10, 11, EINVAL,
     Effect::Untouched},
    {"null src", Where::Buffer, 2, Where::Null, 0, 10, 4, ERR_INVALID_CLEARED, Effect::Cleared},
    {"null src, count too big", Where::Buffer, 2, Where::Null, 0, 10, 11, ERR_INVALID_CLEARED,
     Effect::Cleared},
    {"count one above destMax", Where::Buffer, 2, Where::Separate, 0, 8, 9, ERR_RANGE_CLEARED,
     Effect::Cleared},
    {"count too big, ranges overlap", Where::Buffer, 1, Where::Buffer, 0, 8, 9, ERR_RANGE_CLEARED,
     Effect::Cleared},
    {"count 0", Where::Buffer, 0, Where::Separate, 0, 10, 0, 0, Effect::Untouched},
    {"count equals destMax", Where::Buffer, 0, Where::Separate, 3, 10, 10, 0, Effect::Copied},
    {"dest equals src", Where::Buffer, 4, Where::Buffer, 4, 10, 4, 0, Effect::Untouched},
    {"dest one above src", Where::Buffer, 1, Where::Buffer, 0, 10, 4, 0, Effect::Copied},
    {"dest one below src", Where::Buffer, 0, Where::Buffer, 1, 10, 4, 0, Effect::Copied},
    {"long overlapping move up", Where::Buffer, 7, Where::Buffer, 0, 40, 40, 0, Effect::Copied},
    {"long overlapping move down", Where::Buffer, 0, Where::Buffer, 7, 40, 40, 0, Effect::Copied},
    {"ranges touching", Where::Buffer, 4, Where::Buffer, 0, 10, 4, 0, Effect::Copied},
};

// Overlap is allowed: the moved bytes must be the source as it was before the call.
TEST(MemmoveS, CheckOrderResultsAndClearing) {
    for (const auto &c : kMoveCases) {
        SCOPED_TRACE(c.name);
        GuardedBuffer<unsigned char> buf(kArea);
        fill_pattern(buf.data(), kArea, 0);
        std::vector<unsigned char> separate(kArea);
        fill_pattern(separate.data(), kArea, 50);
        unsigned char *dest = c.dest == Where::Null ? nullptr : buf.data() + c.destOff;
        const unsigned char *src = c.src == Where::Null     ? nullptr
                                   : c.src == Where::Buffer ? buf.data() + c.srcOff
                                                            : separate.data() + c.srcOff;
        auto expected = expected_area<unsigned char>(snapshot(buf), c.destOff, src, c.count,
                                                     c.destMax, c.effect, 0);

        EXPECT_EQ(memmove_s(dest, c.destMax, src, c.count), c.code);
        EXPECT_TRUE(buf.guards_intact()) << "wrote outside the buffer";
        EXPECT_EQ(snapshot(buf), expected);
    }
}

}  // namespace
