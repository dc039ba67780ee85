#include <cstring>

#include "mem/mem_internal.h"

namespace bounds::mem {

const volatile MemsetFn kKeptMemset = std::memset;

}  // namespace bounds::mem

using namespace bounds::mem;

// destMax 0 with count 0 passes this test on purpose: there is nothing to fill and nothing wrong.
extern "C" BOUNDS_API int memset_s(void *dest, size_t destMax, int c, size_t count) {
    if (dest != nullptr && destMax <= MAX_BUFFER_BYTES && count <= destMax) [[likely]] {
        kept_fill(dest, c, count);
        return 0;
    }
    return classify_memset_failure(dest, destMax, c, count);
}
