// What the narrow and the wide front ends share: argument checks, the source for the call, and
// turning every negative engine result into -1.
#pragma once

#include <cstdio>
#include <cstring>
#include <cwchar>

#include "bounds_checked.h"
#include "input/scan_internal.h"

namespace boundslib::input {

inline int run_engine(InputStream &stream, const char *format, va_list &args) {
    return scan_engine(stream, format, args);
}
inline int run_engine(InputStream &stream, const wchar_t *format, va_list &args) {
    return wscan_engine(stream, format, args);
}

inline size_t source_length(const char *buffer) {
    return std::strlen(buffer);
}
inline size_t source_length(const wchar_t *buffer) {
    return std::wcslen(buffer);
}

template <typename Char>
int finish_call(InputStream &stream, const Char *format, va_list &args) {
    const int result = run_engine(stream, format, args);
    return result < 0 ? -1 : result;
}

template <typename Char>
int stdin_call(const Char *format, va_list &args) {
    if (stdin == nullptr || format == nullptr) return -1;
    InputStream stream = stdin_source(stdin);
    return finish_call(stream, format, args);
}

template <typename Char>
int file_call(FILE *file, const Char *format, va_list &args) {
    if (file == nullptr || format == nullptr) return -1;
    if (file == stdin) return stdin_call(format, args);
    InputStream stream = file_source(file);
    return finish_call(stream, format, args);
}

// The source is read in place; an empty or too long one only clears a first string destination.
template <typename Char>
int string_call(const Char *buffer, const Char *format, va_list &args) {
    if (buffer == nullptr || format == nullptr) return -1;
    constexpr size_t LIMIT = sizeof(Char) == 1 ? MAX_BUFFER_BYTES : MAX_BUFFER_WCHARS;
    const size_t length = source_length(buffer);
    if (length == 0 || length > LIMIT) {
        clear_first_string_destination(buffer, format, args);
        return -1;
    }
    InputStream stream = string_source(buffer, length * sizeof(Char));
    return finish_call(stream, format, args);
}

// The list forms hand the engine a copy, so that the caller's list is left as it was; the
// variadic forms let it read their own list in place.
template <typename Call>
int with_copy(va_list argList, Call call) {
    va_list copy;
    va_copy(copy, argList);
    const int result = call(copy);
    va_end(copy);
    return result;
}

}  // namespace boundslib::input
