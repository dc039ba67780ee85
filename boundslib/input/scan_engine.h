// The scanning machine, written once over the engine's input traits: one left-to-right pass over
// the format, white space and literals matched in line, each '%' parsed and dispatched.
#pragma once

#include "input/scan_float.h"
#include "input/scan_numbers.h"
#include "input/scan_text.h"

namespace boundslib::input {

// On entry format is on the '%'; on success it is left on the conversion character. -1 for a
// width beyond the limit. Digits may stand anywhere among the modifiers and add to one width.
template <typename Char>
int parse_scan_spec(const Char *&format, ScanSpec &spec) {
    for (++format;; ++format) {
        const uint32_t c = unit(*format);
        if (is_decimal_digit(static_cast<int32_t>(c))) {
            spec.widthGiven = 1;
            if (spec.width > MAX_WIDTH_BEFORE_DIGIT) return -1;
            spec.width = spec.width * 10 + static_cast<int32_t>(c - '0');
            continue;
        }
        switch (c) {
            case '*':
                spec.suppress = 1;
                break;
            case 'F':
            case 'N':
                break;
            case 'h':
                spec.charWidth = -1;
                --spec.sizeClass;
                break;
            case 'l':
                if (format[1] == 'l') {
                    ++format;
                    spec.sizeClass = 3;
                } else {
                    spec.charWidth = 1;
                    spec.sizeClass = 2;
                }
                spec.is64 = 1;
                break;
            case 'L':
            case 'j':
            case 'q':
            case 't':
            case 'z':
                spec.sizeClass = 3;
                spec.is64 = 1;
                break;
            case 'w':
                spec.charWidth = 1;
                break;
            case 'I': {
                const uint32_t next = unit(format[1]);
                if (next == '6' && format[2] == '4') {
                    spec.is64 = 1;
                    format += 2;
                } else if (next == '3' && format[2] == '2') {
                    format += 2;
                } else {
                    // "%Id" and its kind take the letter; anything else makes the 'I' a %i.
                    spec.is64 = 1;
                    if (next == 'd' || next == 'i' || next == 'x' || next == 'X' || next == 'o') {
                        ++format;
                    }
                    return 0;
                }
                break;
            }
            default:
                return 0;
        }
    }
}

// The characters parse_scan_spec reads as a width or a modifier; after a '%', anything else is
// the conversion itself, with nothing to parse.
constexpr bool modifies_spec(uint32_t c) {
    constexpr char MODIFIERS[] = "0123456789*FNhlLjqtzwI";
    for (const char modifier : MODIFIERS) {
        if (modifier != 0 && c == static_cast<uint32_t>(modifier)) return true;
    }
    return false;
}

struct ModifierTable {
    bool entries[128];
};

inline constexpr ModifierTable MODIFIER_CHARACTERS = [] {
    ModifierTable table{};
    for (uint32_t c = 0; c < 128; ++c) table.entries[c] = modifies_spec(c);
    return table;
}();
static_assert(MODIFIER_CHARACTERS.entries[unit('I')] && MODIFIER_CHARACTERS.entries[unit('9')] &&
              !MODIFIER_CHARACTERS.entries[unit('d')] && !MODIFIER_CHARACTERS.entries[0]);

// Parses the directive on the '%' at format; a plain conversion ("%d", "%s") is taken in
// one look-up.
template <typename Char>
int parse_plain_or_full(const Char *&format, ScanSpec &spec) {
    const uint32_t next = unit(format[1]);
    if (next >= 128 || !MODIFIER_CHARACTERS.entries[next]) {
        ++format;
        return 0;
    }
    return parse_scan_spec(format, spec);
}

// Takes white space and the first other character (or end of input).
template <typename Traits, typename Reader>
[[gnu::always_inline]] inline int32_t take_past_space(Reader &&in) {
    int32_t ch;
    do {
        ch = in.fetch();
    } while (ch != INPUT_END && Traits::is_space(ch));
    in.commit();
    return ch;
}

template <typename Traits>
[[gnu::always_inline]] inline int32_t take_past_space(ScanRun<Traits> &run) {
    if constexpr (Traits::DIRECT_STRING) {
        if (run.stream->flags == SOURCE_STRING) {
            return take_past_space<Traits>(StringReader<Traits>{run});
        }
    }
    return take_past_space<Traits>(StreamReader<Traits>{run});
}

template <typename Traits>
bool store_count(ScanRun<Traits> &run) {
    ScanSpec &spec = run.spec;
    if (spec.suppress == 0) {
        void *target = take_target(run);
        if (target == nullptr) return false;
        if (spec.sizeClass >= 2) {
            *static_cast<uint64_t *>(target) = spec.charsRead;
        } else if (spec.sizeClass == 1) {
            *static_cast<uint32_t *>(target) = spec.charsRead;
        } else if (spec.sizeClass == 0) {
            *static_cast<uint16_t *>(target) = static_cast<uint16_t>(spec.charsRead);
        } else {
            *static_cast<uint8_t *>(target) = static_cast<uint8_t>(spec.charsRead);
        }
    }
    ++run.conversionsDone;
    return true;
}

// One directive, format on its '%'. False stops the run; on success format is on the last
// character the conversion used.
template <typename Traits>
bool run_specification(ScanRun<Traits> &run, const typename Traits::Char *&format) {
    ScanSpec &spec = run.spec;
    open_spec(spec);
    if (parse_plain_or_full(format, spec) != 0) {
        run.error = 1;
        return false;
    }
    if (spec.widthGiven != 0 && spec.width <= 0) return false;
    const uint32_t written = unit(*format);
    if (spec.charWidth == 0) spec.charWidth = written == 'C' || written == 'S' ? 1 : -1;
    spec.conversion = static_cast<int32_t>(written | 0x20);
    spec.state = spec.conversion;
    // Each conversion's first character: %c and %[ take it as it comes, the others after white
    // space; %n takes none. End of input there stops the run.
    switch (spec.conversion) {
        case 'n':
            return store_count(run);
        case 'c':
            if (spec.widthGiven == 0) {
                spec.widthGiven = 1;
                spec.width = 1;
            }
            return fetch(run) != INPUT_END && scan_text(run, format);
        case '{':
            return fetch(run) != INPUT_END && scan_text(run, format);
        case 's':
            return take_past_space(run) != INPUT_END && scan_text(run, format);
        case 'p':
            spec.sizeClass = 1;
            spec.is64 = 1;
            [[fallthrough]];
        case 'd':
        case 'i':
        case 'o':
        case 'u':
        case 'x':
            return take_past_space(run) != INPUT_END && scan_integer(run);
        case 'e':
        case 'f':
        case 'g':
            return take_past_space(run) != INPUT_END && scan_float(run);
        default:
            // A literal; the terminator of a cut-off directive matches nothing.
            if (take_past_space(run) == INPUT_END) return false;
            if (written != 0 && static_cast<uint32_t>(spec.ch) == written) return true;
            give_back(run);
            run.error = 1;
            return false;
    }
}

template <typename Traits>
[[gnu::flatten]] int run_scan(InputStream &stream, const typename Traits::Char *format,
                              va_list &args) {
    typename Traits::Char frameText[FLOAT_TEXT_INITIAL];
    // Set field by field: the run's buffers need no clearing, and ScanSpec is reset at each '%'.
    ScanRun<Traits> run;
    run.stream = &stream;
    run.args = &args;
    run.spec.ch = 0;
    run.spec.charsRead = 0;
    run.assigned = 0;
    run.conversionsDone = 0;
    run.error = 0;
    run.floatText = {FLOAT_TEXT_INITIAL, 0, frameText, nullptr};
    run.frameText = frameText;
    run.frameTextUsed = 0;
    for (; *format != 0; ++format) {
        const int32_t c = static_cast<int32_t>(unit(*format));
        if (Traits::is_space(c)) {
            if (take_past_space(run) != INPUT_END) give_back(run);
            while (Traits::is_space(static_cast<int32_t>(unit(format[1])))) ++format;
            continue;
        }
        if (c != '%') {
            if (fetch(run) == c) continue;
            if (run.spec.ch != INPUT_END) give_back(run);
            break;
        }
        if (!run_specification(run, format)) break;
    }
    // Only the part of the frame's text that was written needs clearing; the barrier keeps the
    // clearing of a dead array from being optimised away.
    if (run.frameTextUsed != 0) {
        const size_t bytes = run.frameTextUsed * sizeof frameText[0];
        if (bytes <= support::SHORT_FILL_MAX) {
            support::fill_short(frameText, 0, bytes);
        } else {
            __builtin_memset(frameText, 0, bytes);
        }
        asm volatile("" : : "r"(frameText) : "memory");
    }
    if (run.floatText.heapText != nullptr) {
        const size_t bytes = run.floatText.capacity * sizeof frameText[0];
        memset_s(run.floatText.heapText, bytes, 0, bytes);
        std::free(run.floatText.heapText);
    }
    Traits::release_scan_set(run.scanSet);
    input_close(stream);
    if (run.spec.ch != INPUT_END) return run.error != 0 ? SCAN_ERROR : run.assigned;
    return run.assigned != 0 || run.conversionsDone != 0 ? run.assigned : SCAN_EOF;
}

// The pre-scan of an empty or too long source: the destination of a first %c, %s or %[ (%s
// alone for a long source) is left holding an empty string.
template <typename Char>
void clear_first_destination(const Char *source, const Char *format, va_list &args) {
    while (*format != 0 && *format != '%') ++format;
    if (*format == 0) return;
    ScanSpec spec{};
    open_spec(spec);
    if (parse_scan_spec(format, spec) != 0 || spec.suppress != 0) return;
    const uint32_t written = unit(*format);
    if (spec.charWidth == 0) spec.charWidth = written == 'C' || written == 'S' ? 1 : -1;
    if (written == '[') {
        const Char *cursor = format + 1;
        if (*cursor == '^') ++cursor;
        if (*cursor == ']') ++cursor;
        while (*cursor != ']') {
            if (*cursor == 0) return;
            ++cursor;
        }
    } else if (written != 'c' && written != 'C' && written != 's' && written != 'S') {
        return;
    }
    if (*source != 0 && (written | 0x20) != 's') return;
    void *pointer = va_arg(args, void *);
    const uint32_t size = va_arg(args, unsigned int);
    if (size == 0 || pointer == nullptr) return;
    if (spec.charWidth == 1) {
        *static_cast<wchar_t *>(pointer) = 0;
    } else {
        *static_cast<char *>(pointer) = 0;
    }
}

}  // namespace boundslib::input
