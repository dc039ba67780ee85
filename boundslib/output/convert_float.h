// The floating conversions e, E, f, F, g and G. The digits, the sign and the point are rendered
// without the width, by to_chars where that is provably the C library's text and by the C
// library otherwise; the engine writes the padding itself, so no field takes memory in
// proportion to its width.
#pragma once

#include <langinfo.h>

#include <algorithm>
#include <cfenv>
#include <charconv>
#include <cmath>
#include <cstdarg>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "output/convert_integer.h"
#include "output/format_internal.h"
#include "output/format_writer.h"

namespace boundslib::output {

// Floating precisions above these produce nothing.
inline constexpr int32_t DOUBLE_PRECISION_LIMIT = 214748011;
inline constexpr int32_t LONG_DOUBLE_PRECISION_LIMIT = 214743388;
// Room for the digits of the largest value besides the precision.
inline constexpr int64_t DOUBLE_EXTRA = 351;
inline constexpr int64_t LONG_DOUBLE_EXTRA = 4974;

// Writes value in decimal at p; returns the end.
inline char *put_decimal(char *p, uint32_t value) {
    char digits[10];
    char *first = render_decimal(value, digits + sizeof digits);
    const auto n = static_cast<size_t>(digits + sizeof digits - first);
    std::memcpy(p, first, n);
    return p + n;
}

// The directive for the C library: the flags that shape the digits, the resolved precision, and
// of the length modifiers only 'L', so that it reads exactly the one value the engine passes.
inline void build_float_directive(char (&out)[24], uint32_t flags, int32_t precision,
                                  char conversion) {
    char *p = out;
    *p++ = '%';
    if ((flags & FLAG_PLUS) != 0) *p++ = '+';
    if ((flags & FLAG_SPACE) != 0) *p++ = ' ';
    if ((flags & FLAG_ALTERNATE) != 0) *p++ = '#';
    *p++ = '.';
    p = put_decimal(p, static_cast<uint32_t>(precision));
    if ((flags & FLAG_LONG_DOUBLE) != 0) *p++ = 'L';
    *p++ = conversion;
    *p = '\0';
}

// Renders value as the C library does under the directive above, where that is provably the
// same text: to_chars gives the correctly rounded digits the C library gives when it rounds to
// nearest and its point is '.'. '#' of 'g' keeps trailing zeros and is left to the C library.
// False, with nothing promised, where the C library must render it.
inline bool render_double_exact(char *out, size_t size, double value, char conversion,
                                uint32_t flags, int32_t precision, int32_t &length) {
    const bool upper = conversion == 'E' || conversion == 'F' || conversion == 'G';
    const char lower = upper ? static_cast<char>(conversion - 'A' + 'a') : conversion;
    const bool alternate = (flags & FLAG_ALTERNATE) != 0;
    if (lower == 'g' && alternate) return false;
    if (std::fegetround() != FE_TONEAREST) return false;
    const char *point = nl_langinfo(RADIXCHAR);
    if (point[0] != '.' || point[1] != '\0') return false;

    char *p = out;
    char *const end = out + size;
    if (std::signbit(value)) {
        *p++ = '-';
    } else if ((flags & FLAG_PLUS) != 0) {
        *p++ = '+';
    } else if ((flags & FLAG_SPACE) != 0) {
        *p++ = ' ';
    }
    if (!std::isfinite(value)) {
        const char *name = std::isnan(value) ? (upper ? "NAN" : "nan") : (upper ? "INF" : "inf");
        std::memcpy(p, name, 3);
        length = static_cast<int32_t>(p + 3 - out);
        return true;
    }
    const auto format = lower == 'f'   ? std::chars_format::fixed
                        : lower == 'e' ? std::chars_format::scientific
                                       : std::chars_format::general;
    const auto result = std::to_chars(p, end, std::fabs(value), format, precision);
    if (result.ec != std::errc{} || result.ptr == end) return false;
    char *last = result.ptr;
    char *exponent = lower == 'f' ? last : std::find(p, last, 'e');
    if (alternate && precision == 0) {  // "1." and "1.e+00": '#' keeps the point
        std::memmove(exponent + 1, exponent, static_cast<size_t>(last - exponent));
        *exponent = '.';
        ++exponent;
        ++last;
    }
    if (upper && exponent != last) *exponent = 'E';
    length = static_cast<int32_t>(last - out);
    return true;
}

// Spaces, or zeros behind the sign and in front of digits only (never before "inf" or "nan"),
// then the text; '-' puts the spaces behind. Characters written, or -1. ascii: the text is
// known to be one character per byte.
template <typename Out>
int emit_float_field(OutputBuffer &buffer, const ConversionSpec &spec, const char *text,
                     int32_t length, bool ascii) {
    using Char = typename Out::Char;
    const int32_t fill = spec.width > length ? spec.width - length : 0;
    const bool left = (spec.flags & FLAG_LEFT) != 0;
    const int32_t sign = length > 0 && (text[0] == '-' || text[0] == '+' || text[0] == ' ') ? 1 : 0;
    const bool zero = !left && (spec.flags & FLAG_ZERO) != 0 && sign < length &&
                      text[sign] >= '0' && text[sign] <= '9';
    const auto fillCount = static_cast<size_t>(fill);
    if (ascii || sizeof(Char) == 1) {
        if (Char *p = reserve<Char>(buffer, int64_t{fill} + length)) {
            if (!left && !zero) p = store_repeat(p, ' ', fillCount);
            p = store_ascii(p, text, static_cast<size_t>(sign));
            if (zero) p = store_repeat(p, '0', fillCount);
            p = store_ascii(p, text + sign, static_cast<size_t>(length - sign));
            if (left) store_repeat(p, ' ', fillCount);
            return fill + length;
        }
    }
    int count = 0;
    if (!left && !zero && fill > 0) {
        if (put_repeat<Char>(buffer, ' ', fill) < 0) return -1;
        count += fill;
    }
    const int32_t head = zero ? sign : 0;
    if (head > 0) {
        if (Out::put_narrow(buffer, text, head) < 0) return -1;
        count += head;
    }
    if (zero && fill > 0) {
        if (put_repeat<Char>(buffer, '0', fill) < 0) return -1;
        count += fill;
    }
    const int written = Out::put_narrow(buffer, text + head, length - head);
    if (written < 0) return -1;
    count += written;
    if (left && fill > 0) {
        if (put_repeat<Char>(buffer, ' ', fill) < 0) return -1;
        count += fill;
    }
    return count;
}

// A value whose precision is beyond its limit, whose area cannot be had, or whose rendering
// fails or does not fit its area produces nothing, and formatting goes on. Characters written,
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

    // The area holds the digits of any value at this precision. A field as wide as the area
    // whose length the C library could not report produces nothing, as it always has.
    const int64_t size = precision + (isLong ? LONG_DOUBLE_EXTRA : DOUBLE_EXTRA);
    if (spec.width >= size && int64_t{spec.width} + 2 > INT32_MAX) return 0;

    char *render = spec.scratch;
    char *heap = nullptr;
    if (size > SCRATCH_SIZE) {
        heap = static_cast<char *>(std::malloc(static_cast<size_t>(size)));
        if (heap == nullptr) return 0;
        render = heap;
    }
    int32_t rendered = -1;
    const bool exact = !isLong && render_double_exact(render, static_cast<size_t>(size), value,
                                                      conversion, spec.flags, precision, rendered);
    if (!exact) {
        char directive[24];
        build_float_directive(directive, spec.flags, precision, conversion);
        rendered = isLong
                       ? Out::render_float(render, static_cast<size_t>(size), directive, longValue)
                       : Out::render_float(render, static_cast<size_t>(size), directive, value);
    }
    int written = 0;
    if (rendered >= 0 && rendered < size) {
        written = emit_float_field<Out>(buffer, spec, render, rendered, exact);
    }
    if (heap != nullptr) std::free(heap);
    return written;
}

}  // namespace boundslib::output
