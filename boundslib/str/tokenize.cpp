// strtok_s and wcstok_s: split a string in place. The whole state is the caller's context cell,
// which points at the first element not yet examined (or at the terminator).
#include "bounds_checked.h"

namespace boundslib::str {
namespace {

// Characters are compared for equality only, so signedness of char plays no part. An empty set
// matches nothing.
template <typename Ch>
bool is_delimiter(Ch c, const Ch *delim) {
    for (; *delim != Ch(0); ++delim) {
        if (*delim == c) return true;
    }
    return false;
}

template <typename Ch>
Ch *next_token(Ch *str, const Ch *delim, Ch **context) {
    if (context == nullptr || delim == nullptr) return nullptr;
    Ch *cursor = str != nullptr ? str : *context;
    if (cursor == nullptr) return nullptr;

    while (*cursor != Ch(0) && is_delimiter(*cursor, delim)) ++cursor;
    if (*cursor == Ch(0)) {
        *context = cursor;
        return nullptr;
    }
    Ch *const token = cursor;
    while (*cursor != Ch(0) && !is_delimiter(*cursor, delim)) ++cursor;
    if (*cursor != Ch(0)) {
        *cursor = Ch(0);
        *context = cursor + 1;
    } else {
        *context = cursor;
    }
    return token;
}

}  // namespace
}  // namespace boundslib::str

BOUNDS_API char *strtok_s(char *str, const char *delim, char **context) {
    return boundslib::str::next_token(str, delim, context);
}

BOUNDS_API wchar_t *wcstok_s(wchar_t *str, const wchar_t *delim, wchar_t **context) {
    return boundslib::str::next_token(str, delim, context);
}
