// The narrow engine: bytes from the source, a 256-bit scan set in the frame, and wide targets
// filled by converting multibyte sequences.
#include <climits>
#include <cwchar>

#include "input/scan_engine.h"

namespace boundslib::input {

namespace {

struct NarrowScanSet {
    static constexpr uint32_t BITS = 256;
    uint8_t bits[BITS / 8];
    uint8_t negated = 0;

    void clear() {
        std::memset(bits, 0, sizeof bits);
        negated = 0;
    }
    void mark(uint32_t value) {
        bits[(value >> 3) & 31] |= static_cast<uint8_t>(1u << (value & 7));
    }
    void mark_all() { std::memset(bits, 0xFF, sizeof bits); }
    bool admits(uint32_t ch) const { return ((bits[ch >> 3] >> (ch & 7)) & 1) != negated; }
};

struct NarrowInput {
    using Char = char;
    using ScanSet = NarrowScanSet;
    static constexpr int DIGIT_BASE = 0;
    static constexpr bool DIRECT_STRING = true;

    static int32_t get(InputStream &stream, uint32_t &counter) {
        return input_getc(stream, counter);
    }
    static void unget(InputStream &stream, int32_t ch) { input_ungetc(stream, ch); }
    static bool is_space(int32_t ch) { return is_byte_space(ch); }
    static bool prepare_scan_set(ScanRun<NarrowInput> &) { return true; }
    static void release_scan_set(ScanSet &) {}
    static StoreResult store_char(ScanRun<NarrowInput> &run);
    static bool convert_float(ScanRun<NarrowInput> &run, void *target) {
        store_float(run, target, run.floatText.text);
        return true;
    }
};

constexpr size_t INCOMPLETE_SEQUENCE = static_cast<size_t>(-2);

// A taken byte as one wide character, '?' for what does not convert. A lead byte of 0x80 or more
// takes further bytes from the source (they count as read, not against the width). Each attempt
// starts from a fresh conversion state: a state left over from an incomplete prefix would spoil
// every later attempt.
wchar_t to_wide(ScanRun<NarrowInput> &run) {
    char bytes[8] = {static_cast<char>(run.spec.ch), 0};
    wchar_t wide = 0;
    if (run.spec.ch < 0x80) {
        std::mbstate_t state{};
        const size_t result = std::mbrtowc(&wide, bytes, 2, &state);
        return result == 0 || result > 2 ? L'?' : wide;
    }
    // Only an incomplete sequence takes another byte: a byte that makes the sequence invalid is
    // given back, so one bad byte cannot swallow the characters after it.
    std::mbstate_t leadState{};
    if (std::mbrtowc(&wide, bytes, 1, &leadState) != INCOMPLETE_SEQUENCE) return L'?';
    const size_t longest = MB_CUR_MAX;
    for (size_t length = 1; length <= 5 && longest > length;) {
        const int32_t next = fetch(run);
        if (next == INPUT_END) break;
        bytes[length++] = static_cast<char>(next);
        std::mbstate_t state{};
        const size_t result = std::mbrtowc(&wide, bytes, length, &state);
        if (result != 0 && result <= length) return wide;
        if (result != INCOMPLETE_SEQUENCE) {
            give_back(run);
            break;
        }
    }
    return L'?';
}

StoreResult NarrowInput::store_char(ScanRun<NarrowInput> &run) {
    ScanSpec &spec = run.spec;
    if (spec.destRoom == 0) return StoreResult::TOO_SMALL;
    if (spec.charWidth == 1) {
        const wchar_t wide = to_wide(run);
        std::memcpy(spec.dest, &wide, sizeof wide);
        spec.dest = static_cast<char *>(spec.dest) + sizeof wide;
    } else {
        *static_cast<char *>(spec.dest) = static_cast<char>(spec.ch);
        spec.dest = static_cast<char *>(spec.dest) + 1;
    }
    --spec.destRoom;
    return StoreResult::STORED;
}

}  // namespace

int scan_engine(InputStream &stream, const char *format, va_list &args) {
    return run_scan<NarrowInput>(stream, format, args);
}

void clear_first_string_destination(const char *source, const char *format, va_list &args) {
    clear_first_destination(source, format, args);
}

}  // namespace boundslib::input
