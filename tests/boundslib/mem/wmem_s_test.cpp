#include <gtest/gtest.h>

#include "bounds_checked.h"
#include "mem_case.h"

using namespace memtest;

namespace {

using WideCopyFn = int (*)(wchar_t *, size_t, const wchar_t *, size_t);

struct WideCase {
    const char *name;
    Where dest;
    size_t destOff;
    Where src;
    size_t srcOff;
    size_t destMax;
    size_t count;
    int code;
    Effect effect;
    // wmemmove_s moves overlapping ranges where wmemcpy_s refuses them.
    int moveCode = -1;
    Effect moveEffect = Effect::Untouched;
};

const WideCase kWideCases[] = {
    {"destMax 0", Where::Buffer, 0, Where::Separate, 0, 0, 0, ERANGE, Effect::Untouched},
    {"destMax one above limit", Where::Buffer, 0, Where::Separate, 0, MAX_BUFFER_WCHARS + 1, 1,
     ERANGE, Effect::Untouched},
    {"destMax above limit, null dest", Where::Null, 0, Where::Separate, 0, MAX_BUFFER_WCHARS + 1, 1,
     ERANGE, Effect::Untouched},
    {"destMax at limit", Where::Buffer, 0, Where::Separate, 0, MAX_BUFFER_WCHARS, 2, 0,
     Effect::Copied},
    {"null dest, count too big", Where::Null, 0, Where::Separate, 0, 4, 5, ERANGE,
     Effect::Untouched},
    {"null dest", Where::Null, 0, Where::Separate, 0, 4, 4, EINVAL, Effect::Untouched},
    {"count one above destMax", Where::Buffer, 1, Where::Separate, 0, 4, 5, ERR_RANGE_CLEARED,
     Effect::Cleared},
    {"null src, count too big", Where::Buffer, 1, Where::Null, 0, 4, 5, ERR_RANGE_CLEARED,
     Effect::Cleared},
    {"null src", Where::Buffer, 1, Where::Null, 0, 6, 2, ERR_INVALID_CLEARED, Effect::Cleared},
    {"null src, count 0", Where::Buffer, 1, Where::Null, 0, 6, 0, ERR_INVALID_CLEARED,
     Effect::Cleared},
    {"count 0", Where::Buffer, 0, Where::Separate, 0, 6, 0, 0, Effect::Untouched},
    {"count equals destMax", Where::Buffer, 3, Where::Separate, 5, 9, 9, 0, Effect::Copied},
    {"dest equals src", Where::Buffer, 2, Where::Buffer, 2, 6, 3, 0, Effect::Untouched},
    {"dest one above src", Where::Buffer, 1, Where::Buffer, 0, 6, 3, ERR_OVERLAP_CLEARED,
     Effect::Cleared, 0, Effect::Copied},
    {"dest one below src", Where::Buffer, 0, Where::Buffer, 1, 6, 3, ERR_OVERLAP_CLEARED,
     Effect::Cleared, 0, Effect::Copied},
    {"ranges touching", Where::Buffer, 3, Where::Buffer, 0, 6, 3, 0, Effect::Copied},
};

void check_wide(const char *fnName, WideCopyFn fn, const WideCase &c, int code, Effect effect) {
    SCOPED_TRACE(std::string(fnName) + ": " + c.name);
    GuardedBuffer<wchar_t> buf(kArea);
    fill_pattern(buf.data(), kArea, 0);
    std::vector<wchar_t> separate(kArea);
    fill_pattern(separate.data(), kArea, 50);
    wchar_t *dest = c.dest == Where::Null ? nullptr : buf.data() + c.destOff;
    const wchar_t *src = c.src == Where::Null     ? nullptr
                         : c.src == Where::Buffer ? buf.data() + c.srcOff
                                                  : separate.data() + c.srcOff;
    auto expected =
        expected_area<wchar_t>(snapshot(buf), c.destOff, src, c.count, c.destMax, effect, 0);

    EXPECT_EQ(fn(dest, c.destMax, src, c.count), code);
    EXPECT_TRUE(buf.guards_intact()) << "wrote outside the buffer";
    EXPECT_EQ(snapshot(buf), expected);
}

TEST(WideMemoryCopies, CheckOrderResultsAndClearing) {
    static_assert(sizeof(wchar_t) == 4);
    for (const auto &c : kWideCases) {
        check_wide("wmemcpy_s", wmemcpy_s, c, c.code, c.effect);
        const bool differs = c.moveCode >= 0;
        check_wide("wmemmove_s", wmemmove_s, c, differs ? c.moveCode : c.code,
                   differs ? c.moveEffect : c.effect);
    }
}

}  // namespace
