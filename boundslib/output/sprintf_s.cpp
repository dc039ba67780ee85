// The narrow front ends: argument checks, the capacity handed to the engine, and the result.
// The variadic forms own their argument list and let the engine read it in place; the list
// forms hand it a copy, so that the caller's list is not advanced. Both behave alike.
#include "bounds_checked.h"
#include "output/format_internal.h"
#include "support/dest_max.h"

namespace {

using boundslib::output::format_bounded;
using boundslib::output::format_bounded_in_place;
using boundslib::output::OUTPUT_TRUNCATED;

constexpr size_t MAX_COUNT = MAX_BUFFER_BYTES - 1;

bool usable(const char *dest, size_t destMax) {
    return dest != nullptr && boundslib::support::dest_max_in_range(destMax, MAX_BUFFER_BYTES);
}

// Null pointers and a bad destMax. Clears a usable destination; true when the call may go on.
bool check_arguments(char *strDest, size_t destMax, const char *format) {
    if (strDest == nullptr || format == nullptr) {
        if (usable(strDest, destMax)) strDest[0] = '\0';
        return false;
    }
    return usable(strDest, destMax);
}

// Entry is called with the destination and the capacity to give the engine.
template <typename Entry>
int print_whole(char *strDest, size_t destMax, const char *format, Entry entry) {
    if (!check_arguments(strDest, destMax, format)) return -1;
    const int result = entry(strDest, destMax);
    if (result >= 0) return result;
    strDest[0] = '\0';
    return -1;
}

template <typename Entry>
int print_truncated(char *strDest, size_t destMax, const char *format, Entry entry) {
    if (!check_arguments(strDest, destMax, format)) return -1;
    const int result = entry(strDest, destMax);
    if (result >= 0) return result;
    if (result == OUTPUT_TRUNCATED) return static_cast<int>(destMax - 1);
    strDest[0] = '\0';
    return -1;
}

// A count below destMax bounds the output to count characters, and cut output keeps them; a
// larger count leaves destMax as the bound, and output that does not fit is a failure.
template <typename Entry>
int print_counted(char *strDest, size_t destMax, size_t count, const char *format, Entry entry) {
    if (!check_arguments(strDest, destMax, format)) return -1;
    if (count > MAX_COUNT) {
        strDest[0] = '\0';
        return -1;
    }
    const bool countBounds = count < destMax;
    const int result = entry(strDest, countBounds ? count + 1 : destMax);
    if (result >= 0) return result;
    if (!countBounds || result != OUTPUT_TRUNCATED) strDest[0] = '\0';
    return -1;
}

}  // namespace

BOUNDS_API int vsprintf_s(char *strDest, size_t destMax, const char *format, va_list argList) {
    return print_whole(strDest, destMax, format, [&](char *dest, size_t capacity) {
        return format_bounded(dest, capacity, format, argList);
    });
}

BOUNDS_API int sprintf_s(char *strDest, size_t destMax, const char *format, ...) {
    va_list args;
    va_start(args, format);
    const int result = print_whole(strDest, destMax, format, [&](char *dest, size_t capacity) {
        return format_bounded_in_place(dest, capacity, format, args);
    });
    va_end(args);
    return result;
}

BOUNDS_API int vsnprintf_truncated_s(char *strDest, size_t destMax, const char *format,
                                     va_list argList) {
    return print_truncated(strDest, destMax, format, [&](char *dest, size_t capacity) {
        return format_bounded(dest, capacity, format, argList);
    });
}

BOUNDS_API int snprintf_truncated_s(char *strDest, size_t destMax, const char *format, ...) {
    va_list args;
    va_start(args, format);
    const int result = print_truncated(strDest, destMax, format, [&](char *dest, size_t capacity) {
        return format_bounded_in_place(dest, capacity, format, args);
    });
    va_end(args);
    return result;
}

BOUNDS_API int vsnprintf_s(char *strDest, size_t destMax, size_t count, const char *format,
                           va_list argList) {
    return print_counted(strDest, destMax, count, format, [&](char *dest, size_t capacity) {
        return format_bounded(dest, capacity, format, argList);
    });
}

BOUNDS_API int snprintf_s(char *strDest, size_t destMax, size_t count, const char *format, ...) {
    va_list args;
    va_start(args, format);
    const int result =
        print_counted(strDest, destMax, count, format, [&](char *dest, size_t capacity) {
            return format_bounded_in_place(dest, capacity, format, args);
        });
    va_end(args);
    return result;
}

