#include "format_grammar.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstring>
#include <limits>

namespace grammar {
namespace {

constexpr char LITERAL_CHARS[] = "abcXYZ019 .,:;-+#*|_=()[]{}<>!?~";
constexpr char CONVERSIONS[] = "diuoxXcspeEfgG";
constexpr const char *INT_LENGTHS[] = {"hh", "h", "l", "ll", "z", "j", "t"};
constexpr const char *STRINGS[] = {"",
                                   "a",
                                   "hello",
                                   "with space",
                                   "0123456789abcdef",
                                   "a rather longer string of plain ASCII text for padding"};

bool is_integer(char conversion) {
    return std::strchr("diuoxX", conversion) != nullptr;
}

}  // namespace

std::string Generated::describe() const {
    std::string text = "format \"" + format + "\" args";
    for (const Arg &arg : args) {
        switch (arg.kind) {
            case Kind::Int:
                text += " int " + std::to_string(arg.i);
                break;
            case Kind::Long:
                text += " long long " + std::to_string(arg.ll);
                break;
            case Kind::Double:
                text += " double " + std::to_string(arg.d);
                break;
            case Kind::Pointer:
                text += " pointer " + std::to_string(reinterpret_cast<uintptr_t>(arg.p));
                break;
        }
    }
    return text;
}

void Generator::literal(Generated &out) {
    const int length = uniform(1, 8);
    for (int i = 0; i < length; ++i) {
        out.format += LITERAL_CHARS[uniform(0, sizeof LITERAL_CHARS - 2)];
    }
}

void Generator::flags(Generated &out, char conversion) {
    std::string chosen;
    for (char flag : std::string("-+ #0")) {
        if (!chance(25)) continue;
        if ((flag == '+' || flag == ' ') && conversion == 'p') continue;
        chosen += flag;
    }
    std::shuffle(chosen.begin(), chosen.end(), rng_);
    out.format += chosen;
}

void Generator::width(Generated &out) {
    const int pick = uniform(1, 100);
    if (pick <= 50) return;
    if (pick <= 85) {
        out.format += std::to_string(chance(10) ? uniform(1, 600) : uniform(1, 30));
        return;
    }
    out.format += '*';
    Arg arg{Kind::Int};
    arg.i = uniform(-40, 40);
    out.args.push_back(arg);
}

void Generator::precision(Generated &out, char conversion) {
    const int pick = uniform(1, 100);
    if (pick <= 50 || conversion == 'p') return;
    out.format += '.';
    if (pick <= 60) return;
    if (pick <= 85) {
        out.format += std::to_string(chance(10) ? uniform(0, 512) : uniform(0, 20));
        return;
    }
    out.format += '*';
    Arg arg{Kind::Int};
    arg.i = chance(10) ? uniform(-3, 512) : uniform(-3, 20);
    out.args.push_back(arg);
}

long long Generator::integer_value() {
    switch (uniform(0, 5)) {
        case 0:
            return 0;
        case 1:
            return uniform(-100, 100);
        case 2:
            return chance(50) ? INT_MIN : INT_MAX;
        case 3:
            return chance(50) ? LLONG_MIN : LLONG_MAX;
        case 4:
            return static_cast<int>(rng_());
        default:
            return static_cast<long long>(rng_());
    }
}

double Generator::double_value() {
    switch (uniform(0, 9)) {
        case 0:
            return 0.0;
        case 1:
            return -0.0;
        case 2:
            return uniform(-1000, 1000) / 8.0;  // exact halves and eighths round alike
        case 3:
            return std::numeric_limits<double>::infinity() * (chance(50) ? 1 : -1);
        case 4:
            return std::numeric_limits<double>::quiet_NaN();
        case 5:
            return std::numeric_limits<double>::max() * (chance(50) ? 1 : -1);
        case 6:
            return std::numeric_limits<double>::denorm_min();
        default: {
            const double mantissa = std::uniform_real_distribution<double>(-10, 10)(rng_);
            return mantissa * std::pow(10.0, uniform(-300, 300));
        }
    }
}

void Generator::argument(Generated &out, char conversion, bool wideInteger) {
    Arg arg{Kind::Int};
    if (is_integer(conversion)) {
        const long long value = integer_value();
        if (wideInteger) {
            arg.kind = Kind::Long;
            arg.ll = value;
        } else {
            arg.i = static_cast<int>(value);
        }
    } else if (conversion == 'c') {
        arg.i = uniform(32, 126);
    } else if (conversion == 's') {
        arg.kind = Kind::Pointer;
        arg.p = STRINGS[uniform(0, std::size(STRINGS) - 1)];
    } else if (conversion == 'p') {
        arg.kind = Kind::Pointer;
        arg.p =
            reinterpret_cast<const void *>(static_cast<uintptr_t>(rng_() >> uniform(0, 63)) | 1u);
    } else {
        arg.kind = Kind::Double;
        arg.d = double_value();
    }
    out.args.push_back(arg);
}

Generated Generator::next() {
    Generated out;
    const int items = uniform(1, 5);
    for (int item = 0; item < items; ++item) {
        const int pick = uniform(1, 10);
        if (pick <= 3 || out.args.size() + 3 > MAX_ARGS) {
            literal(out);
            continue;
        }
        if (pick == 4) {
            out.format += "%%";
            continue;
        }
        const char conversion = CONVERSIONS[uniform(0, sizeof CONVERSIONS - 2)];
        out.format += '%';
        flags(out, conversion);
        width(out);
        precision(out, conversion);
        bool wideInteger = false;
        if (is_integer(conversion) && chance(60)) {
            const std::string length = INT_LENGTHS[uniform(0, std::size(INT_LENGTHS) - 1)];
            wideInteger = length[0] != 'h';
            out.format += length;
        }
        out.format += conversion;
        argument(out, conversion, wideInteger);
    }
    return out;
}

}  // namespace grammar
