// The wide front ends: vsprintf_s over wide characters, limited to MAX_BUFFER_WCHARS. As in the
// narrow ones, the variadic form lets the engine read its own list in place.
#include "bounds_checked.h"
#include "output/format_internal.h"
#include "support/dest_max.h"

namespace {

template <typename Entry>
int print_wide(wchar_t *strDest, size_t destMax, const wchar_t *format, Entry entry) {
    const bool usable =
        strDest != nullptr && boundslib::support::dest_max_in_range(destMax, MAX_BUFFER_WCHARS);
    if (strDest == nullptr || format == nullptr) {
        if (usable) strDest[0] = L'\0';
        return -1;
    }
    if (!usable) return -1;
    const int result = entry(strDest, destMax);
    if (result >= 0) return result;
    strDest[0] = L'\0';
    return -1;
}

}  // namespace

BOUNDS_API int vswprintf_s(wchar_t *strDest, size_t destMax, const wchar_t *format,
                           va_list argList) {
    return print_wide(strDest, destMax, format, [&](wchar_t *dest, size_t capacity) {
        return boundslib::output::wformat_bounded(dest, capacity, format, argList);
    });
}

BOUNDS_API int swprintf_s(wchar_t *strDest, size_t destMax, const wchar_t *format, ...) {
    va_list args;
    va_start(args, format);
    const int result = print_wide(strDest, destMax, format, [&](wchar_t *dest, size_t capacity) {
        return boundslib::output::wformat_bounded_in_place(dest, capacity, format, args);
    });
    va_end(args);
    return result;
}

