// What really differs between the narrow and the wide engine: which format characters may take
// part in a directive, how text of the other width is converted, the c/C/s/S table and the
// floating renderer. Then the output stage both share.
#pragma once

#include <algorithm>
#include <climits>
#include <cstdint>
#include <cstring>
#include <cwchar>

#include "output/format_internal.h"
#include "output/format_tables.h"
#include "output/format_writer.h"

namespace boundslib::output {

struct NarrowOutput {
    using Char = char;
    static constexpr const TextRules &TEXT_RULES = NARROW_TEXT_RULES;

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
        if (put_copy(buffer, text, static_cast<size_t>(end - text)) < 0) return nullptr;
        return end;
    }

    static int put_narrow(OutputBuffer &buffer, const char *text, int32_t n) {
        return put_copy(buffer, text, static_cast<size_t>(n));
    }

    // Wide characters become their multibyte form; the count is in bytes of output.
    static int put_wide(OutputBuffer &buffer, const wchar_t *text, int32_t n) {
        int written = 0;
        char bytes[MB_LEN_MAX];
        for (int32_t i = 0; i < n; ++i) {
            std::mbstate_t state{};
            const size_t length = std::wcrtomb(bytes, text[i], &state);
            if (length == 0 || length > sizeof bytes) return -1;  // (size_t)-1 included
            if (put_copy(buffer, bytes, length) < 0) return -1;
            written += static_cast<int>(length);
        }
        return written;
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
    static constexpr const TextRules &TEXT_RULES = WIDE_TEXT_RULES;

    // Only ASCII can take part in a directive; anything from 127 up is ordinary text.
    static int class_of(wchar_t c) {
        const auto code = static_cast<uint32_t>(c);
        return code > 126 ? int{CLASS_OTHER} : int{FORMAT_TABLES.classes[code]};
    }
    static const wchar_t *put_text_run(OutputBuffer &buffer, const wchar_t *text) {
        const wchar_t *end = wcschrnul(text, L'%');
        if (put_copy(buffer, text, static_cast<size_t>(end - text)) < 0) return nullptr;
        return end;
    }

    static int put_wide(OutputBuffer &buffer, const wchar_t *text, int32_t n) {
        return put_copy(buffer, text, static_cast<size_t>(n));
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
            if (!put_char(buffer, wc)) return -1;
            ++written;
            i += static_cast<int32_t>(used);
        }
        return written;
    }

    static int render_float(char *scratch, size_t size, const char *directive, double value) {
        return wformat_float(scratch, size, directive, value);
    }
    static int render_float(char *scratch, size_t size, const char *directive, long double value) {
        return wformat_float(scratch, size, directive, value);
    }
};

// The output stage: padding, prefix, zeros, text, trailing padding. Characters written, or -1.
// Text of the engine's own width, or ASCII text (ascii: digits, "(nil)"), takes one character
// per unit of textLength: its whole field is known before anything is written.
template <typename Out>
int emit_field(OutputBuffer &buffer, ConversionSpec &spec, bool ascii) {
    using Char = typename Out::Char;
    const int64_t fill = int64_t{spec.width} - spec.textLength - spec.prefixLength;
    spec.fillCount = fill > 0 ? static_cast<int32_t>(fill) : 0;
    const bool left = (spec.flags & FLAG_LEFT) != 0;
    const bool zero = !left && (spec.flags & FLAG_ZERO) != 0;
    const auto fillCount = static_cast<size_t>(spec.fillCount);
    const bool ownWidth = (spec.textIsWide != 0) == (sizeof(Char) == sizeof(wchar_t));
    if (fillCount == 0 && spec.prefixLength == 0 && ownWidth) {
        return put_copy(buffer, static_cast<const Char *>(spec.text),
                        static_cast<size_t>(spec.textLength));
    }
    if (ascii || ownWidth) {
        const int64_t total = int64_t{spec.fillCount} + spec.prefixLength + spec.textLength;
        if (Char *p = reserve<Char>(buffer, total)) {
            if (!left && !zero) p = store_repeat(p, ' ', fillCount);
            p = store_ascii(p, spec.prefix, static_cast<size_t>(spec.prefixLength));
            if (zero) p = store_repeat(p, '0', fillCount);
            const auto n = static_cast<size_t>(spec.textLength);
            if (ascii || spec.textIsWide == 0) {
                p = store_ascii(p, static_cast<const char *>(spec.text), n);
            } else {
                p = store_copy(p, reinterpret_cast<const Char *>(spec.text), n);
            }
            if (left) store_repeat(p, ' ', fillCount);
            return static_cast<int>(total);
        }
    }
    int count = 0;
    if (!left && !zero && spec.fillCount > 0) {
        if (put_repeat<Char>(buffer, ' ', spec.fillCount) < 0) return -1;
        count += spec.fillCount;
    }
    if (spec.prefixLength > 0) {
        if (put_ascii<Char>(buffer, spec.prefix, spec.prefixLength) < 0) return -1;
        count += spec.prefixLength;
    }
    if (zero && spec.fillCount > 0) {
        if (put_repeat<Char>(buffer, '0', spec.fillCount) < 0) return -1;
        count += spec.fillCount;
    }
    const int written =
        spec.textIsWide != 0
            ? Out::put_wide(buffer, static_cast<const wchar_t *>(spec.text), spec.textLength)
            : Out::put_narrow(buffer, static_cast<const char *>(spec.text), spec.textLength);
    if (written < 0) return -1;
    count += written;
    if (left && spec.fillCount > 0) {
        if (put_repeat<Char>(buffer, ' ', spec.fillCount) < 0) return -1;
        count += spec.fillCount;
    }
    return count;
}

}  // namespace boundslib::output
