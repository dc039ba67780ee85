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

// Hexadecimal digits of value (one for zero).
inline int count_hex_digits(uint64_t value) {
    return (67 - std::countl_zero(value | 1)) / 4;
}

// Writes the count digits of value ending at out + count.
inline void render_plain(char *out, int count, uint64_t value, int radix, const char *digits) {
    char *p = out + count;
    if (radix == 10) {
        render_decimal64(value, p);
    } else {
        for (; p > out; value >>= 4) *--p = digits[value & 0xF];
    }
}

template <typename Char>
Char *store_digits(Char *at, int count, uint64_t value, int radix, const char *digits) {
    if constexpr (sizeof(Char) == 1) {
        render_plain(at, count, value, radix, digits);
        return at + count;
    } else {
        char text[INTEGER_TEXT_MAX];
        render_plain(text, count, value, radix, digits);
        return store_ascii(at, text, static_cast<size_t>(count));
    }
}

// A decimal or hexadecimal integer without precision or sign flags: head (a '-', "0x" or
// nothing), digits and padding are counted first and stored unchecked. Characters written, or
// -1 with nothing written when the field does not fit.
template <typename Char>
[[gnu::always_inline]] inline int put_integer_field(OutputBuffer &buffer, uint64_t value, int radix,
                                                    const char *digits, const char *head,
                                                    int headLength, int32_t width, uint32_t flags) {
    const int count = radix == 10 ? count_decimal_digits(value) : count_hex_digits(value);
    const int length = headLength + count;
    const int32_t pad = width > length ? width - length : 0;
    Char *at = reserve<Char>(buffer, int64_t{length} + pad);
    if (at == nullptr) return -1;
    const bool left = (flags & FLAG_LEFT) != 0;
    const bool zero = !left && (flags & FLAG_ZERO) != 0;
    if (pad > 0 && !left && !zero) at = store_repeat(at, ' ', static_cast<size_t>(pad));
    if (headLength > 0) *at++ = static_cast<Char>(head[0]);
    if (headLength > 1) *at++ = static_cast<Char>(head[1]);
    if (zero) at = store_repeat(at, '0', static_cast<size_t>(pad));
    at = store_digits(at, count, value, radix, digits);
    if (pad > 0 && left) store_repeat(at, ' ', static_cast<size_t>(pad));
    return length + pad;
}

// What fits of an integer without a width, and the failure: off the common path.
template <typename Char>
[[gnu::noinline, gnu::cold]] int put_integer_cut(OutputBuffer &buffer, uint64_t value, int radix,
                                                 const char *digits, const char *head,
                                                 int headLength, int count) {
    char text[INTEGER_TEXT_MAX];
    std::memcpy(text, head, static_cast<size_t>(headLength));
    render_plain(text + headLength, count, value, radix, digits);
    return put_ascii<Char>(buffer, text, headLength + count);
}

// The same without a width: a leaf on the common path, where it fits.
template <typename Char>
int put_plain_integer(OutputBuffer &buffer, uint64_t value, int radix, const char *digits,
                      const char *head, int headLength) {
    const int count = radix == 10 ? count_decimal_digits(value) : count_hex_digits(value);
    const int length = headLength + count;
    const auto bytes = static_cast<int32_t>(length * sizeof(Char));
    if (bytes > buffer.remaining) {
        return put_integer_cut<Char>(buffer, value, radix, digits, head, headLength, count);
    }
    Char *at = reinterpret_cast<Char *>(buffer.cur);
    buffer.cur += bytes;
    buffer.remaining -= bytes;
    if (headLength > 0) at[0] = static_cast<Char>(head[0]);
    if (headLength > 1) at[1] = static_cast<Char>(head[1]);
    store_digits(at + headLength, count, value, radix, digits);
    return length;
}

// A directive that is '%' and its conversion alone, the common case, without the general
// bookkeeping: d, i, u, x, X and p. Characters written, or -1.
template <typename Char>
int put_bare_integer(OutputBuffer &buffer, char conversion, va_list &args) {
    if (conversion == 'p') {
        const auto value = reinterpret_cast<uintptr_t>(va_arg(args, void *));
        if (value == 0) return put_ascii<Char>(buffer, NIL_TEXT, sizeof NIL_TEXT - 1);
        return put_plain_integer<Char>(buffer, value, 16, LOWER_DIGITS, "0x", 2);
    }
    const unsigned raw = va_arg(args, unsigned);
    if (conversion == 'd' || conversion == 'i') {
        const bool negative = static_cast<int>(raw) < 0;
        return put_plain_integer<Char>(buffer, negative ? 0u - raw : raw, 10, LOWER_DIGITS, "-",
                                       negative ? 1 : 0);
    }
    if (conversion == 'u') return put_plain_integer<Char>(buffer, raw, 10, LOWER_DIGITS, "", 0);
    return put_plain_integer<Char>(buffer, raw, 16, conversion == 'X' ? UPPER_DIGITS : LOWER_DIGITS,
                                   "", 0);
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
    if (spec.precision < 0 && spec.radix != 8 && (spec.flags & (FLAG_PLUS | FLAG_SPACE)) == 0) {
        const bool negative = (spec.flags & FLAG_NEGATIVE) != 0;
        const int headLength = negative ? 1 : value != 0 ? spec.prefixLength : 0;
        const int written = put_integer_field<typename Out::Char>(
            buffer, value, spec.radix, spec.digits, negative ? "-" : spec.prefix, headLength,
            spec.width, spec.flags);
        if (written >= 0) return written;
    }
    prepare_integer(spec, value);
    return emit_field<Out>(buffer, spec, true);
}

}  // namespace boundslib::output
