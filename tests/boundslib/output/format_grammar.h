// Formats on which the engine and the C library's snprintf and swprintf agree, generated from
// a random engine's draws:
//   format     := (literal | "%%" | spec){1,5}, a literal 1 to 8 characters from '&' to '~'
//   spec       := '%' flag* width? precision? conversion, flags "-+ #0" each at most once
//   width      := 1 to 600 | '*' (an int from -40 to 40)
//   precision  := '.' | '.' 0 to 512 | ".*" (an int from -3 to 512)
//   conversion := (hh|h|l|ll|z|j|t)? [diuoxX] | c (32 to 126) | s (ASCII) | p (non-null)
//               | [eEfgG] (double)
// Left out, where the engine differs by design (each has table-driven tests of its own): '+',
// ' ' and a precision with p (the C library signs and zero-fills pointers); null s and p; text
// outside ASCII, l with c and s, C and S (locale-dependent tables); other length modifiers on
// c, s, p and floating conversions, and L a n I q w N Z (read as other types or refused); flags
// after width digits, widths above 600 and precisions above 512 (the engine's own limits).
#pragma once

#include <cfloat>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <random>
#include <string>
#include <variant>
#include <vector>

using Arg = std::variant<int, long long, double, const void *>;
constexpr size_t MAX_ARGS = 4;
constexpr const char *INT_LENGTHS[] = {"", "", "", "", "", "hh", "h", "l", "ll", "z", "j", "t"};
constexpr long long INT_EXTREMES[] = {0, INT32_MIN, INT32_MAX, INT64_MIN, INT64_MAX};
constexpr double FLOAT_SPECIALS[] = {0.0, -0.0, INFINITY, -INFINITY, NAN, DBL_MAX, DBL_TRUE_MIN};
constexpr const char *STRINGS[] = {
    "", "a", "hello", "with space", "0123456789abcdef", "a longer string of plain ASCII text"};

// Draws are sequenced, so that the engine's state fixes the whole sequence.
template <typename Engine>
struct BasicGrammar {
    Engine rng;
    std::string format;
    std::vector<Arg> args;

    int uniform(int low, int high) { return std::uniform_int_distribution<int>(low, high)(rng); }

    void next() {
        format.clear();
        args.clear();
        for (int item = uniform(1, 5); item > 0; --item) {
            const int pick = uniform(1, 10);
            if (pick <= 3 || args.size() + 3 > MAX_ARGS) {
                for (int n = uniform(1, 8); n > 0; --n) format += char(uniform('&', '~'));
            } else {
                format += pick == 4 ? "%%" : '%' + directive();
            }
        }
    }

    std::string directive() {
        const char conversion = "diuoxXcspeEfgG"[uniform(0, 13)];
        std::string out;
        for (char flag : std::string("-+ #0")) {
            if (uniform(0, 3) == 0 && !(conversion == 'p' && (flag == '+' || flag == ' '))) {
                out.insert(out.begin() + uniform(0, int(out.size())), flag);
            }
        }
        if (const int pick = uniform(1, 100); pick > 85) {
            out += '*';
            args.push_back(uniform(-40, 40));
        } else if (pick > 50) {
            out += std::to_string(uniform(1, uniform(0, 9) == 0 ? 600 : 30));
        }
        if (const int pick = uniform(1, 100); pick > 50 && conversion != 'p') {
            const int value = uniform(0, uniform(0, 9) == 0 ? 512 : 20);
            out += pick > 85 ? ".*" : pick > 60 ? '.' + std::to_string(value) : ".";
            if (pick > 85) args.push_back(value - 3);
        }
        if (std::strchr("diuoxX", conversion) != nullptr) {
            const std::string length = INT_LENGTHS[uniform(0, 11)];
            const long long value = uniform(0, 2) ? static_cast<long long>(rng()) >> uniform(0, 63)
                                                  : INT_EXTREMES[uniform(0, 4)];
            args.push_back(length.empty() || length[0] == 'h' ? Arg(int(value)) : Arg(value));
            out += length;
        } else if (conversion == 'c') {
            args.push_back(uniform(32, 126));
        } else if (conversion == 's') {
            args.push_back(Arg(STRINGS[uniform(0, 5)]));
        } else if (conversion == 'p') {
            args.push_back(reinterpret_cast<const void *>((rng() >> uniform(0, 63)) | 1u));
        } else {
            args.push_back(floating());
        }
        return out + conversion;
    }

    double floating() {
        const int pick = uniform(0, 3);
        if (pick == 0) return FLOAT_SPECIALS[uniform(0, 6)];
        if (pick == 1) return uniform(-1000, 1000) / 8.0;  // exact halves and eighths
        const double mantissa = std::uniform_real_distribution<double>(-10, 10)(rng);
        return mantissa * std::pow(10.0, uniform(-300, 300));
    }
};
using Grammar = BasicGrammar<std::mt19937_64>;

template <typename Char>
using Printer = int (*)(Char *, size_t, const Char *, ...);

// Passes the generated arguments with their own types, so both sides read what was passed.
template <typename Char, typename... Done>
int print(Printer<Char> printer, Char *dest, size_t size, const Char *format,
          const std::vector<Arg> &args, Done... done) {
    if constexpr (sizeof...(Done) < MAX_ARGS) {
        if (sizeof...(Done) < args.size()) {
            return std::visit(
                [&](auto v) { return print(printer, dest, size, format, args, done..., v); },
                args[sizeof...(Done)]);
        }
    }
    return printer(dest, size, format, done...);
}
