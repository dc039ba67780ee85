// Random format strings with their arguments, from a grammar on which the engine and the C
// library are meant to agree. Fixed seeds make every run see the same cases.
//
//   format     := item{1,5}
//   item       := literal | "%%" | spec
//   literal    := 1 to 8 characters of LITERAL_CHARS (printable ASCII without '%')
//   spec       := '%' flag* width? precision? conversion
//   flag       := '-' | '+' | ' ' | '#' | '0'       (each at most once, in random order)
//   width      := [1-9][0-9]* up to 600 | '*'       ('*' takes an int from -40 to 40)
//   precision  := '.' | '.' digits up to 512 | ".*" ('*' takes an int from -3 to 512)
//   conversion := int-length? ("d"|"i"|"u"|"o"|"x"|"X")
//               | "c" (ASCII 32-126) | "s" (ASCII string) | "p" (non-null pointer)
//               | ("e"|"E"|"f"|"g"|"G") (double, finite or not)
//   int-length := "hh" | "h" | "l" | "ll" | "z" | "j" | "t"
// A format takes at most MAX_ARGS arguments ('*' included).
//
// Left out, because the two are not meant to agree there:
// - '+' and ' ' with p: the C library signs pointers; the engine signs only d and i.
// - a precision with p: the engine ignores it; the C library zero-fills to it.
// - null strings and pointers: "(null)" cut by a precision and "(nil)" are the engine's own.
// - characters and strings outside ASCII, l with c and s, C and S: they depend on the locale
//   and on tables of the engine's own.
// - length modifiers with c, s, p and the floating conversions, 'L' and long double, 'a', 'n',
//   'I', 'q', 'w', 'N', 'Z': not accepted alike, or read as different types.
// - flags after width digits ("%5-3d"), widths above 600 and precisions above 512: the engine's
//   own rules and limits, with table-driven tests.
#pragma once

#include <cstdint>
#include <random>
#include <string>
#include <vector>

namespace grammar {

inline constexpr size_t MAX_ARGS = 4;

enum class Kind { Int, Long, Double, Pointer };

struct Arg {
    Kind kind;
    int i = 0;
    long long ll = 0;
    double d = 0;
    const void *p = nullptr;
};

struct Generated {
    std::string format;
    std::vector<Arg> args;
    std::string describe() const;
};

class Generator {
public:
    explicit Generator(uint64_t seed) : rng_(seed) {}
    Generated next();

private:
    int uniform(int low, int high) { return std::uniform_int_distribution<int>(low, high)(rng_); }
    bool chance(int percent) { return uniform(1, 100) <= percent; }
    void literal(Generated &out);
    void flags(Generated &out, char conversion);
    void width(Generated &out);
    void precision(Generated &out, char conversion);
    void argument(Generated &out, char conversion, bool wideInteger);
    long long integer_value();
    double double_value();

    std::mt19937_64 rng_;
};

}  // namespace grammar
