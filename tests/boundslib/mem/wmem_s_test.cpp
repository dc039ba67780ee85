#include <gtest/gtest.h>

#include "bounds_checked.h"
#include "mem_case.h"

using namespace memtest;

namespace {

constexpr Where N = Where::Null, B = Where::Buffer, S = Where::Separate;

struct WideCase {
    const char *name;
    Layout at;
    int code;
    Effect effect;
    // wmemmove_s moves overlapping ranges where wmemcpy_s refuses them.
    int moveCode = -1;
    Effect moveEffect = Effect::Untouched;
};

// Clearing is checked per wchar_t, so a clear of destMax bytes instead of destMax elements fails.
const WideCase kWideCases[] = {
    {"destMax 0", {B, 0, S, 0, 0, 0}, ERANGE, Effect::Untouched},
    {"destMax one above limit", {B, 0, S, 0, MAX_BUFFER_WCHARS + 1, 1}, ERANGE, Effect::Untouched},
    {"destMax above limit, null dest",
     {N, 0, S, 0, MAX_BUFFER_WCHARS + 1, 1},
     ERANGE,
     Effect::Untouched},
    // Caught by the limit alone: clearing so large a destination would run far past the buffer.
    {"destMax above limit, count too big",
     {B, 0, S, 0, MAX_BUFFER_WCHARS + 1, MAX_BUFFER_WCHARS + 2},
     ERANGE,
     Effect::Untouched},
    {"destMax at limit", {B, 0, S, 0, MAX_BUFFER_WCHARS, 2}, 0, Effect::Copied},
    {"null dest, count too big", {N, 0, S, 0, 4, 5}, ERANGE, Effect::Untouched},
    {"null dest", {N, 0, S, 0, 4, 4}, EINVAL, Effect::Untouched},
    {"count one above destMax", {B, 1, S, 0, 4, 5}, ERR_RANGE_CLEARED, Effect::Cleared},
    {"null src, count too big", {B, 1, N, 0, 4, 5}, ERR_RANGE_CLEARED, Effect::Cleared},
    {"null src", {B, 1, N, 0, 6, 2}, ERR_INVALID_CLEARED, Effect::Cleared},
    {"null src, count 0", {B, 1, N, 0, 6, 0}, ERR_INVALID_CLEARED, Effect::Cleared},
    {"count 0", {B, 0, S, 0, 6, 0}, 0, Effect::Untouched},
    {"count equals destMax", {B, 3, S, 5, 9, 9}, 0, Effect::Copied},
    {"dest equals src", {B, 2, B, 2, 6, 3}, 0, Effect::Untouched},
    {"dest one above src",
     {B, 1, B, 0, 6, 3},
     ERR_OVERLAP_CLEARED,
     Effect::Cleared,
     0,
     Effect::Copied},
    {"dest one below src",
     {B, 0, B, 1, 6, 3},
     ERR_OVERLAP_CLEARED,
     Effect::Cleared,
     0,
     Effect::Copied},
    {"ranges touching", {B, 3, B, 0, 6, 3}, 0, Effect::Copied},
};

TEST(WideMemoryCopies, CheckOrderResultsAndClearing) {
    static_assert(sizeof(wchar_t) == 4);
    for (const auto &c : kWideCases) {
        check_copy_case<wchar_t>(std::string("wmemcpy_s: ") + c.name, wmemcpy_s, c.at, c.code,
                                 c.effect);
        const bool differs = c.moveCode >= 0;
        check_copy_case<wchar_t>(std::string("wmemmove_s: ") + c.name, wmemmove_s, c.at,
                                 differs ? c.moveCode : c.code, differs ? c.moveEffect : c.effect);
    }
}

}  // namespace
