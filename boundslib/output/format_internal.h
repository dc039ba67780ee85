// The formatting engine's records and entry points, shared by the narrow and the wide engine and
// reached by the front ends and the tests. Nothing here is exported from the shared library.
#pragma once

#include <cstdarg>
#include <cstddef>
#include <cstdint>
#include <cwchar>

namespace boundslib::output {

// Results of the entries besides a character count.
inline constexpr int OUTPUT_ERROR = -1;
inline constexpr int OUTPUT_TRUNCATED = -2;

// The bounded cursor. remaining counts bytes: one per narrow character, four per wide one. Once a
// character did not fit it stays negative, which is how the entries tell an overflow from a
// format error.
struct OutputBuffer {
    int32_t remaining;
    char *cur;
};

enum : uint32_t {
    FLAG_PLUS = 0x1,
    FLAG_SPACE = 0x2,
    FLAG_LEFT = 0x4,
    FLAG_ZERO = 0x8,
    FLAG_LONG = 0x10,
    FLAG_SHORT = 0x20,
    FLAG_SIGNED = 0x40,
    FLAG_ALTERNATE = 0x80,
    FLAG_NEGATIVE = 0x100,
    FLAG_OCTAL_ALTERNATE = 0x200,
    FLAG_LONG_DOUBLE = 0x400,
    FLAG_WIDE = 0x800,
    FLAG_LONG_LONG = 0x1000,
    FLAG_CHAR = 0x2000,
    FLAG_POINTER = 0x4000,
    FLAG_INT64 = 0x8000,
    FLAG_PTRDIFF = 0x10000,
    FLAG_SIZE = 0x20000,
    FLAG_INTMAX = 0x40000,
};

// A value fetched under none of these is cut to 32 bits.
inline constexpr uint32_t FLAGS_64BIT =
    FLAG_LONG | FLAG_LONG_LONG | FLAG_INT64 | FLAG_PTRDIFF | FLAG_SIZE | FLAG_INTMAX;

// Integer digits, a %c character and most floating renderings live here; the integer precision
// cap equals its size so that zero-fill always fits.
inline constexpr int SCRATCH_SIZE = 512;

struct ConversionSpec {
    const char *digits;
    const void *text;
    int32_t textLength;
    int32_t textIsWide;
    int32_t radix;
    uint32_t flags;
    int32_t width;
    int32_t precision;  // -1: none given
    int32_t widthFromArgument;
    int32_t precisionFromArgument;
    int32_t fillCount;
    int32_t prefixLength;
    char prefix[2];
    alignas(wchar_t) char scratch[SCRATCH_SIZE];
};

// Entries: the caller guarantees non-null pointers and 1 <= capacity <= the limit of its width.
// Result: characters written, OUTPUT_TRUNCATED (cut output, terminated in the last place) or
// OUTPUT_ERROR (terminator in the first place). args is copied, never advanced.
int format_bounded(char *dest, size_t capacity, const char *format, va_list args);
int wformat_bounded(wchar_t *dest, size_t capacity, const wchar_t *format, va_list args);

// The same, reading args in place (it is advanced): for the variadic front ends, which own their
// list. Copying a list that was just started costs more than the rest of a short conversion.
int format_bounded_in_place(char *dest, size_t capacity, const char *format, va_list &args);
int wformat_bounded_in_place(wchar_t *dest, size_t capacity, const wchar_t *format, va_list &args);

// Cores: characters written (not terminated) or -1 on any failure, running out of room included.
int format_engine(OutputBuffer &buffer, const char *format, va_list &args);
int wformat_engine(OutputBuffer &buffer, const wchar_t *format, va_list &args);

// Floating renderers: the C library's formatter bounded by size; its result is returned as is.
int format_float(char *scratch, size_t size, const char *directive, ...);
int wformat_float(char *scratch, size_t size, const char *directive, ...);

}  // namespace boundslib::output

