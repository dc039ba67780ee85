// The formatting machine, written once over the engine's output traits: one left-to-right pass
// over the format, driven by the class and transition tables.
#pragma once

#include <cstdarg>
#include <cstdint>

#include "output/convert_float.h"
#include "output/convert_integer.h"
#include "output/convert_text.h"
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

// Digits after width or precision digits leave the state as it is, which lets the engine read
// them in a loop. The end of the format is class 0 and so ends any open directive with an
// error; a '%' cannot open another one inside it.
static_assert(FORMAT_TABLES.transitions[CLASS_ZERO][STATE_WIDTH] == STATE_WIDTH &&
              FORMAT_TABLES.transitions[CLASS_DIGIT][STATE_WIDTH] == STATE_WIDTH &&
              FORMAT_TABLES.transitions[CLASS_ZERO][STATE_PRECISION] == STATE_PRECISION &&
              FORMAT_TABLES.transitions[CLASS_DIGIT][STATE_PRECISION] == STATE_PRECISION);
static_assert(FORMAT_TABLES.classes[0] == CLASS_OTHER);
static_assert([] {
    for (int state = STATE_PERCENT; state <= STATE_LENGTH; ++state) {
        if (FORMAT_TABLES.transitions[CLASS_OTHER][state] != STATE_INVALID) return false;
        if (FORMAT_TABLES.transitions[CLASS_PERCENT][state] == STATE_PERCENT) return false;
    }
    return true;
}());

// One conversion from its character to its output. Characters written, or -1.
template <typename Out>
int convert(OutputBuffer &buffer, ConversionSpec &spec, char conversion, va_list &args) {
    switch (conversion) {
        case 'd':
        case 'i':
        case 'u':
        case 'o':
        case 'x':
        case 'X':
        case 'p':
            return convert_integer<Out>(buffer, spec, conversion, args);
        case 'c':
        case 'C':
        case 's':
        case 'S':
            return convert_text<Out>(buffer, spec, conversion, args);
        default:  // e, E, f, F, g, G
            return convert_float<Out>(buffer, spec, conversion, args);
    }
}

// Reads one directive from just behind its '%' through its conversion (or until it is
// abandoned) and emits it. Characters written, or -1.
template <typename Out>
int run_directive(OutputBuffer &buffer, ConversionSpec &spec, const typename Out::Char *&p,
                  va_list &args) {
    open_directive(spec);
    uint8_t state = STATE_PERCENT;
    for (;;) {
        const typename Out::Char ch = *p++;
        const int c = static_cast<int>(ch);  // every directive character is ASCII
        const uint8_t previous = state;
        state = FORMAT_TABLES.transitions[Out::class_of(ch)][state];
        switch (state) {
            case STATE_FLAG:
                apply_flag(spec, c);
                break;
            case STATE_WIDTH:
                if (!read_width(spec, c, previous, args)) return -1;
                for (; is_digit(*p); ++p) {  // digits keep this state: no table walk for them
                    if (!read_width(spec, static_cast<int>(*p), STATE_WIDTH, args)) return -1;
                }
                break;
            case STATE_DOT:
                spec.precision = 0;
                break;
            case STATE_PRECISION:
                if (!read_precision(spec, c, args)) return -1;
                for (; is_digit(*p); ++p) {
                    if (!read_precision(spec, static_cast<int>(*p), args)) return -1;
                }
                break;
            case STATE_LENGTH:
                if (!read_length(spec, c, p)) {
                    // The directive is dropped; its 'I' is printed and what follows is text.
                    return put_char<typename Out::Char>(buffer, 'I') ? 1 : -1;
                }
                break;
            case STATE_CONVERSION:
                return convert<Out>(buffer, spec, static_cast<char>(c), args);
            case STATE_TEXT:  // the second '%' of "%%"
                return put_char<typename Out::Char>(buffer, '%') ? 1 : -1;
            default:
                return -1;  // STATE_INVALID, the end of the format included
        }
    }
}

// A directive that is '%' and its conversion alone: integers, and in the narrow engine narrow
// strings and characters, need no ConversionSpec. Sets written (characters, or -1) and returns
// true for those; false, with nothing read, for the others.
inline int put_bare_string(OutputBuffer &buffer, va_list &args) {
    const char *text = va_arg(args, const char *);
    if (text == nullptr) text = NULL_TEXT;
    return put_copy(buffer, text, static_cast<size_t>(clamp_length(std::strlen(text))));
}

template <typename Char>
bool is_bare_integer(Char c) {
    return c == 'd' || c == 'i' || c == 'u' || c == 'x' || c == 'X' || c == 'p';
}

// A directive that is '%' and its conversion alone: integers, and in the narrow engine narrow
// strings and characters, need no ConversionSpec. Sets written (characters, or -1) and returns
// true for those; false, with nothing read, for the others.
template <typename Char>
bool put_bare(OutputBuffer &buffer, Char conversion, va_list &args, int &written) {
    if (is_bare_integer(conversion)) {
        written = put_bare_integer<Char>(buffer, static_cast<char>(conversion), args);
        return true;
    }
    if constexpr (sizeof(Char) == 1) {
        if (conversion == 's') {
            written = put_bare_string(buffer, args);
            return true;
        }
        if (conversion == 'c') {
            written = put_char(buffer, static_cast<char>(va_arg(args, int))) ? 1 : -1;
            return true;
        }
    }
    return false;
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

// Ordinary text is copied a run at a time; each '%' hands over to run_directive, after which
// the machine is back among ordinary text.
template <typename Out>
int run_engine(OutputBuffer &buffer, const typename Out::Char *format, va_list &args) {
    using Char = typename Out::Char;
    // A format that is one bare directive, the most common of all, needs no machine.
    if (format[0] == '%' && format[1] != 0 && format[2] == 0) {
        if (is_bare_integer(format[1])) {
            return put_bare_integer<Char>(buffer, static_cast<char>(format[1]), args);
        }
        if constexpr (sizeof(Char) == 1) {
            if (format[1] == 's') return put_bare_string(buffer, args);
        }
    }
    ConversionSpec spec;
    spec.digits = UPPER_DIGITS;
    spec.radix = 10;
    spec.text = nullptr;
    int count = 0;
    const Char *p = format;
    for (;;) {
        if (*p != '%') {
            if (*p == 0) return count;
            const Char *end = Out::put_text_run(buffer, p);
            if (end == nullptr) return -1;
            count += static_cast<int>(end - p);
            p = end;
            if (*p == 0) return count;
        }
        const Char conversion = *++p;
        int written;
        if (Out::class_of(conversion) == CLASS_CONVERSION) {
            ++p;
            if (!put_bare(buffer, conversion, args, written)) {
                open_directive(spec);
                written = convert<Out>(buffer, spec, static_cast<char>(conversion), args);
            }
        } else if (read_plain_directive<Out>(spec, p)) {
            written = convert<Out>(buffer, spec, static_cast<char>(*p++), args);
        } else {
            written = run_directive<Out>(buffer, spec, p, args);
        }
        if (written < 0) return -1;
        count += written;
    }
}

// Sets up the cursor, runs the engine core on args and terminates the output. The core is
// instantiated here rather than called through format_engine so that it inlines.
template <typename Out>
int run_bounded(typename Out::Char *dest, size_t capacity, const typename Out::Char *format,
                va_list &args) {
    OutputBuffer buffer{static_cast<int32_t>(capacity * sizeof(typename Out::Char)),
                        reinterpret_cast<char *>(dest)};
    const int result = run_engine<Out>(buffer, format, args);
    if (result >= 0) {
        buffer.remaining -= static_cast<int32_t>(sizeof(typename Out::Char));
        if (buffer.remaining >= 0) {
            const typename Out::Char terminator = 0;
            std::memcpy(buffer.cur, &terminator, sizeof terminator);
            return result;
        }
    } else if (buffer.remaining >= 0) {
        dest[0] = 0;
        return OUTPUT_ERROR;
    }
    dest[capacity - 1] = 0;
    return OUTPUT_TRUNCATED;
}

// The entry on a copy of args, so that the caller's list is not advanced.
template <typename Out>
int run_bounded_copy(typename Out::Char *dest, size_t capacity, const typename Out::Char *format,
                     va_list args) {
    va_list copy;
    va_copy(copy, args);
    const int result = run_bounded<Out>(dest, capacity, format, copy);
    va_end(copy);
    return result;
}

}  // namespace boundslib::output
