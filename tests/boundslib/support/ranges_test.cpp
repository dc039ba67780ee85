// The apart test against a plain model in wide arithmetic, over addresses near both ends of the
// address space, where a sum would wrap, and every distance around the length.
#include <gtest/gtest.h>

#include <cstdint>

#include "support/ranges.h"

namespace {

// Apart when the circular distance, the shorter way round, is at least n.
bool model_apart(std::uintptr_t d, std::uintptr_t s, std::size_t n) {
    const std::uintptr_t forward = d - s, backward = s - d;
    const std::uintptr_t distance = forward < backward ? forward : backward;
    return distance >= n;
}

TEST(RangesApart, AgreeWithTheModel) {
    const std::uintptr_t top = UINTPTR_MAX;
    const std::uintptr_t bases[] = {1, 4096, top / 2, top - 300, top - 1};
    const std::size_t lengths[] = {1, 2, 7, 64, 255, SIZE_MAX / 4, SIZE_MAX / 2};
    for (const std::uintptr_t base : bases) {
        for (const std::size_t n : lengths) {
            for (const std::uintptr_t delta :
                 {std::uintptr_t(n) - 1, std::uintptr_t(n), std::uintptr_t(n) + 1,
                  std::uintptr_t(0), std::uintptr_t(1), std::uintptr_t(100)}) {
                for (const std::uintptr_t s : {base + delta, base - delta}) {
                    const auto *dp = reinterpret_cast<const void *>(base);
                    const auto *sp = reinterpret_cast<const void *>(s);
                    ASSERT_EQ(boundslib::support::ranges_apart(dp, sp, n), model_apart(base, s, n))
                        << "dest " << base << " src " << s << " n " << n;
                }
            }
        }
    }
}

}  // namespace
