// The record of one engine run and the steps every conversion shares: fetching and giving back
// characters with the count kept right, the locale's character classes, the float text.
#pragma once

#include <cctype>
#include <cstdarg>
#include <cstdint>
#include <cstdlib>

#include "bounds_checked.h"
#include "input/input_stream.h"
#include "input/scan_internal.h"
#include "input/scan_tables.h"

#pragma GCC visibility push(hidden)

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
    InputStream &stream;
    va_list &args;
    const unsigned short *classes;  // the locale's class table, indexable by -128..255
    ScanSpec spec;
    int assigned;
    int conversionsDone;
    int error;
    FloatText<Char> floatText;
    Char *frameText;         // FLOAT_TEXT_INITIAL characters in the engine's frame
    uint64_t frameTextUsed;  // how much of it conversions have written, to clear it at the end
    typename Traits::ScanSet scanSet;
};

template <typename Traits>
inline int32_t fetch(ScanRun<Traits> &run) {
    const int32_t ch = Traits::get(run.stream, run.spec.charsRead);
    if (ch == INPUT_END) --run.spec.charsRead;
    run.spec.ch = ch;
    return ch;
}

// Gives back the character last fetched; never end of input.
template <typename Traits>
inline void give_back(ScanRun<Traits> &run) {
    Traits::unget(run.stream, run.spec.ch);
    --run.spec.charsRead;
}

// Byte-valued classes from the locale's table; wider characters belong to none.
inline bool has_class(const unsigned short *classes, int32_t ch, unsigned short mask) {
    return static_cast<uint32_t>(ch) <= 255 && (classes[ch] & mask) != 0;
}

inline bool is_digit(const unsigned short *classes, int32_t ch) {
    return has_class(classes, ch, _ISdigit);
}

// Takes one field width's worth: false once a given width is used up.
inline bool width_left(const ScanSpec &spec) {
    return spec.widthGiven == 0 || spec.width > 0;
}

inline void use_width(ScanSpec &spec) {
    if (spec.widthGiven != 0) --spec.width;
}

}  // namespace boundslib::input

#pragma GCC visibility pop
