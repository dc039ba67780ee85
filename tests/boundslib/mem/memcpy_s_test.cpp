#include <gtest/gtest.h>

#include "bounds_checked.h"
#include "mem/mem_internal.h"
#include "mem_case.h"

using namespace memtest;

namespace {

using CopyFn = int (*)(void *, size_t, const void *, size_t);

struct CopyCase {
    const char *name;
    Where dest;
    size_t destOff;
    Where src;
    size_t srcOff;
    size_t destMax;
    size_t count;
    int code;
    Effect effect;
    // The outcome of memcpy_s_fast_nolimit where it differs (a destMax above the limit).
    int nolimitCode = -1;
    Effect nolimitEffect = Effect::Untouched;
};

constexpr size_t kAboveLimit = MAX_BUFFER_BYTES + 1;

const CopyCase kCopyCases[] = {
    {"destMax 0, count 0", Where::Buffer, 0, Where::Separate, 0, 0, 0, ERANGE, Effect::Untouched},
    {"destMax 0, null dest", Where::Null, 0, Where::Separate, 0, 0, 0, ERANGE, Effect::Untouched},
    {"destMax 0, null src", Where::Buffer, 0, Where::Null, 0, 0, 4, ERANGE, Effect::Untouched},
    {"destMax largest size_t", Where::Buffer, 0, Where::Separate, 0, SIZE_MAX, 1, ERANGE,
     Effect::Untouched, 0, Effect::Copied},
    {"destMax one above limit", Where::Buffer, 0, Where::Separate, 0, kAboveLimit, 1, ERANGE,
     Effect::Untouched, 0, Effect::Copied},
    {"destMax above limit, count 0", Where::Buffer, 0, Where::Separate, 0, kAboveLimit, 0, ERANGE,
     Effect::Untouched, ERANGE, Effect::Untouched},
    {"destMax above limit, null dest", Where::Null, 0, Where::Separate, 0, kAboveLimit, 1, ERANGE,
     Effect::Untouched, ERANGE, Effect::Untouched},
    {"destMax above limit, null src", Where::Buffer, 0, Where::Null, 0, kAboveLimit, 1, ERANGE,
     Effect::Untouched, ERANGE, Effect::Untouched},
    {"destMax above limit, overlap", Where::Buffer, 1, Where::Buffer, 0, kAboveLimit, 4, ERANGE,
     Effect::Untouched, ERANGE, Effect::Untouched},
    {"destMax at limit", Where::Buffer, 0, Where::Separate, 0, MAX_BUFFER_BYTES, 3, 0,
     Effect::Copied},
    {"null dest", Where::Null, 0, Where::Separate, 0, 10, 4, EINVAL, Effect::Untouched},
    {"null dest and src", Where::Null, 0, Where::Null, 0, 10, 4, EINVAL, Effect::Untouched},
    {"null dest, count too big", Where::Null, 0, Where::Separate, 0, 10, 11, EINVAL,
     Effect::Untouched},
    {"null src, count 0", Where::Buffer, 0, Where::Null, 0, 10, 0, ERR_INVALID_CLEARED,
     Effect::Cleared},
    {"null src, count too big", Where::Buffer, 3, Where::Null, 0, 10, 11, ERR_INVALID_CLEARED,
     Effect::Cleared},
    {"count 0", Where::Buffer, 0, Where::Separate, 0, 10, 0, 0, Effect::Untouched},
    {"count 1", Where::Buffer, 5, Where::Separate, 9, 10, 1, 0, Effect::Copied},
    {"count equals destMax", Where::Buffer, 2, Where::Separate, 0, 8, 8, 0, Effect::Copied},
    {"count one above destMax", Where::Buffer, 2, Where::Separate, 0, 8, 9, ERR_RANGE_CLEARED,
     Effect::Cleared},
    {"count too big, ranges overlap", Where::Buffer, 1, Where::Buffer, 0, 8, 9, ERR_RANGE_CLEARED,
     Effect::Cleared},
    {"dest equals src", Where::Buffer, 4, Where::Buffer, 4, 10, 4, 0, Effect::Untouched},
    {"dest one above src", Where::Buffer, 1, Where::Buffer, 0, 10, 4, ERR_OVERLAP_CLEARED,
     Effect::Cleared},
    {"dest one below src", Where::Buffer, 0, Where::Buffer, 1, 10, 4, ERR_OVERLAP_CLEARED,
     Effect::Cleared},
    {"ranges share the last byte", Where::Buffer, 3, Where::Buffer, 0, 10, 4, ERR_OVERLAP_CLEARED,
     Effect::Cleared},
    {"ranges share the first byte", Where::Buffer, 0, Where::Buffer, 3, 10, 4, ERR_OVERLAP_CLEARED,
     Effect::Cleared},
    {"dest touches the end of src", Where::Buffer, 4, Where::Buffer, 0, 10, 4, 0, Effect::Copied},
    {"src touches the end of dest", Where::Buffer, 0, Where::Buffer, 4, 10, 4, 0, Effect::Copied},
    {"long copy within one buffer", Where::Buffer, 40, Where::Buffer, 0, 24, 24, 0, Effect::Copied},
};

void check_copy(const char *fnName, CopyFn fn, const CopyCase &c, int code, Effect effect) {
    SCOPED_TRACE(std::string(fnName) + ": " + c.name);
    GuardedBuffer<unsigned char> buf(kArea);
    fill_pattern(buf.data(), kArea, 0);
    std::vector<unsigned char> separate(kArea);
    fill_pattern(separate.data(), kArea, 50);

    unsigned char *dest = c.dest == Where::Null ? nullptr : buf.data() + c.destOff;
    const unsigned char *src = c.src == Where::Null     ? nullptr
                               : c.src == Where::Buffer ? buf.data() + c.srcOff
                                                        : separate.data() + c.srcOff;
    // The expectation is built from the buffer and source as they were before the call.
    auto expected =
        expected_area<unsigned char>(snapshot(buf), c.destOff, src, c.count, c.destMax, effect, 0);

    EXPECT_EQ(fn(dest, c.destMax, src, c.count), code);
    EXPECT_TRUE(buf.guards_intact()) << "wrote outside the buffer";
    EXPECT_EQ(snapshot(buf), expected);
}

struct NamedCopy {
    const char *name;
    CopyFn fn;
    bool nolimit;
};

const NamedCopy kCopies[] = {
    {"memcpy_s", memcpy_s, false},
    {"memcpy_s_fast", memcpy_s_fast, false},
    {"memcpy_s_fast_nolimit", memcpy_s_fast_nolimit, true},
};

TEST(MemcpyS, CheckOrderResultsAndClearing) {
    for (const auto &f : kCopies) {
        for (const auto &c : kCopyCases) {
            const bool differs = f.nolimit && c.nolimitCode >= 0;
            check_copy(f.name, f.fn, c, differs ? c.nolimitCode : c.code,
                       differs ? c.nolimitEffect : c.effect);
        }
    }
}

// The classifier reports every failure exactly as the copies do, and never copies.
TEST(ClassifyMemcpyFailure, SameCodesWithoutCopying) {
    for (const auto &c : kCopyCases) {
        const Effect effect = c.effect == Effect::Copied ? Effect::Untouched : c.effect;
        check_copy("classify_memcpy_failure", classify_memcpy_failure, c, c.code, effect);
    }
}

}  // namespace
