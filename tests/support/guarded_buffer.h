// A destination between canary elements: a write of even one element before or after the
// usable area shows up as a changed canary.
#pragma once

#include <cstddef>
#include <cstring>
#include <vector>

template <typename T>
class GuardedBuffer {
public:
    static constexpr std::size_t kGuard = 16;

    // size usable elements, all set to fill; the guards hold a pattern no test writes.
    explicit GuardedBuffer(std::size_t size, T fill = T(0x5A))
        : storage_(size + 2 * kGuard), size_(size) {
        std::memset(static_cast<void *>(storage_.data()), 0xA5, storage_.size() * sizeof(T));
        for (std::size_t i = 0; i < size; ++i) data()[i] = fill;
    }

    T *data() { return storage_.data() + kGuard; }
    const T *data() const { return storage_.data() + kGuard; }
    std::size_t size() const { return size_; }
    T &operator[](std::size_t i) { return data()[i]; }

    // True while no element outside [data(), data() + size()) has changed.
    bool guards_intact() const {
        const auto *bytes = reinterpret_cast<const unsigned char *>(storage_.data());
        const std::size_t guardBytes = kGuard * sizeof(T);
        const std::size_t tailStart = (kGuard + size_) * sizeof(T);
        for (std::size_t i = 0; i < guardBytes; ++i) {
            if (bytes[i] != 0xA5 || bytes[tailStart + i] != 0xA5) return false;
        }
        return true;
    }

private:
    std::vector<T> storage_;
    std::size_t size_;
};
