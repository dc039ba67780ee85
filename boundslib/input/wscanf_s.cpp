// The wide front ends.
#include "input/scan_front.h"

using namespace boundslib::input;

BOUNDS_API int vwscanf_s(const wchar_t *format, va_list argList) {
    return with_copy(argList, [&](va_list &args) { return stdin_call(format, args); });
}

BOUNDS_API int wscanf_s(const wchar_t *format, ...) {
    va_list args;
    va_start(args, format);
    const int result = stdin_call(format, args);
    va_end(args);
    return result;
}

BOUNDS_API int vfwscanf_s(FILE *stream, const wchar_t *format, va_list argList) {
    return with_copy(argList, [&](va_list &args) { return file_call(stream, format, args); });
}

BOUNDS_API int fwscanf_s(FILE *stream, const wchar_t *format, ...) {
    va_list args;
    va_start(args, format);
    const int result = file_call(stream, format, args);
    va_end(args);
    return result;
}

BOUNDS_API int vswscanf_s(const wchar_t *buffer, const wchar_t *format, va_list argList) {
    return with_copy(argList, [&](va_list &args) { return string_call(buffer, format, args); });
}

BOUNDS_API int swscanf_s(const wchar_t *buffer, const wchar_t *format, ...) {
    va_list args;
    va_start(args, format);
    const int result = string_call(buffer, format, args);
    va_end(args);
    return result;
}
