// What really differs between the narrow and the wide engine: how a character is stored and
// charged against the room, how text of the other width is converted, which format characters
// may take part in a directive, and the c/C/s/S tables.
#pragma once

#include <algorithm>
#include <climits>
#include <cstdint>
#include <cstring>
#include <cwchar>

#include "output/format_internal.h"
#include "output/format_tables.h"

namespace boundslib {

// Texts up to this length are stored with a few overlapping word moves; longer ones go through
// memcpy and memset.
inline constexpr size_t SHORT_TEXT = 16;

inline void copy_short(char *dest, const char *src, size_t n) {
    if (n >= 8) {
        std::memcpy(dest, src, 8);
        std::memcpy(dest + n - 8, src + n - 8, 8);
    } else if (n >= 4) {
        std::memcpy(dest, src, 4);
        std::memcpy(dest + n - 4, src + n - 4, 4);
    } else if (n > 0) {
        dest[0] = src[0];
        dest[n / 2] = src[n / 2];
        dest[n - 1] = src[n - 1];
    }
}

inline void fill_short(char *dest, char c, size_t n) {
    const uint64_t pattern = 0x0101010101010101u * static_cast<unsigned char>(c);
    if (n >= 8) {
        std::memcpy(dest, &pattern, 8);
        std::memcpy(dest + n - 8, &pattern, 8);
    } else if (n >= 4) {
        std::memcpy(dest, &pattern, 4);
        std::memcpy(dest + n - 4, &pattern, 4);
    } else if (n > 0) {
        dest[0] = c;
        dest[n / 2] = c;
        dest[n - 1] = c;
    }
}

// Stores n bytes, or as many as fit followed by a failure that leaves remaining negative.
inline int put_bytes(OutputBuffer &buffer, const char *text, size_t n) {
    if (n <= static_cast<size_t>(buffer.remaining)) {
        if (n <= SHORT_TEXT) {
            copy_short(buffer.cur, text, n);
        } else {
            std::memcpy(buffer.cur, text, n);
        }
        buffer.cur += n;
        buffer.remaining -= static_cast<int32_t>(n);
        return static_cast<int>(n);
    }
    std::memcpy(buffer.cur, text, static_cast<size_t>(buffer.remaining));
    buffer.cur += buffer.remaining;
    buffer.remaining = -1;
    return -1;
}

struct NarrowOutput {
    using Char = char;
    static constexpr int32_t CHAR_COST = 1;

    static int class_of(char c) { return FORMAT_TABLES.classes[static_cast<unsigned char>(c)]; }

    // Copies the run of ordinary text at text, up to the next '%' or the terminator, and returns
    // its end; nullptr when it did not fit. Short runs, the usual case, are scanned and copied
    // in one pass.
    static const char *put_text_run(OutputBuffer &buffer, const char *text) {
        const size_t room = static_cast<size_t>(buffer.remaining);
        const size_t quick = room < SHORT_TEXT ? room : SHORT_TEXT;
        size_t i = 0;
        for (; i < quick; ++i) {
            const char c = text[i];
            if (c == '\0' || c == '%') break;
            buffer.cur[i] = c;
        }
        if (text[i] == '\0' || text[i] == '%') {
            buffer.cur += i;
            buffer.remaining -= static_cast<int32_t>(i);
            return text + i;
        }
        const char *end = strchrnul(text + i, '%');
        if (put_bytes(buffer, text, static_cast<size_t>(end - text)) < 0) return nullptr;
        return end;
    }

    static bool put_ascii_char(OutputBuffer &buffer, char c) {
        if (--buffer.remaining < 0) return false;
        *buffer.cur++ = c;
        return true;
    }
    static int put_format_text(OutputBuffer &buffer, const char *text, size_t n) {
        return put_bytes(buffer, text, n);
    }
    static int put_ascii(OutputBuffer &buffer, const char *text, int32_t n) {
        return put_bytes(buffer, text, static_cast<size_t>(n));
    }
    static int put_narrow(OutputBuffer &buffer, const char *text, int32_t n) {
        return put_bytes(buffer, text, static_cast<size_t>(n));
    }
    static int put_repeat(OutputBuffer &buffer, char c, int32_t n) {
        if (n <= buffer.remaining) {
            if (static_cast<size_t>(n) <= SHORT_TEXT) {
                fill_short(buffer.cur, c, static_cast<size_t>(n));
            } else {
                std::memset(buffer.cur, c, static_cast<size_t>(n));
            }
            buffer.cur += n;
            buffer.remaining -= n;
            return n;
        }
        std::memset(buffer.cur, c, static_cast<size_t>(buffer.remaining));
        buffer.cur += buffer.remaining;
        buffer.remaining = -1;
        return -1;
    }

    // Wide characters become their multibyte form; the count is in bytes of output.
    static int put_wide(OutputBuffer &buffer, const wchar_t *text, int32_t n) {
        int written = 0;
        char bytes[MB_LEN_MAX];
        for (int32_t i = 0; i < n; ++i) {
            std::mbstate_t state{};
            const size_t length = std::wcrtomb(bytes, text[i], &state);
            if (length == 0 || length > sizeof bytes) return -1;  // (size_t)-1 included
            if (put_bytes(buffer, bytes, length) < 0) return -1;
            written += static_cast<int>(length);
        }
        return written;
    }

    // 'C' and 'S' are wide unless 'h', 'l' or 'w' was given; 'l' and 'w' make any of them wide.
    static bool text_is_wide(char conversion, uint32_t &flags) {
        if ((conversion == 'C' || conversion == 'S') &&
            (flags & (FLAG_SHORT | FLAG_LONG | FLAG_WIDE)) == 0) {
            flags |= FLAG_WIDE;
        }
        return (flags & (FLAG_LONG | FLAG_WIDE)) != 0;
    }

    static int render_float(char *scratch, size_t size, const char *directive, double value) {
        return format_float(scratch, size, directive, value);
    }
    static int render_float(char *scratch, size_t size, const char *directive, long double value) {
        return format_float(scratch, size, directive, value);
    }
};

struct WideOutput {
    using Char = wchar_t;
    static constexpr int32_t CHAR_COST = static_cast<int32_t>(sizeof(wchar_t));

    // Only ASCII can take part in a directive; anything from 127 up is ordinary text.
    static int class_of(wchar_t c) {
        const auto code = static_cast<uint32_t>(c);
        return code > 126 ? int{CLASS_OTHER} : int{FORMAT_TABLES.classes[code]};
    }
    static const wchar_t *put_text_run(OutputBuffer &buffer, const wchar_t *text) {
        const wchar_t *end = wcschrnul(text, L'%');
        if (put_format_text(buffer, text, static_cast<size_t>(end - text)) < 0) return nullptr;
        return end;
    }

    static bool put_wchar(OutputBuffer &buffer, wchar_t c) {
        buffer.remaining -= CHAR_COST;
        if (buffer.remaining < 0) return false;
        std::memcpy(buffer.cur, &c, sizeof c);
        buffer.cur += CHAR_COST;
        return true;
    }
    static bool put_ascii_char(OutputBuffer &buffer, char c) {
        return put_wchar(buffer, static_cast<wchar_t>(c));
    }
    static int put_format_text(OutputBuffer &buffer, const wchar_t *text, size_t n) {
        const auto room = static_cast<size_t>(buffer.remaining / CHAR_COST);
        const size_t fit = n <= room ? n : room;
        std::memcpy(buffer.cur, text, fit * sizeof(wchar_t));
        buffer.cur += fit * sizeof(wchar_t);
        if (fit < n) {
            buffer.remaining = -1;
            return -1;
        }
        buffer.remaining -= static_cast<int32_t>(fit) * CHAR_COST;
        return static_cast<int>(n);
    }
    static int put_wide(OutputBuffer &buffer, const wchar_t *text, int32_t n) {
        if (static_cast<size_t>(n) <= SHORT_TEXT && n * CHAR_COST <= buffer.remaining) {
            for (int32_t i = 0; i < n; ++i) put_wchar(buffer, text[i]);
            return n;
        }
        return put_format_text(buffer, text, static_cast<size_t>(n));
    }
    static int put_ascii(OutputBuffer &buffer, const char *text, int32_t n) {
        for (int32_t i = 0; i < n; ++i) {
            if (!put_wchar(buffer, static_cast<wchar_t>(text[i]))) return -1;
        }
        return n;
    }
    static int put_repeat(OutputBuffer &buffer, char c, int32_t n) {
        for (int32_t i = 0; i < n; ++i) {
            if (!put_wchar(buffer, static_cast<wchar_t>(c))) return -1;
        }
        return n;
    }

    // Narrow text is converted character by character, never reading past its n bytes. ASCII
    // stands for itself in every locale the C library offers; a zero byte, an invalid or a cut
    // sequence is a failure.
    static int put_narrow(OutputBuffer &buffer, const char *text, int32_t n) {
        int written = 0;
        size_t longest = 0;
        int32_t i = 0;
        while (i < n) {
            const auto byte = static_cast<unsigned char>(text[i]);
            wchar_t wc = byte;
            size_t used = 1;
            if (byte - 1u >= 0x7Fu) {
                if (longest == 0) longest = MB_CUR_MAX;
                const size_t look = std::min(longest, static_cast<size_t>(n - i));
                std::mbstate_t state{};
                used = std::mbrtowc(&wc, text + i, look, &state);
                if (used == 0 || used > look) return -1;
            }
            if (!put_wchar(buffer, wc)) return -1;
            ++written;
            i += static_cast<int32_t>(used);
        }
        return written;
    }

    // 'h' makes any of them narrow; otherwise 'c' is wide, 'C' wide under 'l' or 'w', and strings
    // wide under 'l' only.
    static bool text_is_wide(char conversion, uint32_t &flags) {
        if ((flags & FLAG_SHORT) != 0) return false;
        if (conversion == 'c') return true;
        if (conversion == 'C') return (flags & (FLAG_LONG | FLAG_WIDE)) != 0;
        return (flags & FLAG_LONG) != 0;
    }

    static int render_float(char *scratch, size_t size, const char *directive, double value) {
        return wformat_float(scratch, size, directive, value);
    }
    static int render_float(char *scratch, size_t size, const char *directive, long double value) {
        return wformat_float(scratch, size, directive, value);
    }
};

}  // namespace boundslib
