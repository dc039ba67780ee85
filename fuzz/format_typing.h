// The argument types a format asks for, read the way the formatting engine reads a format: its
// character classes and state table, '*' widths and precisions, and the length modifiers that
// choose each conversion's argument. Harness-side, so that a call never passes other types than
// the engine fetches.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <vector>

// ARG_FLOAT_FIELD: a '*' width or precision of a floating conversion, an int the harness keeps
// within MAX_FLOAT_FIELD.
enum ArgType {
    ARG_INT,
    ARG_INT64,
    ARG_DOUBLE,
    ARG_LONG_DOUBLE,
    ARG_STRING,
    ARG_WIDE_STRING,
    ARG_FLOAT_FIELD
};
constexpr std::size_t MAX_TYPED_ARGS = 4;
// Floating values are rendered whole by the C library before they are cut to the room, so wider
// fields cost time in proportion; the harness does not go beyond this.
constexpr long MAX_FLOAT_FIELD = 4096;

namespace typing {

enum Class { OTHER, PERCENT, DOT, STAR, ZERO, DIGIT, FLAG, LENGTH, CONVERSION };
enum State { TEXT, OPENED, FLAGS, WIDTH, DOTTED, PRECISION, MODIFIER, CONVERTED, INVALID };

// next state = TRANSITIONS[class][state]
constexpr std::uint8_t TRANSITIONS[9][9] = {
    {0, 8, 8, 8, 8, 8, 8, 0, 0}, {1, 0, 8, 8, 8, 8, 8, 1, 0}, {0, 4, 4, 4, 8, 8, 8, 0, 0},
    {0, 3, 3, 8, 5, 8, 8, 0, 0}, {0, 2, 2, 3, 5, 5, 8, 0, 0}, {0, 3, 3, 3, 5, 5, 8, 0, 0},
    {0, 2, 2, 2, 8, 8, 8, 0, 0}, {0, 6, 6, 6, 6, 6, 6, 0, 0}, {0, 7, 7, 7, 7, 7, 7, 0, 0},
};

template <typename Char>
bool is_one_of(Char c, const char *set) {
    for (; *set != '\0'; ++set) {
        if (static_cast<std::uint32_t>(c) == std::uint32_t(std::uint8_t(*set))) return true;
    }
    return false;
}

// The members of each class after OTHER, in the order of Class.
constexpr const char *CLASS_MEMBERS[] = {"%",         ".",    "*",           "0",
                                         "123456789", " #+-", "ILNZhjlqtwz", "CEFGSXcdefgiopsux"};

template <typename Char>
Class class_of(Char c) {
    for (int k = PERCENT; k <= CONVERSION; ++k) {
        if (is_one_of(c, CLASS_MEMBERS[k - 1])) return Class(k);
    }
    return OTHER;
}

struct Modifiers {
    bool h, hh, l, ll, longDouble, int64, wide, wideInt;  // wideInt: z, Z, j or t
};

// The argument of conversion c under m; the narrow and wide engines differ only in strings.
template <typename Char>
ArgType conversion_type(Char c, const Modifiers &m) {
    if (is_one_of(c, "diuoxX")) {
        if (m.ll || m.int64 || m.l) return ARG_INT64;
        if (m.hh || m.h) return ARG_INT;
        return m.wideInt ? ARG_INT64 : ARG_INT;
    }
    if (c == Char('p')) return ARG_INT64;
    if (is_one_of(c, "cC")) return ARG_INT;
    if (is_one_of(c, "eEfFgG")) return m.longDouble ? ARG_LONG_DOUBLE : ARG_DOUBLE;
    const bool wide = sizeof(Char) > 1 ? m.l && !m.h : m.l || m.wide || (c == Char('S') && !m.h);
    return wide ? ARG_WIDE_STRING : ARG_STRING;
}

}  // namespace typing

// Appends the types of the arguments format asks for to types, up to MAX_TYPED_ARGS, and
// returns how many characters of the format may be used with them: the whole format, or the
// part before the first directive that needs an argument beyond the limit or is a floating
// conversion with a field wider than MAX_FLOAT_FIELD in digits.
template <typename Char>
std::size_t type_arguments(const Char *format, std::vector<ArgType> &types) {
    using namespace typing;
    int state = TEXT;
    Modifiers m{};
    std::size_t opened = 0, firstArg = 0;  // the directive's '%' and its first argument
    long digits = 0, widestDigits = 0;
    for (std::size_t i = 0; format[i] != Char(0); ++i) {
        const Char c = format[i];
        state = TRANSITIONS[class_of(c)][state];
        if (state == INVALID) break;
        if (state == OPENED) m = Modifiers{}, opened = i, firstArg = types.size(), widestDigits = 0;
        const bool digit = c >= Char('0') && c <= Char('9');
        digits = digit ? std::min(digits * 10 + long(c - Char('0')), 1L << 40) : 0;
        if (digits > widestDigits) widestDigits = digits;
        if ((state == WIDTH || state == PRECISION) && c == Char('*')) {
            if (types.size() == MAX_TYPED_ARGS) return opened;
            types.push_back(ARG_INT);
        } else if (state == CONVERTED) {
            const ArgType wanted = conversion_type(c, m);
            if (wanted == ARG_DOUBLE || wanted == ARG_LONG_DOUBLE) {
                if (widestDigits > MAX_FLOAT_FIELD) return opened;
                for (std::size_t a = firstArg; a < types.size(); ++a) types[a] = ARG_FLOAT_FIELD;
            }
            if (types.size() == MAX_TYPED_ARGS) return opened;
            types.push_back(wanted);
        } else if (state == MODIFIER) {
            const Char next = format[i + 1];
            if (c == Char('h') || c == Char('l')) {  // "hh" and "ll" are one modifier each
                const bool doubled = next == c;
                (c == Char('h') ? (doubled ? m.hh : m.h) : (doubled ? m.ll : m.l)) = true;
                i += doubled;
            } else if (c == Char('L') || c == Char('q')) {
                m.longDouble = m.ll = true;
            } else if (is_one_of(c, "zZjt")) {
                m.wideInt = true;
            } else if (c == Char('w')) {
                m.wide = true;
            } else if (c == Char('I')) {
                if (next == Char('6') && format[i + 2] == Char('4')) {
                    m.int64 = true, i += 2;
                } else if (next == Char('3') && format[i + 2] == Char('2')) {
                    m.int64 = false, i += 2;
                } else if (is_one_of(next, "diuoxX")) {
                    m.int64 = true;
                } else {
                    state = TEXT;  // the 'I' is printed and what follows is ordinary text
                }
            }
        }
    }
    std::size_t length = 0;
    while (format[length] != Char(0)) ++length;
    return length;
}
