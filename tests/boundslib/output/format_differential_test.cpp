// The engine against the C library's snprintf and swprintf on formats generated with fixed seeds
// from a grammar on which both are meant to agree:
//
//   format     := item{1,5}
//   item       := literal | "%%" | spec
//   literal    := 1 to 8 characters of LITERAL_CHARS (printable ASCII without '%')
//   spec       := '%' flag* width? precision? conversion
//   flag       := '-' | '+' | ' ' | '#' | '0'     (each at most once, in random order)
//   width      := 1 to 600 in digits | '*'        ('*' takes an int from -40 to 40)
//   precision  := '.' | '.' 0 to 512 in digits | ".*" ('*' takes an int from -3 to 512)
//   conversion := ("hh"|"h"|"l"|"ll"|"z"|"j"|"t")? ("d"|"i"|"u"|"o"|"x"|"X")
//               | "c" (32 to 126) | "s" (ASCII) | "p" (non-null) | ("e"|"E"|"f"|"g"|"G") (double)
//
// Left out, because the two differ there by design:
// - '+' and ' ' with p (the C library signs pointers), a precision with p (it zero-fills).
// - null strings and pointers: "(null)" cut by a precision and "(nil)" are the engine's own.
// - text outside ASCII, l with c and s, C and S: locale-dependent, and the engine's own tables.
// - length modifiers with c, s, p and floating conversions, 'L', 'a', 'n', 'I', 'q', 'w', 'N',
//   'Z': accepted differently or read as other types.
// - flags after width digits ("%5-3d"), widths above 600 and precisions above 512: the engine's
//   own rules and limits.
// All these have table-driven tests of their own.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <cwchar>
#include <limits>
#include <random>
#include <string>
#include <variant>
#include <vector>

#include <gtest/gtest.h>

#include "bounds_checked.h"
#include "guarded_buffer.h"

namespace {

constexpr size_t MAX_ARGS = 4;
constexpr char LITERAL_CHARS[] = "abcXYZ019 .,:;-+#*|_=()[]{}<>!?~";
constexpr char CONVERSIONS[] = "diuoxXcspeEfgG";
constexpr const char *INT_LENGTHS[] = {"hh", "h", "l", "ll", "z", "j", "t"};
constexpr const char *STRINGS[] = {
    "", "a", "hello", "with space", "0123456789abcdef", "a longer string of plain ASCII text"};

using Arg = std::variant<int, long long, double, const void *>;

struct Generated {
    std::string format;
    std::vector<Arg> args;
};

struct Grammar {
    explicit Grammar(uint64_t seed) : rng_(seed) {}

    Generated next() {
        Generated out;
        for (int item = uniform(1, 5); item > 0; --item) {
            const int pick = uniform(1, 10);
            if (pick <= 3 || out.args.size() + 3 > MAX_ARGS) {
                for (int n = uniform(1, 8); n > 0; --n) {
                    out.format += LITERAL_CHARS[uniform(0, sizeof LITERAL_CHARS - 2)];
                }
            } else if (pick == 4) {
                out.format += "%%";
            } else {
                directive(out);
            }
        }
        return out;
    }

    int uniform(int low, int high) { return std::uniform_int_distribution<int>(low, high)(rng_); }
    bool chance(int percent) { return uniform(1, 100) <= percent; }

    void directive(Generated &out) {
        const char conversion = CONVERSIONS[uniform(0, sizeof CONVERSIONS - 2)];
        std::string flags;
        for (char flag : std::string("-+ #0")) {
            if (chance(25) && !(conversion == 'p' && (flag == '+' || flag == ' '))) flags += flag;
        }
        std::shuffle(flags.begin(), flags.end(), rng_);
        out.format += '%' + flags;
        if (const int pick = uniform(1, 100); pick > 85) {
            out.format += '*';
            out.args.push_back(uniform(-40, 40));
        } else if (pick > 50) {
            out.format += std::to_string(chance(10) ? uniform(1, 600) : uniform(1, 30));
        }
        if (const int pick = uniform(1, 100); pick > 50 && conversion != 'p') {
            out.format += '.';
            const int value = chance(10) ? uniform(0, 512) : uniform(0, 20);
            if (pick > 85) {
                out.format += '*';
                out.args.push_back(value - 3);
            } else if (pick > 60) {
                out.format += std::to_string(value);
            }
        }
        bool wide = false;
        if (std::strchr("diuoxX", conversion) != nullptr) {
            if (chance(60)) {
                const std::string length = INT_LENGTHS[uniform(0, std::size(INT_LENGTHS) - 1)];
                wide = length[0] != 'h';
                out.format += length;
            }
            const long long value = integer();
            out.args.push_back(wide ? Arg(value) : Arg(static_cast<int>(value)));
        } else if (conversion == 'c') {
            out.args.push_back(uniform(32, 126));
        } else if (conversion == 's') {
            out.args.push_back(Arg(STRINGS[uniform(0, std::size(STRINGS) - 1)]));
        } else if (conversion == 'p') {
            const auto bits = static_cast<uintptr_t>(rng_() >> uniform(0, 63)) | 1u;
            out.args.push_back(reinterpret_cast<const void *>(bits));
        } else {
            out.args.push_back(floating());
        }
        out.format += conversion;
    }

    // Every candidate is drawn, in order, so that the sequence stays fixed by the seed.
    long long integer() {
        const long long values[] = {0,
                                    uniform(-100, 100),
                                    chance(50) ? INT32_MIN : INT32_MAX,
                                    chance(50) ? INT64_MIN : INT64_MAX,
                                    static_cast<int>(rng_()),
                                    static_cast<long long>(rng_())};
        return values[uniform(0, 5)];
    }

    double floating() {
        using limits = std::numeric_limits<double>;
        const double values[] = {chance(50) ? 0.0 : -0.0,
                                 uniform(-1000, 1000) / 8.0,  // exact halves and eighths
                                 chance(50) ? limits::infinity() : -limits::infinity(),
                                 limits::quiet_NaN(),
                                 chance(50) ? limits::max() : limits::denorm_min(),
                                 std::uniform_real_distribution<double>(-10, 10)(rng_) *
                                     std::pow(10.0, uniform(-300, 300))};
        return values[std::min(uniform(0, 9), 5)];  // half of them drawn at random
    }

    std::mt19937_64 rng_;
};

template <typename Char>
using Printer = int (*)(Char *, size_t, const Char *, ...);

// Passes the generated arguments with their own types, so both sides read what was passed.
template <typename Char, typename... Done>
int print(Printer<Char> printer, Char *dest, size_t size, const Char *format,
          const std::vector<Arg> &args, Done... done) {
    constexpr size_t index = sizeof...(Done);
    if constexpr (index == MAX_ARGS) {
        return printer(dest, size, format, done...);
    } else {
        if (index == args.size()) return printer(dest, size, format, done...);
        return std::visit(
            [&](auto value) { return print(printer, dest, size, format, args, done..., value); },
            args[index]);
    }
}

// Output that fits must be the reference's; in a random smaller destination whole gives -1 and
// an empty string, and truncating (when given) destMax - 1 and the reference cut there. Stops
// at the first case that fails.
template <typename Char>
void compare(uint64_t seed, int cases, Printer<Char> reference, Printer<Char> whole,
             Printer<Char> truncating) {
    Grammar grammar(seed);
    std::mt19937 sizes(static_cast<uint32_t>(seed));
    std::vector<Char> room(16384);
    for (int i = 0; i < cases && !::testing::Test::HasFailure(); ++i) {
        const Generated g = grammar.next();
        const std::basic_string<Char> format(g.format.begin(), g.format.end());
        const int length = print(reference, room.data(), room.size(), format.c_str(), g.args);
        ASSERT_GE(length, 0) << g.format;
        const std::basic_string<Char> expected(room.data(), static_cast<size_t>(length));
        const size_t smaller = std::uniform_int_distribution<size_t>(1, length + 1)(sizes);
        const auto n = static_cast<size_t>(length);
        SCOPED_TRACE("format \"" + g.format + "\", smaller destMax " + std::to_string(smaller));

        // One printer into a guarded destination: its result and the whole destination.
        auto run = [&](Printer<Char> printer, size_t size) {
            GuardedBuffer<Char> dest(size);
            const int result = print(printer, dest.data(), size, format.c_str(), g.args);
            EXPECT_TRUE(dest.guards_intact());
            return std::make_pair(result, std::basic_string<Char>(dest.data(), size));
        };
        EXPECT_EQ(run(whole, n + 1), std::make_pair(length, expected + Char(0)));
        if (smaller <= n) {
            const auto [result, cut] = run(whole, smaller);
            EXPECT_EQ(result, -1);
            EXPECT_EQ(cut[0], Char(0));
            if (truncating != nullptr) {
                EXPECT_EQ(run(truncating, smaller),
                          std::make_pair(static_cast<int>(smaller - 1),
                                         expected.substr(0, smaller - 1) + Char(0)));
            }
        }
    }
}

TEST(FormatDifferential, NarrowAgreesWithSnprintf) {
    compare<char>(0x5eed0001, 6000, std::snprintf, sprintf_s, snprintf_truncated_s);
}

// All formats and arguments are ASCII, so narrow and wide text convert alike in every locale.
TEST(FormatDifferential, WideAgreesWithSwprintf) {
    compare<wchar_t>(0x5eed0002, 3000, std::swprintf, swprintf_s, nullptr);
}

}  // namespace
