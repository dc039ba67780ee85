#include <cstring>

#include "mem/mem_internal.h"

namespace boundslib::mem {

const volatile MemsetFn KEPT_MEMSET = std::memset;

}  // namespace boundslib::mem

using namespace boundslib::mem;

// destMax 0 with count 0 passes this test on purpose: there is nothing to fill and nothing wrong.
BOUNDS_API int memset_s(void *dest, size_t destMax, int c, size_t count) {
    if (dest != nullptr && destMax <= MAX_BUFFER_BYTES && count <= destMax) [[likely]] {
        kept_fill(dest, c, count);
        return 0;
    }
    return classify_memset_failure(dest, destMax, c, count);
}
