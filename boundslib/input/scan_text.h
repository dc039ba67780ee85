// %c, %s and %[: the destination and its size from the arguments, the scan set, and the field
// loop that never writes past the size. Storing one character is the traits' business: it is
// where narrow and wide targets and engines differ.
#pragma once

#include "input/scan_direct.h"

namespace boundslib::input {

// Marks start to end as 32-bit values; a span of 65536 or more covers every bit the set has, and
// the loop also ends when end is the largest value.
template <typename ScanSet>
void mark_range(ScanSet &set, uint32_t start, uint32_t end) {
    if (end - start >= ScanSet::BITS - 1) {
        set.mark_all();
        return;
    }
    for (uint32_t value = start;; ++value) {
        set.mark(value);
        if (value == end) break;
    }
}

// Builds the set from the format after the conversion character; on success format rests on the
// closing ']'. False for a format that ends first.
template <typename Char, typename ScanSet>
bool build_scan_set(ScanSet &set, const Char *&format) {
    set.clear();
    const Char *cursor = format + 1;
    if (*cursor == '^') {
        set.negated = 1;
        ++cursor;
    }
    uint32_t previous = 0;
    if (*cursor == ']') {
        set.mark(']');
        previous = ']';
        ++cursor;
    }
    while (*cursor != ']' && *cursor != 0) {
        const uint32_t c = unit(*cursor);
        // A '-' before the end of the format is a member, not a range.
        if (c == '-' && previous != 0 && cursor[1] != ']' && cursor[1] != 0) {
            const uint32_t end = unit(cursor[1]);
            if (previous <= end) {
                mark_range(set, previous, end);
            } else {
                set.mark('-');
                set.mark(end);
            }
            previous = 0;
            cursor += 2;
            continue;
        }
        set.mark(c);
        previous = c;
        ++cursor;
    }
    format = cursor;
    return *cursor == ']';
}

template <typename Traits>
bool ends_field(ScanRun<Traits> &run, int32_t ch) {
    if (run.spec.conversion == 's') return ends_string(ch);
    if (run.spec.conversion == '{') return !run.scanSet.admits(static_cast<uint32_t>(ch));
    return false;
}

// c s [: false stops the run.
template <typename Traits>
bool scan_text(ScanRun<Traits> &run, const typename Traits::Char *&format) {
    ScanSpec &spec = run.spec;
    give_back(run);
    void *start = nullptr;
    if (spec.suppress == 0) {
        start = take_target(run);
        if (start == nullptr) return false;
        const uint32_t size = va_arg(*run.args, unsigned int);
        const uint64_t limit = spec.charWidth == 1 ? MAX_BUFFER_WCHARS : MAX_BUFFER_BYTES;
        if (size == 0 || size > limit) return false;
        spec.dest = start;
        spec.destRoom = spec.conversion == 'c' ? size : size - 1;
    }
    if (spec.conversion == '{') {
        if (*format == '{' || !Traits::prepare_scan_set(run)) return false;
        if (!build_scan_set(run.scanSet, format)) {
            if (start != nullptr) store_terminator(run, start);
            return false;
        }
    }
    if constexpr (Traits::DIRECT_STRING) {
        if (run.stream->flags == SOURCE_STRING && start != nullptr && spec.charWidth != 1) {
            return direct_text(run, start);
        }
    }
    uint64_t taken = 0;
    uint64_t stored = 0;
    while (width_left(spec)) {
        use_width(spec);
        const int32_t ch = fetch(run);
        if (ch == INPUT_END) break;
        if (ends_field(run, ch)) {
            give_back(run);
            break;
        }
        ++taken;
        if (start == nullptr) continue;
        const StoreResult result = Traits::store_char(run);
        if (result == StoreResult::TOO_SMALL) {
            store_terminator(run, start);
            return false;
        }
        stored += result == StoreResult::STORED;
    }
    if (start == nullptr) {
        if (taken == 0) return false;
        ++run.conversionsDone;
        return true;
    }
    return finish_text(run, stored);
}

}  // namespace boundslib::input
