// Integer conversions: the sign, the prefixes of %i and %x, and digits through the table of digit
// functions. Integers never leave the two 64-bit accumulators.
#pragma once

#include <cstdlib>
#include <cstring>

#include "input/scan_direct.h"

namespace boundslib::input {

// Digits through one table entry, chosen once per field so the call is direct.
template <int ENTRY, typename Traits, typename IsDigit>
void digit_loop(ScanRun<Traits> &run, IsDigit is_digit_here) {
    ScanSpec &spec = run.spec;
    if constexpr (Traits::DIRECT_STRING) {
        if (run.stream->flags == SOURCE_STRING) return direct_digit_loop<ENTRY>(run, is_digit_here);
    }
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
    switch (run.spec.state) {
        case 'x':
        case 'p':
            digits_of_base<HEX_BASE>(run, is_hex_digit);
            break;
        case 'o':
            digits_of_base<OCTAL_BASE>(
                run, [](int32_t ch) { return is_decimal_digit(ch) && ch <= '7'; });
            break;
        default:
            digits_of_base<DECIMAL_BASE>(run, is_decimal_digit);
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
    void *target = take_target(run);
    if (target == nullptr) return false;
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
    constexpr int finish = Traits::DIGIT_BASE + FINISH_BASE;
    if (spec.is64 != 0) {
        DIGIT_ACCUMULATORS[finish + 1](spec);
    } else {
        DIGIT_ACCUMULATORS[finish](spec);
    }
    if (spec.digitsSeen != 1) return false;
    return store_integer(run);
}

}  // namespace boundslib::input
