// The record of one engine run and the steps every conversion shares: fetching and giving back
// characters with the count kept right, character classes, the float text.
#pragma once

#include <cctype>
#include <cstdarg>
#include <cstdint>
#include <cstdlib>
#include <type_traits>

#include "bounds_checked.h"
#include "input/input_stream.h"
#include "input/scan_internal.h"
#include "input/scan_tables.h"

namespace boundslib::input {

inline constexpr uint64_t FLOAT_TEXT_INITIAL = 350;
inline constexpr uint64_t FLOAT_TEXT_LIMIT = 214748360;

// The digits of a floating field, collected before conversion; after every append length <
// capacity, so the terminator always fits. capacity and length count characters.
template <typename Char>
struct FloatText {
    uint64_t capacity;
    uint64_t length;
    Char *text;
    Char *heapText;
};

// Grows to 2n+1 characters once full; the old storage is cleared, and freed if on the heap.
template <typename Char>
int grow_float_text(FloatText<Char> &floatText) {
    if (floatText.length < floatText.capacity) return 0;
    const uint64_t grownCapacity = 2 * floatText.capacity + 1;
    if (grownCapacity * sizeof(Char) > FLOAT_TEXT_LIMIT) return -1;
    const size_t oldBytes = floatText.capacity * sizeof(Char);
    auto *grown = static_cast<Char *>(std::malloc(grownCapacity * sizeof(Char)));
    if (grown == nullptr) return -1;
    if (memcpy_s(grown, grownCapacity * sizeof(Char), floatText.text, oldBytes) != 0 ||
        memset_s(floatText.text, oldBytes, 0, oldBytes) != 0) {
        std::free(grown);
        return -1;
    }
    std::free(floatText.heapText);
    floatText.text = grown;
    floatText.heapText = grown;
    floatText.capacity = grownCapacity;
    return 0;
}

// What storing one taken character did.
enum class StoreResult { STORED, SKIPPED, TOO_SMALL };

template <typename Traits>
struct ScanRun {
    using Char = typename Traits::Char;
    InputStream *stream;
    va_list *args;
    ScanSpec spec;
    int assigned;
    int conversionsDone;
    int error;
    FloatText<Char> floatText;
    Char *frameText;         // FLOAT_TEXT_INITIAL characters in the engine's frame
    uint64_t frameTextUsed;  // how much of it conversions have written, to clear it at the end
    typename Traits::ScanSet scanSet;
};

// A format character as an unsigned value, whatever the signedness of char and wchar_t.
template <typename Char>
constexpr uint32_t unit(Char c) {
    return static_cast<uint32_t>(static_cast<std::make_unsigned_t<Char>>(c));
}

template <typename Traits>
inline int32_t fetch(ScanRun<Traits> &run) {
    const int32_t ch = Traits::get(*run.stream, run.spec.charsRead);
    if (ch == INPUT_END) --run.spec.charsRead;
    run.spec.ch = ch;
    return ch;
}

// The next target pointer from the argument list; a null one is an argument error that ends
// the run.
template <typename Traits>
inline void *take_target(ScanRun<Traits> &run) {
    void *target = va_arg(*run.args, void *);
    if (target == nullptr) run.error = 1;
    return target;
}

// Gives back the character last fetched; never end of input.
template <typename Traits>
inline void give_back(ScanRun<Traits> &run) {
    Traits::unget(*run.stream, run.spec.ch);
    --run.spec.charsRead;
}

// The characters that end a %s field, whatever the locale.
constexpr bool ends_string(int32_t ch) {
    return ch == ' ' || (ch >= '\t' && ch <= '\r');
}

// The locale's white space. Below 0x80 it is the same six characters in every locale, which
// spares the table lookup on the common path.
inline bool is_byte_space(int32_t ch) {
    if (ch < 0x80) return ends_string(ch);
    return ch <= 0xFF && ((*__ctype_b_loc())[ch] & _ISspace) != 0;
}

// The digit classes hold the same characters in every locale (POSIX fixes them), so they are
// tested by value rather than through the table.
constexpr bool is_decimal_digit(int32_t ch) {
    return static_cast<uint32_t>(ch) - '0' <= 9;
}

constexpr bool is_hex_digit(int32_t ch) {
    return is_decimal_digit(ch) || (static_cast<uint32_t>(ch) | 0x20) - 'a' <= 5;
}

// True while a given width has characters left, or when none was given.
inline bool width_left(const ScanSpec &spec) {
    return spec.widthGiven == 0 || spec.width > 0;
}

inline void use_width(ScanSpec &spec) {
    if (spec.widthGiven != 0) --spec.width;
}

}  // namespace boundslib::input
