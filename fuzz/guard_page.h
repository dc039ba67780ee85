// Memory whose end touches a page that may not be read or written, so an access even one byte
// past the requested size faults at once (ASan alone misses reads that land in another live
// object). Each area is fresh mmap'd memory, released when the holder goes.
#pragma once

#include <sys/mman.h>
#include <unistd.h>

#include <cstddef>
#include <cstdlib>
#include <cstring>

class GuardedArea {
public:
    // bytes usable bytes ending right before the guard page, filled with fill.
    explicit GuardedArea(std::size_t bytes, unsigned char fill = 0x5A) {
        const std::size_t page = static_cast<std::size_t>(sysconf(_SC_PAGESIZE));
        const std::size_t dataPages = (bytes + page - 1) / page;
        length_ = (dataPages + 1) * page;
        void *base =
            mmap(nullptr, length_, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
        if (base == MAP_FAILED) std::abort();
        base_ = static_cast<unsigned char *>(base);
        if (mprotect(base_ + dataPages * page, page, PROT_NONE) != 0) std::abort();
        begin_ = base_ + dataPages * page - bytes;
        std::memset(begin_, fill, bytes);
    }
    // A copy of count elements, ending right before the guard page.
    template <typename T>
    GuardedArea(const T *elements, std::size_t count) : GuardedArea(count * sizeof(T)) {
        if (count != 0) std::memcpy(begin_, elements, count * sizeof(T));
    }
    GuardedArea(const GuardedArea &) = delete;
    GuardedArea &operator=(const GuardedArea &) = delete;
    ~GuardedArea() { munmap(base_, length_); }

    template <typename T = unsigned char>
    T *begin() const {
        return reinterpret_cast<T *>(begin_);
    }

private:
    unsigned char *base_;
    unsigned char *begin_;
    std::size_t length_;
};
