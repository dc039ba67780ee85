// Conversions and the output stage, written once over the engine's output traits.
#pragma once

#include <climits>
#include <cstdarg>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <cwchar>

#include "output/format_internal.h"

namespace boundslib {

inline constexpr char LOWER_DIGITS[] = "0123456789abcdefx";
inline constexpr char UPPER_DIGITS[] = "0123456789ABCDEFX";
inline constexpr char NULL_TEXT[] = "(null)";
inline constexpr wchar_t NULL_WIDE_TEXT[] = L"(null)";
inline constexpr char NIL_TEXT[] = "(nil)";

// Integer precisions above the scratch size are lowered to it.
inline constexpr int32_t PRECISION_CAP = SCRATCH_SIZE;
// Floating precisions above these produce nothing.
inline constexpr int32_t DOUBLE_PRECISION_LIMIT = 214748011;
inline constexpr int32_t LONG_DOUBLE_PRECISION_LIMIT = 214743388;
// Room for the digits of the largest value besides the precision.
inline constexpr int64_t DOUBLE_EXTRA = 351;
inline constexpr int64_t LONG_DOUBLE_EXTRA = 4974;

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

// Decimal digits of a nonzero value, two per division, written backwards to end. UInt is 32
// bits wide whenever the value fits: the division by a constant is cheaper there.
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

// Digits of a nonzero value, written backwards so that they end at end.
inline char *render_digits(uint64_t value, const ConversionSpec &spec, char *end) {
    char *p = end;
    if (spec.radix == 10) {
        if (value <= UINT32_MAX) return render_decimal(static_cast<uint32_t>(value), end);
        return render_decimal(value, end);
    }
    if (spec.radix == 16) {
        for (; value != 0; value >>= 4) *--p = spec.digits[value & 0xF];
    } else {
        for (; value != 0; value >>= 3) *--p = static_cast<char>('0' + (value & 0x7));
    }
    return p;
}

inline void prepare_integer(ConversionSpec &spec, va_list &args) {
    const uint64_t value = fetch_integer(spec, args);
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
        const char *lowest = end - spec.precision;
        while (first > lowest) *--first = '0';
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

inline int32_t clamp_length(size_t length) {
    return length > INT32_MAX ? INT32_MAX : static_cast<int32_t>(length);
}

template <typename Out>
void prepare_character(ConversionSpec &spec, char conversion, va_list &args) {
    spec.flags &= ~FLAG_ZERO;
    spec.textLength = 1;
    spec.text = spec.scratch;
    const int value = va_arg(args, int);
    if (Out::text_is_wide(conversion, spec.flags)) {
        const auto wide = static_cast<wchar_t>(value);
        std::memcpy(spec.scratch, &wide, sizeof wide);
        spec.textIsWide = 1;
    } else {
        spec.scratch[0] = static_cast<char>(value);
    }
}

template <typename Out>
void prepare_string(ConversionSpec &spec, char conversion, va_list &args) {
    spec.flags &= ~FLAG_ZERO;
    if (Out::text_is_wide(conversion, spec.flags)) {
        const wchar_t *text = va_arg(args, const wchar_t *);
        if (text == nullptr) text = NULL_WIDE_TEXT;
        spec.text = text;
        spec.textIsWide = 1;
        spec.textLength =
            clamp_length(spec.precision < 0 ? std::wcslen(text)
                                            : wcsnlen(text, static_cast<size_t>(spec.precision)));
    } else {
        const char *text = va_arg(args, const char *);
        if (text == nullptr) text = NULL_TEXT;
        spec.text = text;
        spec.textLength =
            clamp_length(spec.precision < 0 ? std::strlen(text)
                                            : strnlen(text, static_cast<size_t>(spec.precision)));
    }
}

// Padding, prefix, zeros, text, trailing padding. Characters written, or -1.
template <typename Out>
[[gnu::always_inline]] inline int emit_field(OutputBuffer &buffer, ConversionSpec &spec) {
    const int64_t fill = int64_t{spec.width} - spec.textLength - spec.prefixLength;
    spec.fillCount = fill > 0 ? static_cast<int32_t>(fill) : 0;
    const bool left = (spec.flags & FLAG_LEFT) != 0;
    const bool zero = (spec.flags & FLAG_ZERO) != 0;
    int count = 0;
    if (!left && !zero && spec.fillCount > 0) {
        if (Out::put_repeat(buffer, ' ', spec.fillCount) < 0) return -1;
        count += spec.fillCount;
    }
    if (spec.prefixLength > 0) {
        if (Out::put_ascii(buffer, spec.prefix, spec.prefixLength) < 0) return -1;
        count += spec.prefixLength;
    }
    if (zero && !left && spec.fillCount > 0) {
        if (Out::put_repeat(buffer, '0', spec.fillCount) < 0) return -1;
        count += spec.fillCount;
    }
    const int written =
        spec.textIsWide != 0
            ? Out::put_wide(buffer, static_cast<const wchar_t *>(spec.text), spec.textLength)
            : Out::put_narrow(buffer, static_cast<const char *>(spec.text), spec.textLength);
    if (written < 0) return -1;
    count += written;
    if (left && spec.fillCount > 0) {
        if (Out::put_repeat(buffer, ' ', spec.fillCount) < 0) return -1;
        count += spec.fillCount;
    }
    return count;
}

// Writes value in decimal at p; returns the end.
inline char *put_decimal(char *p, uint32_t value) {
    char digits[10];
    char *first = render_decimal(value, digits + sizeof digits);
    const auto n = static_cast<size_t>(digits + sizeof digits - first);
    std::memcpy(p, first, n);
    return p + n;
}

// The C library renders the value. Its directive is rebuilt from the parsed flags with the
// resolved width and precision written out, and only 'L' kept of the length modifiers, so the
// C library reads exactly the one value the engine passes.
inline void build_float_directive(char (&out)[32], uint32_t flags, int32_t width, int32_t precision,
                                  char conversion) {
    char *p = out;
    *p++ = '%';
    if ((flags & FLAG_LEFT) != 0) *p++ = '-';
    if ((flags & FLAG_PLUS) != 0) *p++ = '+';
    if ((flags & FLAG_SPACE) != 0) *p++ = ' ';
    if ((flags & FLAG_ALTERNATE) != 0) *p++ = '#';
    if ((flags & FLAG_ZERO) != 0) *p++ = '0';
    if (width > 0) p = put_decimal(p, static_cast<uint32_t>(width));
    *p++ = '.';
    p = put_decimal(p, static_cast<uint32_t>(precision));
    if ((flags & FLAG_LONG_DOUBLE) != 0) *p++ = 'L';
    *p++ = conversion;
    *p = '\0';
}

// A value whose precision is beyond its limit, whose buffer cannot be had, or whose rendering
// fails or does not fit its buffer produces nothing, and formatting goes on. Characters written,
// or -1.
template <typename Out>
int convert_float(OutputBuffer &buffer, ConversionSpec &spec, char conversion, va_list &args) {
    const bool isLong = (spec.flags & FLAG_LONG_DOUBLE) != 0;
    // The value is always consumed, so that later conversions read their own arguments.
    long double longValue = 0;
    double value = 0;
    if (isLong) {
        longValue = va_arg(args, long double);
    } else {
        value = va_arg(args, double);
    }
    int32_t precision = spec.precision < 0 ? 6 : spec.precision;
    if ((conversion == 'g' || conversion == 'G') && precision == 0) precision = 1;
    if (precision > (isLong ? LONG_DOUBLE_PRECISION_LIMIT : DOUBLE_PRECISION_LIMIT)) return 0;

    // 64-bit sizes: a '*' width near INT_MAX must not wrap. A width that reaches the size needs
    // two more places, one for its terminator.
    int64_t size = precision + (isLong ? LONG_DOUBLE_EXTRA : DOUBLE_EXTRA);
    if (spec.width >= size) size = int64_t{spec.width} + 2;
    if (size > INT32_MAX) return 0;  // longer than the C library can report

    char *render = spec.scratch;
    char *heap = nullptr;
    if (size > SCRATCH_SIZE) {
        heap = static_cast<char *>(std::malloc(static_cast<size_t>(size)));
        if (heap == nullptr) return 0;
        render = heap;
    }
    char directive[32];
    build_float_directive(directive, spec.flags, spec.width, precision, conversion);
    const int rendered =
        isLong ? Out::render_float(render, static_cast<size_t>(size), directive, longValue)
               : Out::render_float(render, static_cast<size_t>(size), directive, value);
    int written = 0;
    if (rendered >= 0 && rendered < size) written = Out::put_narrow(buffer, render, rendered);
    if (heap != nullptr) std::free(heap);
    return written;
}

// One conversion from its character to its output. Characters written, or -1.
template <typename Out>
int convert(OutputBuffer &buffer, ConversionSpec &spec, char conversion, va_list &args) {
    switch (conversion) {
        case 'd':
        case 'i':
            spec.flags |= FLAG_SIGNED;
            spec.radix = 10;
            prepare_integer(spec, args);
            break;
        case 'u':
            spec.radix = 10;
            prepare_integer(spec, args);
            break;
        case 'o':
            spec.radix = 8;
            if ((spec.flags & FLAG_ALTERNATE) != 0) spec.flags |= FLAG_OCTAL_ALTERNATE;
            prepare_integer(spec, args);
            break;
        case 'x':
        case 'X':
        case 'p':
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
            prepare_integer(spec, args);
            break;
        case 'c':
        case 'C':
            prepare_character<Out>(spec, conversion, args);
            break;
        case 's':
        case 'S':
            prepare_string<Out>(spec, conversion, args);
            break;
        default:  // e, E, f, F, g, G: the value emits its own text
            return convert_float<Out>(buffer, spec, conversion, args);
    }
    return emit_field<Out>(buffer, spec);
}

}  // namespace boundslib
