// The wide engine: its entry, its core and its own floating renderer, which renders narrow text
// that the engine converts to wide characters on output.
#include <cstdio>

#include "output/format_engine.h"
#include "output/format_output.h"

namespace boundslib::output {

int wformat_engine(OutputBuffer &buffer, const wchar_t *format, va_list &args) {
    return run_engine<WideOutput>(buffer, format, args);
}

int wformat_bounded(wchar_t *dest, size_t capacity, const wchar_t *format, va_list args) {
    return run_bounded_copy<WideOutput>(dest, capacity, format, args);
}

int wformat_bounded_in_place(wchar_t *dest, size_t capacity, const wchar_t *format, va_list &args) {
    return run_bounded<WideOutput>(dest, capacity, format, args);
}

int wformat_float(char *scratch, size_t size, const char *directive, ...) {
    va_list args;
    va_start(args, directive);
    const int result = std::vsnprintf(scratch, size, directive, args);
    va_end(args);
    return result;
}

}  // namespace boundslib::output
