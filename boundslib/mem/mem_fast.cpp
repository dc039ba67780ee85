#include <cstring>

#include "mem/inline_moves.h"
#include "mem/mem_internal.h"

using namespace bounds::mem;

namespace {

// Short copies skip the C library call; the destMax limit is the caller's choice.
inline int copy_fast(void *dest, size_t destMax, const void *src, size_t count, size_t limit) {
    if (copy_args_usable(dest, destMax, src, count) && destMax <= limit) [[likely]] {
        if (count <= kInlineCopyMax) return copy_inline(dest, src, count);
        std::memcpy(dest, src, count);
        return 0;
    }
    return classify_memcpy_failure(dest, destMax, src, count);
}

inline int fill_fast(void *dest, size_t destMax, int c, size_t count, size_t limit) {
    if (dest != nullptr && destMax <= limit && count <= destMax) [[likely]] {
        if (count == 0) return 0;
        if (count <= kInlineFillMax) return fill_inline(dest, c, count);
        kept_fill(dest, c, count);
        return 0;
    }
    return classify_memset_failure(dest, destMax, c, count);
}

constexpr size_t kNoLimit = SIZE_MAX;

}  // namespace

extern "C" BOUNDS_API int memcpy_s_fast(void *dest, size_t destMax, const void *src, size_t count) {
    return copy_fast(dest, destMax, src, count, MAX_BUFFER_BYTES);
}

extern "C" BOUNDS_API int memcpy_s_fast_nolimit(void *dest, size_t destMax, const void *src,
                                                size_t count) {
    return copy_fast(dest, destMax, src, count, kNoLimit);
}

extern "C" BOUNDS_API int memset_s_fast(void *dest, size_t destMax, int c, size_t count) {
    return fill_fast(dest, destMax, c, count, MAX_BUFFER_BYTES);
}

extern "C" BOUNDS_API int memset_s_fast_nolimit(void *dest, size_t destMax, int c, size_t count) {
    return fill_fast(dest, destMax, c, count, kNoLimit);
}
