// The formatting machine, written once over the engine's output traits: one left-to-right pass
// over the format, driven by the class and transition tables.
#pragma once

#include <cstdarg>
#include <cstdint>

#include "output/convert_float.h"
#include "output/convert_integer.h"
#include "output/convert_text.h"
#include "output/format_directive.h"
#include "output/format_internal.h"
#include "output/format_tables.h"

namespace boundslib::output {

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
