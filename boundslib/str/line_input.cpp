// gets_s: one line from standard input, without its line end.
#include <cstdio>
#include <cstring>

#include "bounds_checked.h"
#include "str/string_core.h"

BOUNDS_API char *gets_s(char *buffer, size_t destMax) {
    if (buffer == nullptr || !boundslib::support::dest_max_in_range(destMax, MAX_BUFFER_BYTES))
        return nullptr;
    // destMax fits in an int here; fgets stores at most destMax - 1 characters and a terminator.
    if (std::fgets(buffer, static_cast<int>(destMax), stdin) == nullptr) return nullptr;
    // A line may end in any mix of CR and LF; a cut line has none and keeps all it read.
    std::size_t len = std::strlen(buffer);
    while (len > 0 && (buffer[len - 1] == '\n' || buffer[len - 1] == '\r')) buffer[--len] = '\0';
    return buffer;
}
