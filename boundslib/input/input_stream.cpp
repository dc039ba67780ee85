// File and standard-input sources: block read-ahead with the byte-order-mark rule, and the
// seek-back that leaves unconsumed read-ahead in the file for the next reader.
#include <cstdlib>
#include <cwchar>

#include "input/input_stream.h"

namespace boundslib::input {

namespace {

// The first fill of a file source. False when reading goes on character by character (ftell
// failed: the flags say so) or the buffer could not be had (the get reports end of input).
bool open_buffer(InputStream &stream, size_t bufferBytes) {
    stream.startPosition = std::ftell(stream.file);
    if (stream.startPosition == -1) {
        stream.flags = SOURCE_STDIN;
        return false;
    }
    stream.buffer = static_cast<unsigned char *>(std::malloc(bufferBytes));
    return stream.buffer != nullptr;
}

// A mark counts only at the very beginning of the file, and as consumed once dropped.
size_t read_mark(InputStream &stream, const unsigned char *mark, size_t markBytes) {
    if (stream.startPosition != 0) return 0;
    const size_t kept = std::fread(stream.buffer, 1, markBytes, stream.file);
    if (kept == markBytes && std::memcmp(stream.buffer, mark, markBytes) == 0) {
        stream.startPosition += static_cast<int64_t>(markBytes);
        return 0;
    }
    return kept;
}

bool is_wide_mark(const unsigned char *bytes) {
    return (bytes[0] == 0xFF && bytes[1] == 0xFE) || (bytes[0] == 0xFE && bytes[1] == 0xFF);
}

void read_block(InputStream &stream, size_t kept) {
    size_t got = std::fread(stream.buffer + kept, 1, FILE_READ_CHUNK, stream.file);
    if (got > FILE_READ_CHUNK) got = 0;
    stream.available = kept + got;
    stream.cursor = stream.buffer;
    stream.flags |= SOURCE_BUFFERED;
    stream.buffer[stream.available] = 0;
}

}  // namespace

int input_getc_slow(InputStream &stream) {
    if ((stream.flags & SOURCE_FILE) != 0) {
        if (stream.buffer == nullptr) {
            if (!open_buffer(stream, FILE_BUFFER_BYTES)) {
                return stream.flags == SOURCE_STDIN ? std::fgetc(stream.file) : INPUT_END;
            }
            static constexpr unsigned char UTF8_MARK[3] = {0xEF, 0xBB, 0xBF};
            read_block(stream, read_mark(stream, UTF8_MARK, 3));
        } else {
            read_block(stream, 0);
        }
        if (stream.available == 0) return INPUT_END;
        --stream.available;
        ++stream.delivered;
        return *stream.cursor++;
    }
    if ((stream.flags & SOURCE_STDIN) != 0) return std::fgetc(stream.file);
    return INPUT_END;
}

void input_ungetc_slow(InputStream &stream, int c) {
    if ((stream.flags & SOURCE_BUFFERED) != 0) {
        if (stream.cursor > stream.buffer) {
            --stream.cursor;
            ++stream.available;
        }
        if (stream.delivered != 0) --stream.delivered;
    } else if ((stream.flags & SOURCE_STDIN) != 0) {
        std::ungetc(c, stream.file);
    }
}

int32_t input_getwc_slow(InputStream &stream) {
    if ((stream.flags & SOURCE_FILE) != 0) {
        if (stream.available <= 3) {
            if (stream.buffer == nullptr) {
                if (!open_buffer(stream, WFILE_BUFFER_BYTES)) {
                    if (stream.flags != SOURCE_STDIN) return INPUT_END;
                    return static_cast<int32_t>(std::fgetwc(stream.file));
                }
                size_t kept = 0;
                if (stream.startPosition == 0) {
                    kept = std::fread(stream.buffer, 1, 2, stream.file);
                    if (kept == 2 && is_wide_mark(stream.buffer)) {
                        kept = 0;
                        stream.startPosition += 2;
                    }
                }
                read_block(stream, kept);
            } else {
                // The start of a character cut at the block's end moves to the front.
                const size_t kept = stream.available;
                std::memmove(stream.buffer, stream.cursor, kept);
                read_block(stream, kept);
            }
            if (stream.available <= 3) return INPUT_END;
        }
        int32_t value;
        std::memcpy(&value, stream.cursor, sizeof value);
        stream.cursor += 4;
        stream.available -= 4;
        if (value != -1) stream.delivered += 4;
        return value;
    }
    if ((stream.flags & SOURCE_STDIN) != 0) return static_cast<int32_t>(std::fgetwc(stream.file));
    return INPUT_END;
}

void input_ungetwc_slow(InputStream &stream, int32_t c) {
    if ((stream.flags & SOURCE_BUFFERED) != 0) {
        if (stream.cursor > stream.buffer) {
            stream.cursor -= 4;
            stream.available += 4;
        }
        if (stream.delivered != 0) stream.delivered -= 4;
    } else if ((stream.flags & SOURCE_STDIN) != 0) {
        std::ungetwc(static_cast<wint_t>(c), stream.file);
    }
}

void input_close_file(InputStream &stream) {
    if (stream.available == 0 && std::feof(stream.file)) {
        // Everything up to the end was consumed: the file stays at its end.
        stream.buffer[0] = 0;
    } else if (std::fseek(stream.file, static_cast<long>(stream.startPosition), SEEK_SET) != 0 ||
               (stream.delivered != 0 &&
                std::fseek(stream.file, static_cast<long>(stream.delivered), SEEK_CUR) != 0)) {
        // A stream that cannot be put back is left where it is.
        stream.startPosition = 0;
    }
    std::free(stream.buffer);
    stream.buffer = nullptr;
}

}  // namespace boundslib::input
