// The narrow front ends: argument checks, the capacity handed to the engine, and the result.
#include "bounds_checked.h"
#include "output/format_internal.h"

namespace {

constexpr size_t MAX_COUNT = MAX_BUFFER_BYTES - 1;

bool usable(const char *dest, size_t destMax) {
    return dest != nullptr && destMax >= 1 && destMax <= MAX_BUFFER_BYTES;
}

// Null pointers and a bad destMax. Clears a usable destination; true when the call may go on.
bool check_arguments(char *strDest, size_t destMax, const char *format) {
    if (strDest == nullptr || format == nullptr) {
        if (usable(strDest, destMax)) strDest[0] = '\0';
        return false;
    }
    return usable(strDest, destMax);
}

}  // namespace

extern "C" {

BOUNDS_API int vsprintf_s(char *strDest, size_t destMax, const char *format, va_list argList) {
    if (!check_arguments(strDest, destMax, format)) return -1;
    const int result = boundslib::format_bounded(strDest, destMax, format, argList);
    if (result >= 0) return result;
    strDest[0] = '\0';
    return -1;
}

BOUNDS_API int sprintf_s(char *strDest, size_t destMax, const char *format, ...) {
    va_list args;
    va_start(args, format);
    const int result = vsprintf_s(strDest, destMax, format, args);
    va_end(args);
    return result;
}

BOUNDS_API int vsnprintf_truncated_s(char *strDest, size_t destMax, const char *format,
                                     va_list argList) {
    if (!check_arguments(strDest, destMax, format)) return -1;
    const int result = boundslib::format_bounded(strDest, destMax, format, argList);
    if (result >= 0) return result;
    if (result == boundslib::OUTPUT_TRUNCATED) return static_cast<int>(destMax - 1);
    strDest[0] = '\0';
    return -1;
}

BOUNDS_API int snprintf_truncated_s(char *strDest, size_t destMax, const char *format, ...) {
    va_list args;
    va_start(args, format);
    const int result = vsnprintf_truncated_s(strDest, destMax, format, args);
    va_end(args);
    return result;
}

// A count below destMax bounds the output to count characters, and cut output keeps them; a
// larger count leaves destMax as the bound, and output that does not fit is a failure.
BOUNDS_API int vsnprintf_s(char *strDest, size_t destMax, size_t count, const char *format,
                           va_list argList) {
    if (!check_arguments(strDest, destMax, format)) return -1;
    if (count > MAX_COUNT) {
        strDest[0] = '\0';
        return -1;
    }
    const bool countBounds = count < destMax;
    const int result =
        boundslib::format_bounded(strDest, countBounds ? count + 1 : destMax, format, argList);
    if (result >= 0) return result;
    if (!countBounds || result != boundslib::OUTPUT_TRUNCATED) strDest[0] = '\0';
    return -1;
}

BOUNDS_API int snprintf_s(char *strDest, size_t destMax, size_t count, const char *format, ...) {
    va_list args;
    va_start(args, format);
    const int result = vsnprintf_s(strDest, destMax, count, format, args);
    va_end(args);
    return result;
}

}  // extern "C"
