// The wide front ends: vsprintf_s over wide characters, limited to MAX_BUFFER_WCHARS.
#include "bounds_checked.h"
#include "output/format_internal.h"

extern "C" {

BOUNDS_API int vswprintf_s(wchar_t *strDest, size_t destMax, const wchar_t *format,
                           va_list argList) {
    const bool usable = strDest != nullptr && destMax >= 1 && destMax <= MAX_BUFFER_WCHARS;
    if (strDest == nullptr || format == nullptr) {
        if (usable) strDest[0] = L'\0';
        return -1;
    }
    if (!usable) return -1;
    const int result = boundslib::wformat_bounded(strDest, destMax, format, argList);
    if (result >= 0) return result;
    strDest[0] = L'\0';
    return -1;
}

BOUNDS_API int swprintf_s(wchar_t *strDest, size_t destMax, const wchar_t *format, ...) {
    va_list args;
    va_start(args, format);
    const int result = vswprintf_s(strDest, destMax, format, args);
    va_end(args);
    return result;
}

}  // extern "C"
