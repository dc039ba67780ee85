// The narrow front ends.
#include "input/scan_front.h"

using namespace boundslib::input;

BOUNDS_API int vscanf_s(const char *format, va_list argList) {
    return with_copy(argList, [&](va_list &args) { return stdin_call(format, args); });
}

BOUNDS_API int scanf_s(const char *format, ...) {
    va_list args;
    va_start(args, format);
    const int result = stdin_call(format, args);
    va_end(args);
    return result;
}

BOUNDS_API int vfscanf_s(FILE *stream, const char *format, va_list argList) {
    return with_copy(argList, [&](va_list &args) { return file_call(stream, format, args); });
}

BOUNDS_API int fscanf_s(FILE *stream, const char *format, ...) {
    va_list args;
    va_start(args, format);
    const int result = file_call(stream, format, args);
    va_end(args);
    return result;
}

BOUNDS_API int vsscanf_s(const char *buffer, const char *format, va_list argList) {
    return with_copy(argList, [&](va_list &args) { return string_call(buffer, format, args); });
}

BOUNDS_API int sscanf_s(const char *buffer, const char *format, ...) {
    va_list args;
    va_start(args, format);
    const int result = string_call(buffer, format, args);
    va_end(args);
    return result;
}
