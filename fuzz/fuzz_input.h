// Reads a fuzzer's bytes as a stream of choices: numbers, flags and byte strings taken from the
// front. An exhausted input reads as zeros and empty strings, so every input decodes to a call.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>

struct FuzzInput {
    const std::uint8_t *data;
    std::size_t size;

    template <typename T>
    T take() {
        T value{};
        const std::size_t n = size < sizeof(T) ? size : sizeof(T);
        if (n > 0) std::memcpy(&value, data, n);
        data += n;
        size -= n;
        return value;
    }

    bool take_bool() { return (take<std::uint8_t>() & 1) != 0; }

    // A number in [0, bound]; bound 0 reads nothing.
    std::size_t take_below_or_equal(std::size_t bound) {
        if (bound == 0) return 0;
        const std::size_t raw = bound < 0x100 ? take<std::uint8_t>() : take<std::uint32_t>();
        return raw % (bound + 1);
    }

    // Up to maxLength bytes, ending at the first newline (which is consumed), so a corpus entry can
    // hold several strings one a line.
    std::string take_line(std::size_t maxLength) {
        std::string text;
        while (size > 0 && text.size() < maxLength) {
            const char c = static_cast<char>(*data++);
            --size;
            if (c == '\n') break;
            text.push_back(c);
        }
        return text;
    }

    std::string take_rest() {
        std::string text(reinterpret_cast<const char *>(data), size);
        data += size;
        size = 0;
        return text;
    }
};
