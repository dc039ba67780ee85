// The wide engine: its entry, its core and its own floating renderer.
#include <cstdio>

#include "output/format_engine.h"
#include "output/format_output.h"

namespace boundslib {

int wformat_engine(OutputBuffer &buffer, const wchar_t *format, va_list &args) {
    return run_engine<WideOutput>(buffer, format, args);
}

int wformat_bounded(wchar_t *dest, size_t capacity, const wchar_t *format, va_list args) {
    va_list copy;
    va_copy(copy, args);
    const int result = run_bounded<WideOutput>(dest, capacity, format, copy);
    va_end(copy);
    return result;
}

int wformat_bounded_in_place(wchar_t *dest, size_t capacity, const wchar_t *format, va_list &args) {
    return run_bounded<WideOutput>(dest, capacity, format, args);
}

// Renders narrow text; the engine converts it to wide characters on output.
int wformat_float(char *scratch, size_t size, const char *directive, ...) {
    va_list args;
    va_start(args, directive);
    const int result = std::vsnprintf(scratch, size, directive, args);
    va_end(args);
    return result;
}

}  // namespace boundslib
