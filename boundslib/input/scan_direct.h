// Fields of a narrow string source read in place: the same steps as the character-by-character
// loops, with the cursor in a register and the source's record updated once per field.
#pragma once

#include <cstring>

#include "input/scan_run.h"
#include "support/short_moves.h"

namespace boundslib::input {

// A terminator at start: the end of a field, or the empty string a stop leaves behind.
template <typename Traits>
void store_terminator(ScanRun<Traits> &run, void *start) {
    if (run.spec.charWidth == 1) {
        *static_cast<wchar_t *>(start) = 0;
    } else {
        *static_cast<char *>(start) = 0;
    }
}

// The end of a %c, %s or %[ field that was not suppressed: false (a stop) when nothing was
// stored; otherwise counted and, but for %c, terminated.
template <typename Traits>
bool finish_text(ScanRun<Traits> &run, uint64_t stored) {
    ScanSpec &spec = run.spec;
    if (stored == 0) return false;
    ++run.conversionsDone;
    ++run.assigned;
    if (spec.conversion != 'c') store_terminator(run, spec.dest);
    return true;
}

// Fields are mostly short: those are copied inline, which costs less than the library call.
inline void copy_field(void *dest, const unsigned char *src, uint64_t length) {
    if (length <= support::SHORT_COPY_MAX) {
        support::copy_short(dest, src, length);
    } else {
        std::memcpy(dest, src, length);
    }
}

inline void consume(InputStream &stream, ScanSpec &spec, uint64_t count) {
    stream.cursor += count;
    stream.available -= count;
    spec.charsRead += static_cast<uint32_t>(count);
}

// ch ends as the loop would leave it: the character that ended the digits (given back), the last
// digit when the width ran out, or end of input.
template <int ENTRY, typename Traits, typename IsDigit>
void direct_digit_loop(ScanRun<Traits> &run, IsDigit is_digit_here) {
    ScanSpec &spec = run.spec;
    const unsigned char *const first = run.stream->cursor;
    const unsigned char *const end = first + run.stream->available;
    const unsigned char *cursor = first;
    int64_t width = spec.widthGiven != 0 ? spec.width : INT64_MAX;
    while (width > 0) {
        if (cursor == end) {
            spec.ch = INPUT_END;
            break;
        }
        spec.ch = *cursor;
        if (!is_digit_here(spec.ch)) break;
        ++cursor;
        DIGIT_ACCUMULATORS[ENTRY](spec);
        --width;
        spec.digitsSeen = 1;
    }
    if (spec.widthGiven != 0) spec.width = static_cast<int32_t>(width);
    consume(*run.stream, spec, static_cast<uint64_t>(cursor - first));
}

// A narrow target: the field's extent is found first, then copied in one go. A field longer than
// the room stores what fits and takes one character more, as the character loop would, then
// clears the first element.
template <typename Traits>
bool direct_text(ScanRun<Traits> &run, void *start) {
    ScanSpec &spec = run.spec;
    const unsigned char *const first = run.stream->cursor;
    const uint64_t available = run.stream->available;
    const bool widthLimits = spec.widthGiven != 0 && static_cast<uint64_t>(spec.width) <= available;
    const uint64_t limit = widthLimits ? static_cast<uint64_t>(spec.width) : available;
    uint64_t length = 0;
    if (spec.conversion == 's') {
        while (length < limit && !ends_string(first[length])) ++length;
    } else if (spec.conversion == '{') {
        while (length < limit && run.scanSet.admits(first[length])) ++length;
    } else {
        length = limit;
    }
    if (length > spec.destRoom) {
        const uint64_t taken = spec.destRoom + 1;
        copy_field(spec.dest, first, spec.destRoom);
        spec.ch = first[taken - 1];
        consume(*run.stream, spec, taken);
        store_terminator(run, start);
        return false;
    }
    copy_field(spec.dest, first, length);
    spec.dest = static_cast<char *>(spec.dest) + length;
    consume(*run.stream, spec, length);
    if (length < limit) {
        spec.ch = first[length];
    } else if (widthLimits) {
        spec.ch = first[length - 1];
    } else {
        spec.ch = INPUT_END;
    }
    return finish_text(run, length);
}

// Readers for steps written once for both ways of reading: the stream's get and give-back, or
// a narrow string read in place, whose record is brought up to date once at the end.
template <typename Traits>
struct StreamReader {
    ScanRun<Traits> &run;
    int32_t fetch() { return boundslib::input::fetch(run); }
    void give_back() { boundslib::input::give_back(run); }
    void commit() {}
};

template <typename Traits>
struct StringReader {
    ScanRun<Traits> &run;
    const unsigned char *const first = run.stream->cursor;
    const unsigned char *const end = first + run.stream->available;
    const unsigned char *cursor = first;
    int32_t ch = run.spec.ch;

    int32_t fetch() {
        ch = cursor == end ? INPUT_END : *cursor++;
        return ch;
    }
    void give_back() { --cursor; }
    void commit() {
        run.spec.ch = ch;
        consume(*run.stream, run.spec, static_cast<uint64_t>(cursor - first));
    }
};

}  // namespace boundslib::input
