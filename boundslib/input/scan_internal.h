// The scanning engines' entry points, reached by the front ends and the tests. Nothing here is
// exported from the shared library.
#pragma once

#include <cstdarg>
#include <cstdint>
#include <cwchar>

#include "input/input_stream.h"

namespace boundslib::input {

// Engine results besides a count of assigned fields.
inline constexpr int SCAN_EOF = -1;
inline constexpr int SCAN_ERROR = -2;

// One call: reads the arguments in place (args is advanced) and closes the stream before it
// returns.
int scan_engine(InputStream &stream, const char *format, va_list &args);
int wscan_engine(InputStream &stream, const wchar_t *format, va_list &args);

// Run instead of the engine for an empty or too long source string: clears the destination of
// the format's first %c, %s or %[ (%s alone for a long source).
void clear_first_string_destination(const char *source, const char *format, va_list &args);
void clear_first_string_destination(const wchar_t *source, const wchar_t *format, va_list &args);

}  // namespace boundslib::input
