// The per-call input source of formatted input: a caller's string, a stream read ahead in blocks,
// or standard input read one character at a time. Strings and filled blocks are read inline; only
// refills and character-by-character streams leave the fast path.
#pragma once

#include <cstdint>
#include <cstdio>
#include <cstring>

namespace boundslib::input {

enum : uint32_t {
    SOURCE_STRING = 1,
    SOURCE_FILE = 2,
    SOURCE_STDIN = 4,
    SOURCE_BUFFERED = 8,
};

// Up to 3 (narrow) or 2 (wide) byte-order-mark bytes, one read, and a terminating zero; a wide
// refill also keeps up to 3 bytes of a character cut at the block's end.
inline constexpr size_t FILE_READ_CHUNK = 1024;
inline constexpr size_t FILE_BUFFER_BYTES = 1028;
inline constexpr size_t WFILE_BUFFER_BYTES = 1030;
static_assert(FILE_BUFFER_BYTES >= 3 + FILE_READ_CHUNK + 1);
static_assert(WFILE_BUFFER_BYTES >= 3 + FILE_READ_CHUNK + 1);

inline constexpr int INPUT_END = -1;

struct InputStream {
    uint32_t flags;
    unsigned char *buffer;
    const unsigned char *cursor;
    uint64_t available;
    FILE *file;
    uint64_t delivered;
    int64_t startPosition;
};

inline InputStream string_source(const void *text, uint64_t bytes) {
    return {SOURCE_STRING, nullptr, static_cast<const unsigned char *>(text), bytes, nullptr, 0, 0};
}

inline InputStream file_source(FILE *file) {
    return {SOURCE_FILE, nullptr, nullptr, 0, file, 0, 0};
}

inline InputStream stdin_source(FILE *file) {
    return {SOURCE_STDIN, nullptr, nullptr, 0, file, 0, 0};
}

// Refills, the fallback to stdin-like reading and stdin itself.
int input_getc_slow(InputStream &stream);
int32_t input_getwc_slow(InputStream &stream);
void input_ungetc_slow(InputStream &stream, int c);
void input_ungetwc_slow(InputStream &stream, int32_t c);
void input_close_file(InputStream &stream);

// Only a file source with a buffer has anything to do at the end of a call.
inline void input_close(InputStream &stream) {
    if ((stream.flags & SOURCE_FILE) != 0 && stream.buffer != nullptr) input_close_file(stream);
}

// The counter counts every get, end of input included; the engine takes back what it returns.
inline int input_getc(InputStream &stream, uint32_t &counter) {
    ++counter;
    if ((stream.flags & (SOURCE_STRING | SOURCE_FILE)) != 0 && stream.available != 0) {
        --stream.available;
        stream.delivered += (stream.flags & SOURCE_FILE) >> 1;
        return *stream.cursor++;
    }
    if ((stream.flags & SOURCE_STRING) != 0) return INPUT_END;
    return input_getc_slow(stream);
}

inline void input_ungetc(InputStream &stream, int c) {
    if ((stream.flags & SOURCE_STRING) != 0) {
        --stream.cursor;
        ++stream.available;
        return;
    }
    input_ungetc_slow(stream, c);
}

// A wide character is 4 bytes in the machine's order, whatever the source.
inline int32_t input_getwc(InputStream &stream, uint32_t &counter) {
    ++counter;
    if ((stream.flags & SOURCE_STRING) != 0) {
        if (stream.available <= 3) return INPUT_END;
        int32_t value;
        std::memcpy(&value, stream.cursor, sizeof value);
        stream.cursor += 4;
        stream.available -= 4;
        return value;
    }
    return input_getwc_slow(stream);
}

inline void input_ungetwc(InputStream &stream, int32_t c) {
    if ((stream.flags & SOURCE_STRING) != 0) {
        stream.cursor -= 4;
        stream.available += 4;
        return;
    }
    input_ungetwc_slow(stream, c);
}

}  // namespace boundslib::input
