// Reading a directive: flags, width, precision and length modifiers into the ConversionSpec,
// step by step for the state machine, or in one pass for the common shape.
#pragma once

#include <cstdarg>
#include <cstdint>

#include "output/format_internal.h"
#include "output/format_tables.h"

namespace boundslib::output {

// Largest width or precision that may still take another digit, and the '*' limits.
inline constexpr int32_t DIGITS_LIMIT = 21474836;
inline constexpr int32_t STAR_WIDTH_LOWEST = -214748360;
inline constexpr int32_t STAR_PRECISION_HIGHEST = 214748360;

inline void open_directive(ConversionSpec &spec) {
    spec.flags = 0;
    spec.width = 0;
    spec.precision = -1;
    spec.widthFromArgument = 0;
    spec.precisionFromArgument = 0;
    spec.textLength = 0;
    spec.textIsWide = 0;
    spec.prefixLength = 0;
}

inline void apply_flag(ConversionSpec &spec, int c) {
    switch (c) {
        case ' ':
            spec.flags |= FLAG_SPACE;
            break;
        case '#':
            spec.flags |= FLAG_ALTERNATE;
            break;
        case '+':
            spec.flags |= FLAG_PLUS;
            break;
        case '-':
            spec.flags |= FLAG_LEFT;
            break;
        default:
            spec.flags |= FLAG_ZERO;
            break;  // '0'
    }
}

// Digits restart the width unless they follow width digits: "%5-3d" has width 3. Digits after a
// '*' are read and ignored. False on a format error.
inline bool read_width(ConversionSpec &spec, int c, uint8_t previous, va_list &args) {
    if (c == '*') {
        int value = va_arg(args, int);
        spec.widthFromArgument = 1;
        if (value < 0) {
            if (value < STAR_WIDTH_LOWEST) return false;
            spec.flags |= FLAG_LEFT;
            value = -value;
        }
        spec.width = value;
        return true;
    }
    if (spec.widthFromArgument != 0) return true;
    if (previous != STATE_WIDTH) {
        spec.width = c - '0';
        return true;
    }
    if (spec.width > DIGITS_LIMIT) return false;
    spec.width = spec.width * 10 + (c - '0');
    return true;
}

inline bool read_precision(ConversionSpec &spec, int c, va_list &args) {
    if (c == '*') {
        const int value = va_arg(args, int);
        spec.precisionFromArgument = 1;
        if (value > STAR_PRECISION_HIGHEST) return false;
        spec.precision = value < 0 ? -1 : value;
        return true;
    }
    if (spec.precisionFromArgument != 0) return true;
    if (spec.precision > DIGITS_LIMIT) return false;
    spec.precision = spec.precision * 10 + (c - '0');
    return true;
}

// Applies the length modifier c; next points behind it and moves past any further characters
// the modifier consumes. False when an 'I' abandons the directive.
template <typename Char>
bool read_length(ConversionSpec &spec, int c, const Char *&next) {
    switch (c) {
        case 'h':
            if (*next == 'h') {
                ++next;
                spec.flags |= FLAG_CHAR;
            } else {
                spec.flags |= FLAG_SHORT;
            }
            return true;
        case 'l':
            if (*next == 'l') {
                ++next;
                spec.flags |= FLAG_LONG_LONG;
            } else {
                spec.flags |= FLAG_LONG;
            }
            return true;
        case 'L':
        case 'q':
            spec.flags |= FLAG_LONG_DOUBLE | FLAG_LONG_LONG;
            return true;
        case 'z':
        case 'Z':
            spec.flags |= FLAG_SIZE;
            return true;
        case 'j':
            spec.flags |= FLAG_INTMAX;
            return true;
        case 't':
            spec.flags |= FLAG_PTRDIFF;
            return true;
        case 'w':
            spec.flags |= FLAG_WIDE;
            return true;
        case 'N':
            return true;
        default:
            break;  // 'I'
    }
    if (next[0] == '6' && next[1] == '4') {
        next += 2;
        spec.flags |= FLAG_INT64;
        return true;
    }
    if (next[0] == '3' && next[1] == '2') {
        next += 2;
        spec.flags &= ~FLAG_INT64;
        return true;
    }
    switch (next[0]) {
        case 'd':
        case 'i':
        case 'u':
        case 'o':
        case 'x':
        case 'X':
            spec.flags |= FLAG_INT64;
            return true;
        default:
            return false;
    }
}

template <typename Char>
bool is_digit(Char c) {
    return c >= '0' && c <= '9';
}

// The common shape of a directive, flags, width digits, a '.' and precision digits, an 'l' or
// "ll", then its conversion, read without the state machine to the same result. False for any
// other shape (a '*', other length modifiers, a flag after the width, a limit passed, an
// error), which the machine then reads from the start; nothing has been consumed.
template <typename Out>
bool read_plain_directive(ConversionSpec &spec, const typename Out::Char *&p) {
    const typename Out::Char *q = p;
    open_directive(spec);
    for (;; ++q) {
        const auto c = *q;
        if (c != '-' && c != '+' && c != ' ' && c != '#' && c != '0') break;
        apply_flag(spec, static_cast<int>(c));
    }
    for (; is_digit(*q); ++q) {
        if (spec.width > DIGITS_LIMIT) return false;
        spec.width = spec.width * 10 + static_cast<int32_t>(*q - '0');
    }
    if (*q == '.') {
        spec.precision = 0;
        for (++q; is_digit(*q); ++q) {
            if (spec.precision > DIGITS_LIMIT) return false;
            spec.precision = spec.precision * 10 + static_cast<int32_t>(*q - '0');
        }
    }
    if (*q == 'l') {
        ++q;
        if (*q == 'l') {
            ++q;
            spec.flags |= FLAG_LONG_LONG;
        } else {
            spec.flags |= FLAG_LONG;
        }
    }
    if (Out::class_of(*q) != CLASS_CONVERSION) return false;
    p = q;
    return true;
}

}  // namespace boundslib::output
