// Converting a collected floating field. Short decimal texts take an exact path: a significand
// of at most 15 digits and a power of ten up to 22 are both exact doubles, so one multiplication
// or division rounds exactly as the C library's conversion does; anything else goes to strtod.
#pragma once

#include <langinfo.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>

namespace boundslib::input {

inline constexpr double EXACT_POWERS_OF_TEN[23] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                                   1e8,  1e9,  1e10, 1e11, 1e12, 1e13, 1e14, 1e15,
                                                   1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};

// The text has the collected shape: [-] digits [. digits] [e [-] digits], where every part but
// the first digits may be cut short. False when the exact path does not apply.
inline bool exact_decimal(const char *text, double &result) {
    const bool negative = *text == '-';
    text += negative;
    uint64_t significand = 0;
    int digits = 0;
    int exponent = 0;
    bool point = false;
    for (;; ++text) {
        const uint32_t digit = static_cast<uint32_t>(*text - '0');
        if (digit <= 9) {
            if (significand != 0 || digit != 0) ++digits;
            significand = significand * 10 + digit;
            exponent -= point;
            if (digits > 15) return false;
        } else if (*text == '.' && !point) {
            point = true;
        } else {
            break;
        }
    }
    // strtod reads the point of the current locale; this path knows only '.'.
    if (point) {
        const char *radix = nl_langinfo(RADIXCHAR);
        if (radix[0] != '.' || radix[1] != 0) return false;
    }
    if (*text == 'e') {
        const bool negativeExponent = text[1] == '-';
        const char *cursor = text + 1 + negativeExponent;
        if (static_cast<uint32_t>(*cursor - '0') <= 9) {
            int written = 0;
            for (; static_cast<uint32_t>(*cursor - '0') <= 9; ++cursor) {
                if (written > 1000) return false;
                written = written * 10 + (*cursor - '0');
            }
            exponent += negativeExponent ? -written : written;
        }
    }
    if (exponent < -22 || exponent > 22) return false;
    double value = static_cast<double>(significand);
    value = exponent < 0 ? value / EXACT_POWERS_OF_TEN[-exponent]
                         : value * EXACT_POWERS_OF_TEN[exponent];
    result = negative ? -value : value;
    return true;
}

inline double text_to_double(const char *text) {
    double value;
    if (exact_decimal(text, value)) return value;
    return std::strtod(text, nullptr);
}

}  // namespace boundslib::input
