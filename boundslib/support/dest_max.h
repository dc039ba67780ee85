// The destMax rule all families share: a destination holds 1 to limit elements.
#pragma once

#include <cstddef>

namespace boundslib::support {

// 0 and values above the limit fail together: 0 - 1 wraps to the largest size_t.
constexpr bool dest_max_in_range(std::size_t destMax, std::size_t limit) {
    return destMax - 1 <= limit - 1;
}

}  // namespace boundslib::support
