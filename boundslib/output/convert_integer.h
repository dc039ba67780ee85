// The integer conversions d, i, u, o, x, X and p: fetch, digits, and the field around them.
#pragma once

#include <bit>
#include <cstdarg>
#include <cstdint>
#include <cstring>

#include "output/format_internal.h"
#include "output/format_output.h"
#include "output/format_writer.h"

namespace boundslib::output {

inline constexpr char LOWER_DIGITS[] = "0123456789abcdefx";
inline constexpr char UPPER_DIGITS[] = "0123456789ABCDEFX";
inline constexpr char NIL_TEXT[] = "(nil)";

// Integer precisions above the scratch size are lowered to it.
inline constexpr int32_t PRECISION_CAP = SCRATCH_SIZE;
// A 64-bit value has at most 22 octal digits; one more for a sign.
inline constexpr int INTEGER_TEXT_MAX = 23;

// "00" "01" ... "99": two decimal digits per division.
inline constexpr auto DIGIT_PAIRS = [] {
    struct Pairs {
        char text[200];
    } pairs{};
    for (int i = 0; i < 100; ++i) {
        pairs.text[2 * i] = static_cast<char>('0' + i / 10);
        pairs.text[2 * i + 1] = static_cast<char>('0' + i % 10);
    }
    return pairs;
}();

inline constexpr auto POWERS_OF_TEN = [] {
    struct Powers {
        uint64_t value[20];
    } powers{};
    uint64_t p = 1;
    for (auto &v : powers.value) {
        v = p;
        p *= 10;
    }
    return powers;
}();

// Decimal digits of value (one for zero): bits * log10(2) estimates them, one comparison settles.
inline int count_decimal_digits(uint64_t value) {
    const int bits = 64 - std::countl_zero(value | 1);
    const int estimate = (bits * 1233) >> 12;
    return estimate + 1 - ((value | 1) < POWERS_OF_TEN.value[estimate] ? 1 : 0);
}
static_assert(POWERS_OF_TEN.value[19] == 10000000000000000000u);

// Reads the argument at the size the length modifiers select. A signed value below zero sets
// FLAG_NEGATIVE and yields its magnitude; without a 64-bit modifier the magnitude keeps 32 bits.
inline uint64_t fetch_integer(ConversionSpec &spec, va_list &args) {
    const uint32_t flags = spec.flags;
    const bool isSigned = (flags & FLAG_SIGNED) != 0;
    int64_t value;
    if ((flags & (FLAG_LONG_LONG | FLAG_INT64 | FLAG_LONG)) != 0) {
        value = static_cast<int64_t>(va_arg(args, unsigned long long));
    } else if ((flags & FLAG_CHAR) != 0) {
        const auto low = static_cast<uint8_t>(va_arg(args, int));
        value = isSigned ? static_cast<int8_t>(low) : low;
    } else if ((flags & FLAG_SHORT) != 0) {
        const auto low = static_cast<uint16_t>(va_arg(args, int));
        value = isSigned ? static_cast<int16_t>(low) : low;
    } else if ((flags & (FLAG_PTRDIFF | FLAG_SIZE | FLAG_INTMAX)) != 0) {
        value = static_cast<int64_t>(va_arg(args, unsigned long long));
    } else {
        const int raw = va_arg(args, int);
        value = isSigned ? int64_t{raw} : int64_t{static_cast<uint32_t>(raw)};
    }
    uint64_t magnitude = static_cast<uint64_t>(value);
    if (isSigned && value < 0) {
        spec.flags |= FLAG_NEGATIVE;
        magnitude = 0 - magnitude;
    }
    if ((flags & FLAGS_64BIT) == 0) magnitude &= 0xFFFFFFFFu;
    return magnitude;
}

// Decimal digits of value (one '0' for zero), two per division, written backwards to end. UInt
// is 32 bits wide whenever the value fits: the division by a constant is cheaper there.
template <typename UInt>
char *render_decimal(UInt value, char *end) {
    char *p = end;
    while (value >= 100) {
        const auto pair = static_cast<size_t>(value % 100);
        value /= 100;
        p -= 2;
        std::memcpy(p, DIGIT_PAIRS.text + 2 * pair, 2);
    }
    if (value >= 10) {
        p -= 2;
        std::memcpy(p, DIGIT_PAIRS.text + 2 * static_cast<size_t>(value), 2);
    } else {
        *--p = static_cast<char>('0' + value);
    }
    return p;
}

inline char *render_decimal64(uint64_t value, char *end) {
    if (value <= UINT32_MAX) return render_decimal(static_cast<uint32_t>(value), end);
    return render_decimal(value, end);
}

// Digits of a nonzero value, written backwards so that they end at end.
inline char *render_digits(uint64_t value, const ConversionSpec &spec, char *end) {
    if (spec.radix == 10) return render_decimal64(value, end);
    char *p = end;
    if (spec.radix == 16) {
        for (; value != 0; value >>= 4) *--p = spec.digits[value & 0xF];
    } else {
        for (; value != 0; value >>= 3) *--p = static_cast<char>('0' + (value & 0x7));
    }
    return p;
}

// Sets text, its length and the prefix for the output stage.
inline void prepare_integer(ConversionSpec &spec, uint64_t value) {
    char *const end = spec.scratch + SCRATCH_SIZE;
    char *first = end;
    if (value != 0) {
        first = render_digits(value, spec, end);
    } else {
        spec.prefixLength = 0;  // no "0x" in front of zero
    }
    if (spec.precision >= 0) {
        if ((spec.flags & FLAG_POINTER) == 0) spec.flags &= ~FLAG_ZERO;
        if (spec.precision > PRECISION_CAP) spec.precision = PRECISION_CAP;
        char *lowest = end - spec.precision;
        if (first > lowest) {
            std::memset(lowest, '0', static_cast<size_t>(first - lowest));
            first = lowest;
        }
    } else if (value == 0) {
        *--first = '0';
    }
    if ((spec.flags & FLAG_OCTAL_ALTERNATE) != 0 && first > spec.scratch &&
        (first == end || *first != '0')) {
        *--first = '0';
    }
    if ((spec.flags & FLAG_SIGNED) != 0) {
        if ((spec.flags & FLAG_NEGATIVE) != 0) {
            spec.prefix[0] = '-';
            spec.prefixLength = 1;
        } else if ((spec.flags & FLAG_PLUS) != 0) {
            spec.prefix[0] = '+';
            spec.prefixLength = 1;
        } else if ((spec.flags & FLAG_SPACE) != 0) {
            spec.prefix[0] = ' ';
            spec.prefixLength = 1;
        }
    }
    spec.text = first;
    spec.textLength = static_cast<int32_t>(end - first);
    if ((spec.flags & FLAG_POINTER) != 0 && value == 0) {
        spec.text = NIL_TEXT;
        spec.textLength = sizeof NIL_TEXT - 1;
        spec.flags &= ~FLAG_ZERO;
    }
}

// A decimal directive without width, precision or sign flags: its length is counted first and
// its digits go straight to the destination. False, with nothing written, when it does not fit.
template <typename Char>
bool put_plain_decimal(OutputBuffer &buffer, const ConversionSpec &spec, uint64_t value,
                       int &written) {
    const int negative = (spec.flags & FLAG_NEGATIVE) != 0 ? 1 : 0;
    const int length = negative + count_decimal_digits(value);
    Char *at = reserve<Char>(buffer, length);
    if (at == nullptr) return false;
    if constexpr (sizeof(Char) == 1) {
        if (negative != 0) *at = '-';
        render_decimal64(value, at + length);
    } else {
        char digits[INTEGER_TEXT_MAX];
        char *first = render_decimal64(value, digits + sizeof digits);
        if (negative != 0) *--first = '-';
        store_ascii(at, first, static_cast<size_t>(length));
    }
    written = length;
    return true;
}

// Characters written, or -1.
template <typename Out>
int convert_integer(OutputBuffer &buffer, ConversionSpec &spec, char conversion, va_list &args) {
    switch (conversion) {
        case 'd':
        case 'i':
            spec.flags |= FLAG_SIGNED;
            spec.radix = 10;
            break;
        case 'u':
            spec.radix = 10;
            break;
        case 'o':
            spec.radix = 8;
            if ((spec.flags & FLAG_ALTERNATE) != 0) spec.flags |= FLAG_OCTAL_ALTERNATE;
            break;
        default:  // x, X, p
            spec.radix = 16;
            spec.digits = conversion == 'X' ? UPPER_DIGITS : LOWER_DIGITS;
            if (conversion == 'p') {
                spec.flags |= FLAG_POINTER | FLAG_INT64 | FLAG_ALTERNATE;
                spec.precision = 0;
            }
            if ((spec.flags & FLAG_ALTERNATE) != 0) {
                spec.prefix[0] = '0';
                spec.prefix[1] = spec.digits[16];
                spec.prefixLength = 2;
            }
            break;
    }
    const uint64_t value = fetch_integer(spec, args);
    int written;
    if (spec.radix == 10 && spec.width == 0 && spec.precision < 0 &&
        (spec.flags & (FLAG_PLUS | FLAG_SPACE)) == 0 &&
        put_plain_decimal<typename Out::Char>(buffer, spec, value, written)) {
        return written;
    }
    prepare_integer(spec, value);
    return emit_field<Out>(buffer, spec, true);
}

}  // namespace boundslib::output
