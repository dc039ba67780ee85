// The character and string conversions c, C, s and S: narrow or wide by the engine's table.
#pragma once

#include <cstdarg>
#include <cstdint>
#include <cstring>
#include <cwchar>

#include "output/format_internal.h"
#include "output/format_output.h"
#include "output/format_tables.h"
#include "output/format_writer.h"

namespace boundslib::output {

inline constexpr char NULL_TEXT[] = "(null)";
inline constexpr wchar_t NULL_WIDE_TEXT[] = L"(null)";

inline int32_t clamp_length(size_t length) {
    return length > INT32_MAX ? INT32_MAX : static_cast<int32_t>(length);
}

inline void prepare_character(ConversionSpec &spec, bool wide, va_list &args) {
    spec.textLength = 1;
    spec.text = spec.scratch;
    const int value = va_arg(args, int);
    if (wide) {
        const auto c = static_cast<wchar_t>(value);
        std::memcpy(spec.scratch, &c, sizeof c);
        spec.textIsWide = 1;
    } else {
        spec.scratch[0] = static_cast<char>(value);
    }
}

// A null string prints "(null)" of its own width; a precision bounds the length in units of it.
inline void prepare_string(ConversionSpec &spec, bool wide, va_list &args) {
    if (wide) {
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

// A bare "%s" of the narrow engine: the string as it is. Characters written, or -1.
inline int put_bare_string(OutputBuffer &buffer, va_list &args) {
    const char *text = va_arg(args, const char *);
    if (text == nullptr) text = NULL_TEXT;
    return put_copy(buffer, text, static_cast<size_t>(clamp_length(std::strlen(text))));
}

// Zero-fill never applies to text. Characters written, or -1.
template <typename Out>
int convert_text(OutputBuffer &buffer, ConversionSpec &spec, char conversion, va_list &args) {
    spec.flags &= ~FLAG_ZERO;
    const bool wide = text_is_wide(Out::TEXT_RULES, conversion, spec.flags);
    if (conversion == 'c' || conversion == 'C') {
        prepare_character(spec, wide, args);
    } else {
        prepare_string(spec, wide, args);
    }
    return emit_field<Out>(buffer, spec, false);
}

}  // namespace boundslib::output
