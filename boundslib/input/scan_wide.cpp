// The wide engine: 4-byte characters from the source, a 65536-bit scan set on the heap (taken
// once per run), and narrow targets filled with each character's multibyte form.
#include <climits>
#include <cwchar>
#include <cwctype>

#include "input/scan_engine.h"

namespace boundslib::input {

namespace {

// Members are kept modulo 65536; a character of 65536 or more is never one, negated or not.
struct WideScanSet {
    static constexpr uint32_t BITS = 65536;
    static constexpr size_t BYTES = BITS / 8;
    uint8_t *bits = nullptr;  // taken at the run's first %[
    uint8_t negated = 0;

    void clear() {
        std::memset(bits, 0, BYTES);
        negated = 0;
    }
    void mark(uint32_t value) {
        bits[(value >> 3) & (BYTES - 1)] |= static_cast<uint8_t>(1u << (value & 7));
    }
    void mark_all() { std::memset(bits, 0xFF, BYTES); }
    bool admits(uint32_t ch) const {
        return ch < BITS && ((bits[ch >> 3] >> (ch & 7)) & 1) != negated;
    }
};

// Longest multibyte form taken from the conversion; longer results count as unconvertible.
constexpr size_t MULTIBYTE_LIMIT = 17;

struct WideInput {
    using Char = wchar_t;
    using ScanSet = WideScanSet;
    static constexpr int DIGIT_BASE = WIDE_BASE;
    static constexpr bool DIRECT_STRING = false;

    static int32_t get(InputStream &stream, uint32_t &counter) {
        return input_getwc(stream, counter);
    }
    static void unget(InputStream &stream, int32_t ch) { input_ungetwc(stream, ch); }
    static bool is_space(int32_t ch) { return std::iswspace(static_cast<wint_t>(ch)) != 0; }
    static bool prepare_scan_set(ScanRun<WideInput> &run) {
        if (run.scanSet.bits == nullptr) {
            run.scanSet.bits = static_cast<uint8_t *>(std::malloc(WideScanSet::BYTES));
        }
        return run.scanSet.bits != nullptr;
    }
    static void release_scan_set(ScanSet &set) { std::free(set.bits); }
    static StoreResult store_char(ScanRun<WideInput> &run);
    static bool convert_float(ScanRun<WideInput> &run, void *target);
};

StoreResult WideInput::store_char(ScanRun<WideInput> &run) {
    ScanSpec &spec = run.spec;
    if (spec.destRoom == 0) return StoreResult::TOO_SMALL;
    if (spec.charWidth == 1) {
        const wchar_t wide = static_cast<wchar_t>(spec.ch);
        std::memcpy(spec.dest, &wide, sizeof wide);
        spec.dest = static_cast<char *>(spec.dest) + sizeof wide;
        --spec.destRoom;
        return StoreResult::STORED;
    }
    char bytes[MB_LEN_MAX > MULTIBYTE_LIMIT ? MB_LEN_MAX : MULTIBYTE_LIMIT];
    std::mbstate_t state{};
    const size_t length = std::wcrtomb(bytes, static_cast<wchar_t>(spec.ch), &state);
    if (length == 0 || length > MULTIBYTE_LIMIT) return StoreResult::SKIPPED;
    if (length > spec.destRoom) return StoreResult::TOO_SMALL;
    std::memcpy(spec.dest, bytes, length);
    spec.dest = static_cast<char *>(spec.dest) + length;
    spec.destRoom -= length;
    return StoreResult::STORED;
}

// The collected text in the locale's multibyte form, then the narrow conversion. Texts that fit
// the frame's buffer are converted there, longer ones on the heap.
bool WideInput::convert_float(ScanRun<WideInput> &run, void *target) {
    char frameBytes[(FLOAT_TEXT_INITIAL + 1) * sizeof(wchar_t)];
    const size_t size = (run.floatText.capacity + 1) * sizeof(wchar_t);
    char *narrow = size <= sizeof frameBytes ? frameBytes : static_cast<char *>(std::malloc(size));
    if (narrow == nullptr) return false;
    narrow[0] = 0;
    const size_t length = std::wcstombs(narrow, run.floatText.text, size - 1);
    const bool converted = length < size;
    if (converted) {
        narrow[length] = 0;
        store_float(run, target, narrow);
    }
    if (narrow != frameBytes) std::free(narrow);
    return converted;
}

}  // namespace

int wscan_engine(InputStream &stream, const wchar_t *format, va_list &args) {
    return run_scan<WideInput>(stream, format, args);
}

void clear_first_string_destination(const wchar_t *source, const wchar_t *format, va_list &args) {
    clear_first_destination(source, format, args);
}

}  // namespace boundslib::input
