// Integer and floating conversions. Integers never leave the two 64-bit accumulators; floating
// fields are collected as text and handed to the C library's conversion.
#pragma once

#include <cstdlib>
#include <cstring>

#include "input/scan_run.h"

#pragma GCC visibility push(hidden)

namespace boundslib::input {

// Digits through one table entry, chosen once per field so the call is direct.
template <int ENTRY, typename Traits, typename IsDigit>
void digit_loop(ScanRun<Traits> &run, IsDigit is_digit_here) {
    ScanSpec &spec = run.spec;
    while (width_left(spec)) {
        const int32_t ch = fetch(run);
        if (!is_digit_here(ch)) {
            if (ch != INPUT_END) give_back(run);
            return;
        }
        DIGIT_ACCUMULATORS[ENTRY](spec);
        use_width(spec);
        spec.digitsSeen = 1;
    }
}

template <int BASE, typename Traits, typename IsDigit>
void digits_of_base(ScanRun<Traits> &run, IsDigit is_digit_here) {
    constexpr int entry = Traits::DIGIT_BASE + BASE;
    if (run.spec.is64 != 0) {
        digit_loop<entry + 1>(run, is_digit_here);
    } else {
        digit_loop<entry>(run, is_digit_here);
    }
}

template <typename Traits>
void integer_digits(ScanRun<Traits> &run) {
    const unsigned short *classes = run.classes;
    switch (run.spec.state) {
        case 'x':
        case 'p':
            digits_of_base<HEX_BASE>(
                run, [classes](int32_t ch) { return has_class(classes, ch, _ISxdigit); });
            break;
        case 'o':
            digits_of_base<OCTAL_BASE>(
                run, [classes](int32_t ch) { return is_digit(classes, ch) && ch <= '7'; });
            break;
        default:
            digits_of_base<DECIMAL_BASE>(run,
                                         [classes](int32_t ch) { return is_digit(classes, ch); });
            break;
    }
}

template <typename Traits>
bool store_integer(ScanRun<Traits> &run) {
    ScanSpec &spec = run.spec;
    if (spec.suppress != 0) {
        ++run.conversionsDone;
        return true;
    }
    void *target = va_arg(run.args, void *);
    if (target == nullptr) {
        run.error = 1;
        return false;
    }
    if (spec.is64 != 0) {
        *static_cast<uint64_t *>(target) = spec.value64;
    } else if (spec.sizeClass >= 1) {
        *static_cast<uint32_t *>(target) = static_cast<uint32_t>(spec.value);
    } else if (spec.sizeClass == 0) {
        *static_cast<uint16_t *>(target) = static_cast<uint16_t>(spec.value);
    } else {
        *static_cast<uint8_t *>(target) = static_cast<uint8_t>(spec.value);
    }
    ++run.assigned;
    ++run.conversionsDone;
    return true;
}

// d i o u x p: sign, the %i and %x prefixes, digits, finishing, store. False stops the run.
template <typename Traits>
bool scan_integer(ScanRun<Traits> &run) {
    ScanSpec &spec = run.spec;
    give_back(run);
    if (spec.conversion == 'i') spec.state = 'd';
    bool digits = true;
    if (spec.ch == '+' || spec.ch == '-') {
        spec.negative = spec.ch == '-';
        use_width(spec);
        fetch(run);
        if (fetch(run) == INPUT_END) {
            digits = false;
        } else {
            give_back(run);
        }
    }
    if (digits && spec.ch == '0' && (spec.conversion == 'i' || spec.conversion == 'x') &&
        width_left(spec)) {
        use_width(spec);
        fetch(run);
        // A field that is just the '0' stores it without finishing.
        if (!width_left(spec)) return store_integer(run);
        const int32_t next = fetch(run);
        if (next == 'x' || next == 'X') {
            spec.state = 'x';
            use_width(spec);
        } else {
            if (next != INPUT_END) give_back(run);
            if (spec.conversion == 'i') spec.state = 'o';
            spec.digitsSeen = 1;
        }
    }
    if (digits) integer_digits(run);
    DIGIT_ACCUMULATORS[Traits::DIGIT_BASE + FINISH_BASE + spec.is64](spec);
    if (spec.digitsSeen != 1) return false;
    return store_integer(run);
}

template <typename Traits>
bool append_float(ScanRun<Traits> &run, int32_t ch) {
    FloatText<typename Traits::Char> &text = run.floatText;
    text.text[text.length++] = static_cast<typename Traits::Char>(ch);
    return grow_float_text(text) == 0;
}

// An optional sign; '+' is consumed but not kept.
template <typename Traits>
bool collect_float_sign(ScanRun<Traits> &run) {
    if (!width_left(run.spec)) return true;
    const int32_t ch = fetch(run);
    if (ch == '+' || ch == '-') {
        use_width(run.spec);
        return ch == '+' || append_float(run, ch);
    }
    if (ch != INPUT_END) give_back(run);
    return true;
}

template <typename Traits>
bool collect_float_digits(ScanRun<Traits> &run) {
    ScanSpec &spec = run.spec;
    while (width_left(spec)) {
        const int32_t ch = fetch(run);
        if (!is_digit(run.classes, ch)) {
            if (ch != INPUT_END) give_back(run);
            return true;
        }
        spec.digitsSeen = 1;
        use_width(spec);
        if (!append_float(run, ch)) return false;
    }
    return true;
}

// Takes the next character if it is one of the two given; gives anything else back.
template <typename Traits>
bool take_if(ScanRun<Traits> &run, int32_t a, int32_t b) {
    const int32_t ch = fetch(run);
    if (ch == a || ch == b) return true;
    if (ch != INPUT_END) give_back(run);
    return false;
}

template <typename Traits>
void store_float(ScanRun<Traits> &run, void *target, const char *text) {
    const int32_t sizeClass = run.spec.sizeClass;
    if (sizeClass >= 3) {
        *static_cast<long double *>(target) = std::strtold(text, nullptr);
    } else if (sizeClass == 2) {
        *static_cast<double *>(target) = std::strtod(text, nullptr);
    } else {
        *static_cast<float *>(target) = static_cast<float>(std::strtod(text, nullptr));
    }
}

// e f g: [sign] digits [. digits] [e [sign] digits]. False stops the run.
template <typename Traits>
bool scan_float(ScanRun<Traits> &run) {
    ScanSpec &spec = run.spec;
    FloatText<typename Traits::Char> &text = run.floatText;
    give_back(run);
    text.length = 0;
    bool grew = collect_float_sign(run) && collect_float_digits(run);
    if (grew && width_left(spec) && take_if(run, '.', '.')) {
        use_width(spec);
        grew = append_float(run, '.') && collect_float_digits(run);
    }
    if (grew && spec.digitsSeen == 1 && width_left(spec) && take_if(run, 'e', 'E')) {
        use_width(spec);
        grew = append_float(run, 'e') && collect_float_sign(run) && collect_float_digits(run);
    }
    if (text.heapText == nullptr && text.length >= run.frameTextUsed) {
        run.frameTextUsed = text.length + 1;
    }
    if (!grew) return false;
    text.text[text.length] = 0;
    if (spec.digitsSeen != 1) return false;
    if (spec.suppress != 0) {
        ++run.conversionsDone;
        return true;
    }
    void *target = va_arg(run.args, void *);
    if (target == nullptr) {
        run.error = 1;
        return false;
    }
    if (!Traits::convert_float(run, target)) return false;
    ++run.assigned;
    ++run.conversionsDone;
    return true;
}

}  // namespace boundslib::input

#pragma GCC visibility pop
