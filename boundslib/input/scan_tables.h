// The integer machinery: the conversion record, the 16-entry digit-function table and the
// finishing tables that apply the sign and the saturation rules to the 64-bit magnitude.
#pragma once

#include <cstdint>

namespace boundslib::input {

inline constexpr int32_t MAX_WIDTH_BEFORE_DIGIT = 21474836;

// One per engine run; every field but ch and charsRead is reset at each '%'.
struct ScanSpec {
    int32_t ch;          // last character fetched, -1 for end of input
    uint32_t charsRead;  // characters consumed so far (what %n stores)
    void *dest;
    uint64_t destRoom;
    uint64_t value64;
    uint64_t value;
    int32_t sizeClass;  // -1 char, 0 short, 1 int/float, 2 long/double, 3 long long/long double
    int32_t is64;
    int32_t negative;
    int32_t overflow;
    int32_t digitsSeen;
    int32_t width;
    int32_t widthGiven;
    int32_t state;
    int32_t conversion;  // the conversion character OR 0x20
    int8_t charWidth;    // -1 narrow target, 1 wide target, 0 not decided
    uint8_t suppress;
};

inline void open_spec(ScanSpec &spec) {
    spec.dest = nullptr;
    spec.destRoom = 0;
    spec.value64 = 0;
    spec.value = 0;
    spec.sizeClass = 1;
    spec.is64 = 0;
    spec.negative = 0;
    spec.overflow = 0;
    spec.digitsSeen = 0;
    spec.width = 0;
    spec.widthGiven = 0;
    spec.state = 0;
    spec.conversion = 0;
    spec.charWidth = 0;
    spec.suppress = 0;
}

// The digit of ch: hexadecimal letters in either case.
constexpr uint64_t hex_value(int32_t ch) {
    const uint32_t decimal = static_cast<uint32_t>(ch - '0');
    if (decimal <= 9) return decimal;
    return static_cast<uint8_t>(ch | 0x20) - 'a' + 10;
}

// Each step always runs (wrapping); overflow, once set, stays for the conversion.
constexpr void hex_step(ScanSpec &spec, uint64_t &acc) {
    if (acc >= (uint64_t{1} << 60)) spec.overflow = 1;
    acc = acc * 16 + hex_value(spec.ch);
}

constexpr void octal_step(ScanSpec &spec, uint64_t &acc) {
    if (acc >= (uint64_t{1} << 61)) spec.overflow = 1;
    acc = acc * 8 + static_cast<uint64_t>(spec.ch - '0');
}

constexpr void decimal_step(ScanSpec &spec, uint64_t &acc) {
    const uint64_t digit = static_cast<uint64_t>(spec.ch - '0');
    if (acc > 0x1999999999999999ULL || (acc * 10 == UINT64_MAX - 5 && digit > 5)) {
        spec.overflow = 1;
    }
    acc = acc * 10 + digit;
}

// A finishing row: the result for a magnitude m is the overflow value when the accumulator
// overflowed, saturated when m is above bound, otherwise m or -m (mod 2^64), cut to 32 bits for
// low32 rows.
struct FinishRow {
    bool negate;
    bool low32;
    uint64_t bound;
    uint64_t saturated;
    uint64_t overflowValue;
};

inline constexpr uint64_t ALL_ONES = UINT64_MAX;
inline constexpr uint64_t TOP_BIT = uint64_t{1} << 63;
inline constexpr uint64_t LOW32 = 0xFFFFFFFFULL;

// Rows by [signed][negative], signed meaning conversion 'd' or 'i'.
inline constexpr FinishRow FINISH_INTEGER64[2][2] = {
    {{false, false, ALL_ONES, ALL_ONES, ALL_ONES}, {true, false, ALL_ONES, ALL_ONES, ALL_ONES}},
    {{false, false, TOP_BIT - 1, TOP_BIT - 1, TOP_BIT - 1},
     {true, false, TOP_BIT, TOP_BIT, TOP_BIT}},
};

// Targets without is64, by [sizeClass 1 or 0-and-below][signed][negative]; the store then keeps
// the low 4, 2 or 1 bytes.
inline constexpr FinishRow FINISH_INTEGER[2][2][2] = {
    {
        {{false, false, ALL_ONES, ALL_ONES, LOW32},
         {true, true, uint64_t{1} << 32, LOW32, ALL_ONES}},
        {{false, false, TOP_BIT - 1, ALL_ONES, ALL_ONES}, {true, true, TOP_BIT, 0, 0}},
    },
    {
        {{false, false, ALL_ONES, ALL_ONES, ALL_ONES}, {true, false, ALL_ONES, ALL_ONES, ALL_ONES}},
        {{false, false, TOP_BIT - 1, TOP_BIT - 1, ALL_ONES}, {true, false, TOP_BIT, TOP_BIT, 0}},
    },
};

constexpr uint64_t finish_value(const FinishRow &row, uint64_t magnitude, bool overflow) {
    if (overflow) return row.overflowValue;
    if (magnitude > row.bound) return row.saturated;
    const uint64_t result = row.negate ? 0 - magnitude : magnitude;
    return row.low32 ? result & LOW32 : result;
}

constexpr int is_signed_conversion(int32_t conversion) {
    return conversion == 'd' || conversion == 'i' ? 1 : 0;
}

constexpr void finish_step(ScanSpec &spec, uint64_t &acc, const FinishRow &row) {
    acc = finish_value(row, acc, spec.overflow != 0);
}

constexpr void hex_digit(ScanSpec &spec) {
    hex_step(spec, spec.value);
}
constexpr void hex_digit64(ScanSpec &spec) {
    hex_step(spec, spec.value64);
}
constexpr void octal_digit(ScanSpec &spec) {
    octal_step(spec, spec.value);
}
constexpr void octal_digit64(ScanSpec &spec) {
    octal_step(spec, spec.value64);
}
constexpr void decimal_digit(ScanSpec &spec) {
    decimal_step(spec, spec.value);
}
constexpr void decimal_digit64(ScanSpec &spec) {
    decimal_step(spec, spec.value64);
}

constexpr void finish_integer(ScanSpec &spec) {
    const int group = spec.sizeClass >= 1 ? 0 : 1;
    finish_step(spec, spec.value,
                FINISH_INTEGER[group][is_signed_conversion(spec.conversion)][spec.negative != 0]);
}

constexpr void finish_integer64(ScanSpec &spec) {
    finish_step(spec, spec.value64,
                FINISH_INTEGER64[is_signed_conversion(spec.conversion)][spec.negative != 0]);
}

using DigitAccumulator = void (*)(ScanSpec &);

// Entry = base + is64; the wide engine uses the copies from 8 on.
inline constexpr int HEX_BASE = 0;
inline constexpr int OCTAL_BASE = 2;
inline constexpr int DECIMAL_BASE = 4;
inline constexpr int FINISH_BASE = 6;
inline constexpr int WIDE_BASE = 8;

inline constexpr DigitAccumulator DIGIT_ACCUMULATORS[16] = {
    hex_digit,     hex_digit64,     octal_digit,    octal_digit64,     //
    decimal_digit, decimal_digit64, finish_integer, finish_integer64,  //
    hex_digit,     hex_digit64,     octal_digit,    octal_digit64,     //
    decimal_digit, decimal_digit64, finish_integer, finish_integer64,
};

static_assert(sizeof DIGIT_ACCUMULATORS / sizeof DIGIT_ACCUMULATORS[0] == 16);
static_assert([] {
    for (int i = 0; i < WIDE_BASE; ++i) {
        if (DIGIT_ACCUMULATORS[i] != DIGIT_ACCUMULATORS[i + WIDE_BASE]) return false;
    }
    return true;
}());

// The rows against the documented examples.
static_assert(finish_value(FINISH_INTEGER64[1][0], TOP_BIT, false) == TOP_BIT - 1);
static_assert(finish_value(FINISH_INTEGER64[1][1], TOP_BIT + 1, false) == TOP_BIT);
static_assert(finish_value(FINISH_INTEGER[0][0][1], 1, false) == 0xFFFFFFFF);  // -1 by %u
static_assert(finish_value(FINISH_INTEGER[0][1][0], 0, true) == ALL_ONES);     // stored as -1
static_assert(static_cast<int32_t>(finish_value(FINISH_INTEGER[0][1][0], 3000000000, false)) ==
              -1294967296);
static_assert(static_cast<int16_t>(finish_value(FINISH_INTEGER[1][1][0], 70000, false)) == 4464);

}  // namespace boundslib::input
