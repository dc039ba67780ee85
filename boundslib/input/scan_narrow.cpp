#include "input/scan_internal.h"

namespace boundslib::input {

int scan_engine(InputStream &stream, const char *, va_list &) {
    input_close(stream);
    return SCAN_EOF;
}

int wscan_engine(InputStream &stream, const wchar_t *, va_list &) {
    input_close(stream);
    return SCAN_EOF;
}

void clear_first_string_destination(const char *, const char *, va_list &) {}
void clear_first_string_destination(const wchar_t *, const wchar_t *, va_list &) {}

}  // namespace boundslib::input
