// The character classes and the state machine of format strings, as plain data.
#pragma once

#include <array>
#include <cstdint>

#include "output/format_internal.h"

namespace boundslib::output {

enum CharClass : uint8_t {
    CLASS_OTHER,
    CLASS_PERCENT,
    CLASS_DOT,
    CLASS_STAR,
    CLASS_ZERO,
    CLASS_DIGIT,
    CLASS_FLAG,
    CLASS_LENGTH,
    CLASS_CONVERSION,
    CLASS_COUNT
};

enum State : uint8_t {
    STATE_TEXT,
    STATE_PERCENT,
    STATE_FLAG,
    STATE_WIDTH,
    STATE_DOT,
    STATE_PRECISION,
    STATE_LENGTH,
    STATE_CONVERSION,
    STATE_INVALID,
    STATE_COUNT
};

struct FormatTables {
    std::array<uint8_t, 256> classes;
    // next state = transitions[class][current state]
    uint8_t transitions[CLASS_COUNT][STATE_COUNT];
};

namespace tables_detail {

constexpr void mark(std::array<uint8_t, 256> &classes, const char *chars, CharClass cls) {
    for (; *chars != '\0'; ++chars) classes[static_cast<unsigned char>(*chars)] = cls;
}

// Every byte not listed, 0x80-0xFF included, is ordinary.
constexpr std::array<uint8_t, 256> make_classes() {
    std::array<uint8_t, 256> classes{};
    mark(classes, "%", CLASS_PERCENT);
    mark(classes, ".", CLASS_DOT);
    mark(classes, "*", CLASS_STAR);
    mark(classes, "0", CLASS_ZERO);
    mark(classes, "123456789", CLASS_DIGIT);
    mark(classes, " #+-", CLASS_FLAG);
    mark(classes, "ILNZhjlqtwz", CLASS_LENGTH);
    mark(classes, "CEFGSXcdefgiopsux", CLASS_CONVERSION);
    return classes;
}

}  // namespace tables_detail

inline constexpr FormatTables FORMAT_TABLES = {
    tables_detail::make_classes(),
    {
        // state:   0  1  2  3  4  5  6  7  8
        /* other */ {0, 8, 8, 8, 8, 8, 8, 0, 0},
        /* '%'   */ {1, 0, 8, 8, 8, 8, 8, 1, 0},
        /* '.'   */ {0, 4, 4, 4, 8, 8, 8, 0, 0},
        /* '*'   */ {0, 3, 3, 8, 5, 8, 8, 0, 0},
        /* '0'   */ {0, 2, 2, 3, 5, 5, 8, 0, 0},
        /* 1-9   */ {0, 3, 3, 3, 5, 5, 8, 0, 0},
        /* flag  */ {0, 2, 2, 2, 8, 8, 8, 0, 0},
        /* len   */ {0, 6, 6, 6, 6, 6, 6, 0, 0},
        /* conv  */ {0, 7, 7, 7, 7, 7, 7, 0, 0},
    },
};

namespace tables_detail {

// Outside a directive only '%' does anything: the engines copy runs of other characters in
// one step on the strength of this.
constexpr bool text_states_copy_all_but_percent() {
    for (int cls = 0; cls < CLASS_COUNT; ++cls) {
        const uint8_t expected = cls == CLASS_PERCENT ? STATE_PERCENT : STATE_TEXT;
        if (FORMAT_TABLES.transitions[cls][STATE_TEXT] != expected) return false;
        if (FORMAT_TABLES.transitions[cls][STATE_CONVERSION] != expected) return false;
    }
    return true;
}

constexpr bool states_in_range() {
    for (const auto &row : FORMAT_TABLES.transitions) {
        for (uint8_t next : row) {
            if (next >= STATE_COUNT) return false;
        }
    }
    for (uint8_t cls : FORMAT_TABLES.classes) {
        if (cls >= CLASS_COUNT) return false;
    }
    return true;
}

}  // namespace tables_detail

static_assert(sizeof(FORMAT_TABLES.transitions) == 9 * 9);
static_assert(tables_detail::states_in_range());
static_assert(tables_detail::text_states_copy_all_but_percent());
static_assert(FORMAT_TABLES.classes[0x80] == CLASS_OTHER && FORMAT_TABLES.classes[0xFF] == 0);

// Narrow or wide text for the character and string conversions, by the length modifier that
// decides: the first of the engine's precedence that was given, else the default column.
enum TextWidth : uint8_t { TEXT_NARROW, TEXT_WIDE };
enum TextModifier : uint8_t { MODIFIER_NONE, MODIFIER_H, MODIFIER_L, MODIFIER_W, MODIFIER_COUNT };
enum TextConversion : uint8_t { TEXT_c, TEXT_C, TEXT_s, TEXT_S, TEXT_CONVERSIONS };

struct TextRules {
    TextWidth width[TEXT_CONVERSIONS][MODIFIER_COUNT];
    TextModifier precedence[MODIFIER_COUNT - 1];
};

inline constexpr uint32_t MODIFIER_FLAGS[MODIFIER_COUNT] = {0, FLAG_SHORT, FLAG_LONG, FLAG_WIDE};

inline constexpr TextRules NARROW_TEXT_RULES = {
    {
        // modifier: none         'h'          'l'        'w'
        /* c */ {TEXT_NARROW, TEXT_NARROW, TEXT_WIDE, TEXT_WIDE},
        /* C */ {TEXT_WIDE, TEXT_NARROW, TEXT_WIDE, TEXT_WIDE},
        /* s */ {TEXT_NARROW, TEXT_NARROW, TEXT_WIDE, TEXT_WIDE},
        /* S */ {TEXT_WIDE, TEXT_NARROW, TEXT_WIDE, TEXT_WIDE},
    },
    {MODIFIER_L, MODIFIER_W, MODIFIER_H},  // 'l' (and 'w') over 'h'
};

inline constexpr TextRules WIDE_TEXT_RULES = {
    {
        /* c */ {TEXT_WIDE, TEXT_NARROW, TEXT_WIDE, TEXT_WIDE},
        /* C */ {TEXT_NARROW, TEXT_NARROW, TEXT_WIDE, TEXT_WIDE},
        /* s */ {TEXT_NARROW, TEXT_NARROW, TEXT_WIDE, TEXT_NARROW},
        /* S */ {TEXT_NARROW, TEXT_NARROW, TEXT_WIDE, TEXT_NARROW},
    },
    {MODIFIER_H, MODIFIER_L, MODIFIER_W},  // 'h' over everything
};

constexpr TextConversion text_conversion(char conversion) {
    switch (conversion) {
        case 'c':
            return TEXT_c;
        case 'C':
            return TEXT_C;
        case 's':
            return TEXT_s;
        default:
            return TEXT_S;
    }
}

constexpr bool text_is_wide(const TextRules &rules, char conversion, uint32_t flags) {
    TextModifier modifier = MODIFIER_NONE;
    for (const TextModifier candidate : rules.precedence) {
        if ((flags & MODIFIER_FLAGS[candidate]) != 0) {
            modifier = candidate;
            break;
        }
    }
    return rules.width[text_conversion(conversion)][modifier] == TEXT_WIDE;
}

// The cases each engine's documentation spells out.
static_assert(!text_is_wide(NARROW_TEXT_RULES, 'C', FLAG_SHORT));  // "%hC" is narrow
static_assert(text_is_wide(NARROW_TEXT_RULES, 'S', 0) && !text_is_wide(NARROW_TEXT_RULES, 's', 0));
static_assert(text_is_wide(NARROW_TEXT_RULES, 'c', FLAG_SHORT | FLAG_LONG));  // 'l' wins
static_assert(text_is_wide(NARROW_TEXT_RULES, 's', FLAG_WIDE));
static_assert(!text_is_wide(WIDE_TEXT_RULES, 'c', FLAG_SHORT | FLAG_LONG));  // 'h' wins
static_assert(text_is_wide(WIDE_TEXT_RULES, 'c', 0) && !text_is_wide(WIDE_TEXT_RULES, 'C', 0));
static_assert(!text_is_wide(WIDE_TEXT_RULES, 's', FLAG_WIDE));  // 'w' keeps a string narrow
static_assert(text_is_wide(WIDE_TEXT_RULES, 'C', FLAG_WIDE));   // but makes 'C' wide
static_assert(text_is_wide(WIDE_TEXT_RULES, 'S', FLAG_LONG | FLAG_WIDE));

}  // namespace boundslib::output
