#include <gtest/gtest.h>

#include "bounds_checked.h"
#include "mem/mem_internal.h"
#include "mem_case.h"

using namespace memtest;

namespace {

using CopyFn = int (*)(void *, size_t, const void *, size_t);

constexpr Where N = Where::Null, B = Where::Buffer, S = Where::Separate;
constexpr size_t kAboveLimit = MAX_BUFFER_BYTES + 1;

struct CopyCase {
    const char *name;
    Layout at;
    int code;
    Effect effect;
    // The outcome of memcpy_s_fast_nolimit where it differs (a destMax above the limit).
    int nolimitCode = -1;
    Effect nolimitEffect = Effect::Untouched;
};

const CopyCase kCopyCases[] = {
    {"destMax 0, count 0", {B, 0, S, 0, 0, 0}, ERANGE, Effect::Untouched},
    {"destMax 0, null dest", {N, 0, S, 0, 0, 0}, ERANGE, Effect::Untouched},
    {"destMax 0, null src", {B, 0, N, 0, 0, 4}, ERANGE, Effect::Untouched},
    {"destMax largest size_t",
     {B, 0, S, 0, SIZE_MAX, 1},
     ERANGE,
     Effect::Untouched,
     0,
     Effect::Copied},
    {"destMax one above limit",
     {B, 0, S, 0, kAboveLimit, 1},
     ERANGE,
     Effect::Untouched,
     0,
     Effect::Copied},
    {"destMax above limit, count 0", {B, 0, S, 0, kAboveLimit, 0}, ERANGE, Effect::Untouched},
    {"destMax above limit, null dest", {N, 0, S, 0, kAboveLimit, 1}, ERANGE, Effect::Untouched},
    {"destMax above limit, null src", {B, 0, N, 0, kAboveLimit, 1}, ERANGE, Effect::Untouched},
    {"destMax above limit, overlap", {B, 1, B, 0, kAboveLimit, 4}, ERANGE, Effect::Untouched},
    {"destMax at limit", {B, 0, S, 0, MAX_BUFFER_BYTES, 3}, 0, Effect::Copied},
    {"null dest", {N, 0, S, 0, 10, 4}, EINVAL, Effect::Untouched},
    {"null dest and src", {N, 0, N, 0, 10, 4}, EINVAL, Effect::Untouched},
    {"null dest, count too big", {N, 0, S, 0, 10, 11}, EINVAL, Effect::Untouched},
    {"null src, count 0", {B, 0, N, 0, 10, 0}, ERR_INVALID_CLEARED, Effect::Cleared},
    {"null src, count too big", {B, 3, N, 0, 10, 11}, ERR_INVALID_CLEARED, Effect::Cleared},
    {"count 0", {B, 0, S, 0, 10, 0}, 0, Effect::Untouched},
    {"count 1", {B, 5, S, 9, 10, 1}, 0, Effect::Copied},
    {"count equals destMax", {B, 2, S, 0, 8, 8}, 0, Effect::Copied},
    {"count one above destMax", {B, 2, S, 0, 8, 9}, ERR_RANGE_CLEARED, Effect::Cleared},
    {"count too big, ranges overlap", {B, 1, B, 0, 8, 9}, ERR_RANGE_CLEARED, Effect::Cleared},
    {"dest equals src", {B, 4, B, 4, 10, 4}, 0, Effect::Untouched},
    {"dest one above src", {B, 1, B, 0, 10, 4}, ERR_OVERLAP_CLEARED, Effect::Cleared},
    {"dest one below src", {B, 0, B, 1, 10, 4}, ERR_OVERLAP_CLEARED, Effect::Cleared},
    {"ranges share the last byte", {B, 3, B, 0, 10, 4}, ERR_OVERLAP_CLEARED, Effect::Cleared},
    {"ranges share the first byte", {B, 0, B, 3, 10, 4}, ERR_OVERLAP_CLEARED, Effect::Cleared},
    {"dest touches the end of src", {B, 4, B, 0, 10, 4}, 0, Effect::Copied},
    {"src touches the end of dest", {B, 0, B, 4, 10, 4}, 0, Effect::Copied},
    {"long copy within one buffer", {B, 40, B, 0, 24, 24}, 0, Effect::Copied},
};

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
            check_copy_case<unsigned char>(std::string(f.name) + ": " + c.name, f.fn, c.at,
                                           differs ? c.nolimitCode : c.code,
                                           differs ? c.nolimitEffect : c.effect);
        }
    }
}

// The classifier reports every failure exactly as the copies do, and never copies.
TEST(ClassifyMemcpyFailure, SameCodesWithoutCopying) {
    for (const auto &c : kCopyCases) {
        const Effect effect = c.effect == Effect::Copied ? Effect::Untouched : c.effect;
        check_copy_case<unsigned char>(std::string("classify_memcpy_failure: ") + c.name,
                                       classify_memcpy_failure, c.at, c.code, effect);
    }
}

// Overlap is allowed in a move: the moved bytes are the source as it was before the call.
TEST(MemmoveS, CheckOrderResultsAndClearing) {
    const struct {
        const char *name;
        Layout at;
        int code;
        Effect effect;
    } cases[] = {
        {"destMax 0", {B, 0, S, 0, 0, 0}, ERANGE, Effect::Untouched},
        {"destMax 0, null dest", {N, 0, N, 0, 0, 1}, ERANGE, Effect::Untouched},
        {"destMax above limit", {B, 0, S, 0, kAboveLimit, 1}, ERANGE, Effect::Untouched},
        {"destMax at limit", {B, 1, B, 0, MAX_BUFFER_BYTES, 5}, 0, Effect::Copied},
        {"null dest", {N, 0, S, 0, 10, 4}, EINVAL, Effect::Untouched},
        {"null dest, count too big", {N, 0, S, 0, 10, 11}, EINVAL, Effect::Untouched},
        {"null src", {B, 2, N, 0, 10, 4}, ERR_INVALID_CLEARED, Effect::Cleared},
        {"null src, count too big", {B, 2, N, 0, 10, 11}, ERR_INVALID_CLEARED, Effect::Cleared},
        {"count one above destMax", {B, 2, S, 0, 8, 9}, ERR_RANGE_CLEARED, Effect::Cleared},
        {"count too big, ranges overlap", {B, 1, B, 0, 8, 9}, ERR_RANGE_CLEARED, Effect::Cleared},
        {"count 0", {B, 0, S, 0, 10, 0}, 0, Effect::Untouched},
        {"count equals destMax", {B, 0, S, 3, 10, 10}, 0, Effect::Copied},
        {"dest equals src", {B, 4, B, 4, 10, 4}, 0, Effect::Untouched},
        {"dest one above src", {B, 1, B, 0, 10, 4}, 0, Effect::Copied},
        {"dest one below src", {B, 0, B, 1, 10, 4}, 0, Effect::Copied},
        {"long overlapping move up", {B, 7, B, 0, 40, 40}, 0, Effect::Copied},
        {"long overlapping move down", {B, 0, B, 7, 40, 40}, 0, Effect::Copied},
        {"ranges touching", {B, 4, B, 0, 10, 4}, 0, Effect::Copied},
    };
    for (const auto &c : cases) {
        check_copy_case<unsigned char>(std::string("memmove_s: ") + c.name, memmove_s, c.at, c.code,
                                       c.effect);
    }
}

}  // namespace
