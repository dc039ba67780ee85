// The narrow engine: its entry, its core and its floating renderer.
#include <cstdio>

#include "output/format_engine.h"
#include "output/format_output.h"

namespace boundslib::output {

int format_engine(OutputBuffer &buffer, const char *format, va_list &args) {
    return run_engine<NarrowOutput>(buffer, format, args);
}

int format_bounded(char *dest, size_t capacity, const char *format, va_list args) {
    return run_bounded_copy<NarrowOutput>(dest, capacity, format, args);
}

int format_bounded_in_place(char *dest, size_t capacity, const char *format, va_list &args) {
    return run_bounded<NarrowOutput>(dest, capacity, format, args);
}

// Bounded by size: a rendering that does not fit is cut, and its result shows it.
int format_float(char *scratch, size_t size, const char *directive, ...) {
    va_list args;
    va_start(args, directive);
    const int result = std::vsnprintf(scratch, size, directive, args);
    va_end(args);
    return result;
}

}  // namespace boundslib::output
