// Test scenes for the string functions, shared by the narrow and wide tests: a guarded buffer
// described by a picture ('~' stands for a zero element, 'x' for an element nothing should
// touch), destination and source placed in it or beside it, and the buffer read back as a picture.
#pragma once

#include <gtest/gtest.h>

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "bounds_checked.h"
#include "guarded_buffer.h"

inline constexpr int kNull = -1;          // the pointer is null
inline constexpr int kSeparate = -2;      // the source lives in its own allocation, terminated
inline constexpr int kUnterminated = -3;  // the same without the terminator
// destMax and count placeholders resolved per width: the width's limit and one above it.
inline constexpr std::size_t kLimit = SIZE_MAX - 1;
inline constexpr std::size_t kOverLimit = SIZE_MAX - 2;

template <typename Ch>
std::size_t resolve(std::size_t size) {
    const std::size_t limit = sizeof(Ch) == 1 ? MAX_BUFFER_BYTES : MAX_BUFFER_WCHARS;
    return size == kLimit ? limit : size == kOverLimit ? limit + 1 : size;
}

// Wide elements carry a tag in their upper bytes, so that a clear or a scan that looks at only
// one byte of an element shows. Characters are taken as unsigned bytes, so "\xff" is 0xFF.
template <typename Ch>
constexpr std::uint32_t kWideTag = sizeof(Ch) > 1 ? 0x4A0000 : 0;

// The elements of a picture, with a terminator after them when `terminate` is set.
template <typename Ch>
std::vector<Ch> from_picture(std::string_view picture, bool terminate = false) {
    std::vector<Ch> out;
    for (const char c : picture) {
        out.push_back(c == '~' ? Ch(0) : Ch(kWideTag<Ch> | static_cast<unsigned char>(c)));
    }
    if (terminate) out.push_back(Ch(0));
    return out;
}

template <typename Ch>
std::string to_picture(const Ch *elements, std::size_t size) {
    std::string out;
    for (std::size_t i = 0; i < size; ++i) {
        const auto value = static_cast<std::uint32_t>(elements[i]);
        const bool tagged = (value & ~0xFFu) == kWideTag<Ch>;
        out += value == 0 ? '~' : tagged ? static_cast<char>(value & 0xFF) : '?';
    }
    return out;
}

// Separate sources are allocations of exactly their own size, so an over-read trips
// AddressSanitizer.
template <typename Ch>
struct Scene {
    GuardedBuffer<Ch> buffer;
    std::vector<Ch> source;
    Ch *dest;
    const Ch *src;

    Scene(std::string_view before, int destAt, int srcAt, std::string_view sourceText)
        : buffer(before.size()), source(from_picture<Ch>(sourceText, srcAt != kUnterminated)) {
        const std::vector<Ch> start = from_picture<Ch>(before);
        for (std::size_t i = 0; i < start.size(); ++i) buffer[i] = start[i];
        dest = destAt == kNull ? nullptr : buffer.data() + destAt;
        src = srcAt == kNull ? nullptr : srcAt < 0 ? source.data() : buffer.data() + srcAt;
    }

    std::string picture() const { return to_picture(buffer.data(), buffer.size()); }
};

// One call of a copy or append function: where dest and src sit, the sizes, and what the whole
// buffer must look like afterwards.
struct StringCase {
    const char *name;
    const char *before;
    int destAt;
    int srcAt;
    const char *source;  // used when srcAt is kSeparate or kUnterminated
    std::size_t destMax;
    std::size_t count;
    int expected;
    const char *after;
    const char *afterWide = nullptr;  // where the wide form leaves something else
};

// Runs one case through `call(dest, destMax, src, count)` with elements of type Ch.
template <typename Ch, typename Call>
void run_case(const StringCase &c, const char *function, Call call) {
    Scene<Ch> scene(c.before, c.destAt, c.srcAt, c.source);
    const int code = call(scene.dest, resolve<Ch>(c.destMax), scene.src, resolve<Ch>(c.count));
    const char *after = sizeof(Ch) > 1 && c.afterWide != nullptr ? c.afterWide : c.after;
    EXPECT_EQ(code, c.expected) << function << ": " << c.name;
    EXPECT_EQ(scene.picture(), after) << function << ": " << c.name;
    EXPECT_TRUE(scene.buffer.guards_intact()) << function << ": " << c.name;
}
