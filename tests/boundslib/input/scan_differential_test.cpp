// sscanf_s and swscanf_s against the C library's sscanf and swscanf on the cases of
// scan_grammar.h, with the size argument after every %c %s %[ target for the _s forms; every
// target sits between guard bytes, and results and all bytes must be the same.
// swscanf writes a second zero byte after a narrow %s or %[ field; that byte is not compared.
// Left out, where the library differs by design (each has tests of its own): values outside the
// target's range (no clamping), widths that split a sign or prefix from its first digit (the
// width accounting), "0x" with %p, dangling exponents, inf, nan and hexadecimal floats, %a and
// %F (literal and ignored here); a float target takes the nearest double narrowed to float, so
// its numbers keep to 8 decimal places and below 1e9, where no double rounding can differ; a
// mismatched "%%" (an error here, a matching failure there); input ending when only suppressed
// fields or %n were done (counts as done here), and cases without any conversion (a run that met
// the end of input without a conversion reports -1 here); chained ranges such as a-c-e; an empty
// input (-1 before any directive here); text outside ASCII (see the locale test).
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <cwchar>
#include <string>
#include <type_traits>
#include <vector>

#include <gtest/gtest.h>

#include "bounds_checked.h"
#include "scan_call.h"
#include "scan_grammar.h"

namespace {

using namespace scan_grammar;

constexpr size_t GUARD = 16;
constexpr unsigned char GUARD_BYTE = 0xA5, FILL_BYTE = 0x5A;

// Every target in one block, each between guard bytes; both sides get a block of their own.
struct Arena {
    std::vector<unsigned char> bytes;
    std::vector<size_t> offsets;

    explicit Arena(const std::vector<Target> &targets) {
        size_t at = GUARD;
        for (const Target &t : targets) {
            offsets.push_back(at);
            at += (t.bytes + 2 * GUARD + 15) / 16 * 16;
        }
        bytes.assign(at, GUARD_BYTE);
        for (size_t i = 0; i < targets.size(); ++i) {
            std::memset(bytes.data() + offsets[i], FILL_BYTE, targets[i].bytes);
        }
    }
    void *at(size_t i) { return bytes.data() + offsets[i]; }
};

// swscanf ends a narrow %s or %[ field with two zero bytes; the second is not compared.
void forget_second_zero(const std::vector<Target> &targets, Arena &theirs) {
    for (size_t t = 0; t < targets.size(); ++t) {
        auto *text = static_cast<unsigned char *>(theirs.at(t));
        auto *end = static_cast<unsigned char *>(std::memchr(text, 0, targets[t].bytes));
        if (targets[t].narrowText && end != nullptr && end + 1 < text + targets[t].bytes &&
            end[1] == 0) {
            end[1] = FILL_BYTE;
        }
    }
}

template <typename Char>
void compare(uint64_t seed, int cases) {
    Grammar grammar(seed);
    for (int i = 0; i < cases && !::testing::Test::HasFailure(); ++i) {
        const Case c = grammar.next();
        SCOPED_TRACE("format \"" + c.format + "\" input \"" + c.input + "\"");
        const std::basic_string<Char> format(c.format.begin(), c.format.end());
        const std::basic_string<Char> input(c.input.begin(), c.input.end());
        Arena ours(c.targets), theirs(c.targets);
        void *p[MAX_TARGETS] = {};
        for (size_t t = 0; t < c.targets.size(); ++t) p[t] = theirs.at(t);
        const auto pointer = [&](size_t t) { return ours.at(t); };
        int expected, result;
        if constexpr (std::is_same_v<Char, char>) {
            expected =
                std::sscanf(input.c_str(), format.c_str(), p[0], p[1], p[2], p[3], p[4], p[5]);
            result = call_with_targets<MAX_TARGETS>(
                [&](auto... args) { return sscanf_s(input.c_str(), format.c_str(), args...); },
                c.targets, pointer);
        } else {
            expected =
                std::swscanf(input.c_str(), format.c_str(), p[0], p[1], p[2], p[3], p[4], p[5]);
            forget_second_zero(c.targets, theirs);
            result = call_with_targets<MAX_TARGETS>(
                [&](auto... args) { return swscanf_s(input.c_str(), format.c_str(), args...); },
                c.targets, pointer);
        }
        EXPECT_EQ(result, expected);
        for (size_t t = 0; t < c.targets.size(); ++t) {
            const size_t from = ours.offsets[t] - GUARD, length = c.targets[t].bytes + 2 * GUARD;
            EXPECT_EQ(0, std::memcmp(ours.bytes.data() + from, theirs.bytes.data() + from, length))
                << "target " << t << " differs";
        }
    }
}

TEST(ScanDifferential, NarrowAgreesWithSscanf) {
    compare<char>(0x5ca40001, 8000);
}

// ASCII only, so narrow and wide text convert alike in every locale.
TEST(ScanDifferential, WideAgreesWithSwscanf) {
    compare<wchar_t>(0x5ca40002, 4000);
}

}  // namespace
