// Calls a scanning function with each target's pointer, and with an unsigned size right after the
// pointer of a sized target (%c %s %[), the way the _s forms take them.
#pragma once

#include <cstddef>

template <std::size_t MAX, std::size_t DEPTH = 0, typename Scan, typename Targets, typename Pointer,
          typename... Args>
int call_with_targets(Scan scan, const Targets &targets, Pointer pointer, Args... args) {
    if constexpr (DEPTH < MAX) {
        if (DEPTH < targets.size()) {
            void *p = pointer(DEPTH);
            if (targets[DEPTH].sized) {
                return call_with_targets<MAX, DEPTH + 1>(scan, targets, pointer, args..., p,
                                                         targets[DEPTH].count);
            }
            return call_with_targets<MAX, DEPTH + 1>(scan, targets, pointer, args..., p);
        }
    }
    return scan(args...);
}
