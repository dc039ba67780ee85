// Floating conversions against the C library, byte for byte, narrow and wide, on generated
// directives (e f g E F G, every flag, widths, precisions 0 to 40 and far beyond) and values
// (0, -0, infinities, NaNs, subnormals, powers of ten and their neighbours, exact halves at the
// printed precision, random bit patterns). Doubles in the default rounding mode take the engine's
// own digits; other rounding modes and long double take the C library's with the engine's
// padding. FLOAT_IDENTITY_CASES raises the count (default 3000) for a long run.
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cfenv>
#include <cfloat>
#include <climits>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <cwchar>
#include <random>
#include <string>

#include <gtest/gtest.h>

#include "bounds_checked.h"
#include "guarded_buffer.h"

namespace {

constexpr size_t ROOM = 2400;
constexpr int ROUNDING_MODES[] = {FE_TONEAREST, FE_UPWARD, FE_DOWNWARD, FE_TOWARDZERO};

struct Generator {
    std::mt19937_64 rng;

    int uniform(int low, int high) { return std::uniform_int_distribution<int>(low, high)(rng); }

    // A directive with its resolved precision, so that ties can be aimed at it.
    std::string directive(bool isLong, int &precision) {
        std::string out = "%";
        for (char flag : std::string("-+ #0")) {
            if (uniform(0, 2) == 0) out.insert(out.begin() + uniform(1, int(out.size())), flag);
        }
        if (const int pick = uniform(0, 9); pick >= 4) {
            out += std::to_string(uniform(1, pick == 9 ? 600 : 40));
        }
        precision = 6;
        if (const int pick = uniform(0, 9); pick == 0) {
            out += '.';
            precision = 0;
        } else if (pick >= 4) {
            precision = pick == 9 ? uniform(41, 1100) : uniform(0, 40);
            out += '.' + std::to_string(precision);
        }
        if (isLong) out += 'L';
        return out + "eEfFgG"[uniform(0, 5)];
    }

    double value(int precision) {
        switch (uniform(0, 7)) {
            case 0: {
                constexpr double specials[] = {0.0,          -0.0,         INFINITY, -INFINITY,
                                               NAN,          -NAN,         DBL_MAX,  DBL_MIN,
                                               DBL_TRUE_MIN, -DBL_TRUE_MIN};
                return specials[uniform(0, 9)];
            }
            case 1: {  // subnormal
                const uint64_t bits = (rng() >> 12) | (uint64_t(uniform(0, 1)) << 63);
                double d;
                std::memcpy(&d, &bits, sizeof d);
                return d;
            }
            case 2: {  // a power of ten or a neighbour
                const double p = std::pow(10.0, uniform(-323, 308));
                const int step = uniform(-1, 1);
                return step == 0 ? p : std::nextafter(p, step * INFINITY);
            }
            case 3: {  // a tie for f: (m + 1/2) / 2^k has k + 1 decimals, the last a 5
                const int k = std::min(precision, 20);
                const double m = double(rng() >> (12 + k + uniform(0, 30)));
                return (uniform(0, 1) ? -1 : 1) * std::ldexp(m + 0.5, -k);
            }
            case 4:
                return uniform(-4000, 4000) / 8.0;  // halves and eighths of small integers
            case 5:                                 // few decimal digits at any scale
                return uniform(-9999, 9999) * std::pow(10.0, uniform(-30, 30));
            default: {  // any finite bit pattern
                uint64_t bits;
                double d;
                do {
                    bits = rng();
                    std::memcpy(&d, &bits, sizeof d);
                } while (!std::isfinite(d));
                return d;
            }
        }
    }
};

std::wstring widen(const std::string &s) {
    return {s.begin(), s.end()};
}

// Narrow whole, narrow cut in a random smaller destination, and wide whole, against the C library.
template <typename Value>
void check(Generator &g, const std::string &format, Value value, int rounding) {
    static std::string expected(ROOM, '\0');
    std::fesetround(rounding);
    const int length = std::snprintf(expected.data(), ROOM, format.c_str(), value);
    std::fesetround(FE_TONEAREST);
    if (length < 0 || size_t(length) >= ROOM) return;  // outside what the grammar aims at
    const std::string want(expected.data(), size_t(length));
    SCOPED_TRACE(format + " of " + std::to_string(double(value)) + " rounding " +
                 std::to_string(rounding));

    GuardedBuffer<char> whole(ROOM);
    std::fesetround(rounding);
    const int result = sprintf_s(whole.data(), ROOM, format.c_str(), value);
    const size_t smaller = size_t(g.uniform(1, length + 1));
    GuardedBuffer<char> cut(smaller);
    const int cutResult = snprintf_truncated_s(cut.data(), smaller, format.c_str(), value);
    GuardedBuffer<wchar_t> wide(ROOM);
    const int wideResult = swprintf_s(wide.data(), ROOM, widen(format).c_str(), value);
    std::fesetround(FE_TONEAREST);

    EXPECT_EQ(result, length);
    EXPECT_EQ(std::string(whole.data()), want);
    EXPECT_EQ(cutResult, int(smaller) - 1);
    EXPECT_EQ(std::string(cut.data()), want.substr(0, smaller - 1));
    EXPECT_EQ(wideResult, length);
    EXPECT_EQ(std::wstring(wide.data()), widen(want));
    EXPECT_TRUE(whole.guards_intact() && cut.guards_intact() && wide.guards_intact());
}

TEST(FloatIdentity, AgreesWithTheCLibrary) {
    const char *env = std::getenv("FLOAT_IDENTITY_CASES");
    const long cases = env != nullptr ? std::atol(env) : 3000;
    Generator g{std::mt19937_64(0xf10a7001)};
    long i = 0;
    for (; i < cases && !testing::Test::HasFailure(); ++i) {
        // Mostly doubles rounded to nearest (the engine's own digits), the rest split between
        // other rounding modes and long double.
        const int kind = g.uniform(0, 9);
        const int rounding = kind == 8 ? ROUNDING_MODES[g.uniform(1, 3)] : FE_TONEAREST;
        int precision;
        const std::string format = g.directive(kind == 9, precision);
        const double value = g.value(precision);
        if (kind == 9) {
            check(g, format, static_cast<long double>(value) / 3, rounding);
        } else {
            check(g, format, value, rounding);
        }
    }
    if (env != nullptr) std::printf("float identity: %ld of %ld cases run\n", i, cases);
}

// The width is padding the engine writes, never an area it allocates: a field of 2^31 - 3
// characters fails for want of room under a 256 MiB address-space limit (an area as wide as the
// field could not even be had there), on the engine's own path and the C library's alike.
TEST(FloatIdentity, WideFieldsTakeNoMemory) {
#if defined(__SANITIZE_ADDRESS__)
    GTEST_SKIP() << "the sanitizer's shadow memory needs the address space";
#else
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        const rlimit limit{256u << 20, 256u << 20};
        if (setrlimit(RLIMIT_AS, &limit) != 0) _exit(2);
        int failures = 0;
        for (int rounding : {FE_TONEAREST, FE_UPWARD}) {
            std::fesetround(rounding);
            char dest[16];
            failures += sprintf_s(dest, sizeof dest, "%*f", INT_MAX - 2, 1.0) != -1 || dest[0] != 0;
            failures += sprintf_s(dest, sizeof dest, "%*Lf", INT_MAX - 2, 1.0L) != -1;
            failures += snprintf_truncated_s(dest, sizeof dest, "%-*e", INT_MAX - 2, 1.0) != 15 ||
                        std::string(dest) != "1.000000e+00   ";
            wchar_t wide[16];
            failures += swprintf_s(wide, 16, L"%*g", INT_MAX - 2, 1.0) != -1 || wide[0] != 0;
        }
        _exit(failures == 0 ? 0 : 1);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);
#endif
}

}  // namespace
