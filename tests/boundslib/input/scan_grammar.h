// The grammar of the differential test of the scanf_s family: formats and inputs on which the
// library and the C library agree, generated from a seed. A case is a run of items, each a
// directive and the input it reads:
//   integer  := '%' '*'? width? (hh|h|l|ll|j|z|t|q|L)? [diuoxX], a value in the target's range
//               with an optional sign, "0x"/"0X" for x and i, a leading '0' for i in octal, and
//               now and then a character just outside the base after it
//   pointer  := "%p", plain hexadecimal digits without "0x"
//   float    := '%' '*'? width? (l|L)? [feEgG], [sign] digits [. digits] [e [sign] digits]
//   string   := '%' '*'? width? (h|l)? [sS], printable characters
//   chars    := '%' '*'? width? (h|l)? [cC], exactly width printable characters
//   set      := '%' '*'? width? (h|l)? '[' '^'? ']'? member* '-'? ']', members single characters
//               and ranges (a reversed one holds both ends and '-'), a negated set always naming
//               blank, tab and new-line; the field is now and then followed by a non-member
//   count    := '%' (hh|h|l|ll)? 'n' after any item;  literal := 1-3 of "#,;:!@&()=|<>?/" | "%%"
// Items are joined by white space in the input (none between a literal and its neighbour, or a
// number and the literal after it), and in the format wherever a directive does not skip it
// itself. A field cut short by its width is followed by a suppressed directive that eats the rest.
// Some cases cut the input before an item or change a literal. Targets sit between guard bytes
// and are large enough; the _s forms get a size after every %c %s %[ target.
#pragma once

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <random>
#include <string>
#include <utility>
#include <vector>

namespace scan_grammar {

constexpr size_t MAX_TARGETS = 6;
constexpr const char *LITERALS = "#,;:!@&()=|<>?/";
constexpr const char *SET_SINGLES =
    "0123456789abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ.,;:_!#";
constexpr const char *SPACES[] = {" ", "\t", "\n", "  ", " \n\t"};
struct Modifier {
    const char *text;
    size_t bytes;
};
constexpr Modifier INT_MODIFIERS[] = {{"hh", 1}, {"h", 2}, {"", 4},  {"", 4},  {"l", 8}, {"ll", 8},
                                      {"j", 8},  {"z", 8}, {"t", 8}, {"q", 8}, {"L", 8}};
constexpr Modifier COUNT_MODIFIERS[] = {{"hh", 1}, {"h", 2}, {"", 4}, {"l", 8}, {"ll", 8}};

struct Target {
    size_t bytes;             // what the directive may write
    bool sized;               // %c %s %[: the _s forms take a size after the pointer
    unsigned count;           // that size, in elements
    bool narrowText = false;  // narrow %s or %[: swscanf writes a second zero after the field
};

struct Item {
    std::string format, input;
    bool skipsSpace = true;  // the directive skips input white space by itself
    bool literal = false;
    bool numeric = false;
    int assigns = 0;  // conversions that store
    int counts = 0;   // conversions done without storing: suppressed fields and %n
};

struct Case {
    std::string format, input;
    std::vector<Target> targets;
};

class Grammar {
public:
    explicit Grammar(uint64_t seed) : rng_(seed) {}

    Case next() {
        Case c;
        std::vector<Item> items;
        bool converts = false;
        for (int n = uniform(1, 6); n > 0 || !converts; --n) {
            items.push_back(item(c.targets));
            converts |= !items.back().literal;
        }
        std::vector<size_t> starts;  // where each item's separator begins in the input
        if (chance(20)) {
            c.input += space();
            if (!items[0].skipsSpace) c.format += space();
        }
        for (size_t i = 0; i < items.size(); ++i) {
            starts.push_back(c.input.size());
            if (i > 0) {
                const bool tight =
                    items[i - 1].literal || (items[i - 1].numeric && items[i].literal);
                const std::string sep = tight && chance(50) ? "" : space();
                c.input += sep;
                if ((!sep.empty() && !items[i].skipsSpace) || chance(30)) c.format += space();
            }
            if (items[i].literal && !items[i].skipsSpace && chance(5)) {  // not "%%"
                items[i].input[0] = '~';  // never a literal character
            }
            c.format += items[i].format;
            c.input += items[i].input;
        }
        if (chance(30)) c.input += " rest";
        if (chance(20)) c.format += space();
        if (chance(15)) cut(c, items, starts);
        return c;
    }

    int uniform(int low, int high) { return std::uniform_int_distribution<int>(low, high)(rng_); }

private:
    std::mt19937_64 rng_;

    bool chance(int percent) { return uniform(1, 100) <= percent; }
    std::string space() { return SPACES[uniform(0, 4)]; }
    char pick(const char *alphabet) { return alphabet[uniform(0, int(std::strlen(alphabet)) - 1)]; }

    // Ends the input where an item starts, unless only suppressed fields or %n ran before it.
    void cut(Case &c, const std::vector<Item> &items, const std::vector<size_t> &starts) {
        const size_t k = size_t(uniform(1, int(items.size())));
        if (k == items.size()) return;
        int assigns = 0, counts = 0;
        for (size_t i = 0; i < k; ++i) assigns += items[i].assigns, counts += items[i].counts;
        if (assigns == 0 && counts > 0) return;
        if (starts[k] > 0) c.input.resize(starts[k]);
    }

    Item item(std::vector<Target> &targets) {
        const bool room = targets.size() < MAX_TARGETS;
        const int pick = uniform(1, 100);
        Item it;
        if (pick <= 15) {
            it = literal();
        } else {
            const bool suppress = !room || chance(10);
            it = pick <= 45   ? integer(targets, suppress)
                 : pick <= 50 ? pointer(targets, suppress)
                 : pick <= 65 ? floating(targets, suppress)
                 : pick <= 78 ? string(targets, suppress)
                 : pick <= 88 ? chars(targets, suppress)
                              : set(targets, suppress);
        }
        if (targets.size() < MAX_TARGETS && chance(10)) {
            const Modifier &m = COUNT_MODIFIERS[uniform(0, 4)];
            it.format += std::string("%") + m.text + 'n';
            targets.push_back({m.bytes, false, 0});
            it.counts++;
        }
        return it;
    }

    Item literal() {
        Item it;
        it.literal = true;
        it.skipsSpace = chance(25);  // only "%%" skips white space before it
        for (int n = it.skipsSpace ? 0 : uniform(1, 3); n > 0; --n) it.input += pick(LITERALS);
        it.format = it.skipsSpace ? "%%" : it.input;
        if (it.skipsSpace) it.input = "%";
        return it;
    }

    // Opens a directive: '%', '*' when suppressed, a width when drawn; records the target.
    std::string open(std::vector<Target> &targets, bool suppress, Item &it, Target target) {
        if (suppress) {
            it.counts++;
            return "%*";
        }
        it.assigns++;
        targets.push_back(target);
        return "%";
    }

    // A width of at least minWidth, or none; one below the field's length needs the eater after
    // the directive. Returns both.
    std::pair<std::string, std::string> width(size_t length, size_t minWidth,
                                              const std::string &eater) {
        if (!chance(25)) return {"", ""};
        const size_t w = size_t(uniform(int(minWidth), int(length) + 2));
        return {std::to_string(w), w < length ? eater : ""};
    }

    static size_t field_length(size_t length, const std::string &w) {
        return w.empty() ? length : std::min(length, size_t(std::stoul(w)));
    }

    Item integer(std::vector<Target> &targets, bool suppress) {
        Item it;
        it.numeric = true;
        const char conversion = "diuoxX"[uniform(0, 5)];
        const Modifier &m = INT_MODIFIERS[uniform(0, 10)];
        const bool isSigned = conversion == 'd' || conversion == 'i';
        const int bits = int(m.bytes) * 8;
        const bool negative = isSigned && chance(40);
        const uint64_t limit = isSigned     ? (uint64_t(1) << (bits - 1)) - (negative ? 0 : 1)
                               : bits == 64 ? ~uint64_t(0)
                                            : (uint64_t(1) << bits) - 1;
        uint64_t magnitude = rng_() >> uniform(0, 63);
        if (chance(10)) magnitude = limit;
        if (limit != ~uint64_t(0)) magnitude %= limit + 1;

        int base = conversion == 'o' ? 8 : conversion == 'x' || conversion == 'X' ? 16 : 10;
        if (conversion == 'i') base = std::array{10, 8, 16}[size_t(uniform(0, 2))];
        std::string prefix;
        if (base == 16 && (conversion == 'i' || chance(30))) prefix = chance(50) ? "0x" : "0X";
        if (base == 8 && (conversion == 'i' || chance(20))) prefix = "0";
        const char *digitSet = chance(50) ? "0123456789abcdef" : "0123456789ABCDEF";
        std::string digits;
        do {
            digits.insert(digits.begin(), digitSet[magnitude % unsigned(base)]);
            magnitude /= unsigned(base);
        } while (magnitude != 0);
        if (base != 8 && conversion != 'i' && chance(10)) digits.insert(0, "00");
        const std::string sign = negative ? "-" : chance(10) ? "+" : "";
        it.input = sign + prefix + digits;

        // An octal '0' is a digit itself; "0x" needs a digit after it within the width.
        const size_t minWidth = sign.size() + (base == 16 ? prefix.size() : 0) + 1;
        auto [w, eater] = width(it.input.size(), minWidth, "%*[0-9a-zA-Z]");
        if (chance(15)) {  // a character just outside the base ends the number
            it.input += pick(base == 8 ? "89" : base == 10 ? "abgz" : "ghz");
            eater = "%*[0-9a-zA-Z]";
        }
        it.format =
            open(targets, suppress, it, {m.bytes, false, 0}) + w + m.text + conversion + eater;
        return it;
    }

    Item pointer(std::vector<Target> &targets, bool suppress) {
        Item it;
        it.numeric = true;
        char text[32];
        std::snprintf(text, sizeof text, chance(50) ? "%llx" : "%llX",
                      static_cast<unsigned long long>(rng_() >> uniform(0, 63)));
        it.input = text;
        it.format = open(targets, suppress, it, {sizeof(void *), false, 0}) + "p";
        return it;
    }

    Item floating(std::vector<Target> &targets, bool suppress) {
        Item it;
        it.numeric = true;
        const int kind = uniform(0, 2);  // float, double, long double
        const int maxInt = kind == 0 ? 3 : 9, maxFrac = kind == 0 ? 4 : 9;
        const int maxExp = kind == 0 ? 5 : 30, minExp = kind == 0 ? -4 : -30;
        if (chance(30)) it.input += chance(50) ? '-' : '+';
        int intDigits = uniform(0, maxInt);
        const int fracDigits = uniform(0, maxFrac);
        if (intDigits + fracDigits == 0) intDigits = 1;
        for (int i = 0; i < intDigits; ++i) it.input += char('0' + uniform(0, 9));
        if (fracDigits > 0 || chance(20)) it.input += '.';
        for (int i = 0; i < fracDigits; ++i) it.input += char('0' + uniform(0, 9));
        if (chance(30)) {
            const int exponent = uniform(minExp, maxExp);
            it.input += chance(50) ? 'e' : 'E';
            it.input += exponent < 0 ? "-" : chance(30) ? "+" : "";
            it.input += std::to_string(std::abs(exponent));
        }
        const size_t bytes = kind == 0   ? sizeof(float)
                             : kind == 1 ? sizeof(double)
                                         : sizeof(long double);
        std::string format = open(targets, suppress, it, {bytes, false, 0});
        if (chance(20)) format += std::to_string(it.input.size() + size_t(uniform(0, 3)));
        it.format = format + (kind == 0 ? "" : kind == 1 ? "l" : "L") + "feEgG"[uniform(0, 4)];
        return it;
    }

    // %s %c %[ share the target shape: narrow or wide elements, room for the field and more.
    std::string text_directive(std::vector<Target> &targets, bool suppress, Item &it,
                               size_t fieldLength, bool terminated, char conversion,
                               const std::string &w) {
        const int kind = uniform(0, 3);  // none, h, l, upper-case conversion
        const bool wide = kind >= 2 && conversion != '[';
        const bool wideSet = kind >= 2 && conversion == '[';
        const size_t element = wide || wideSet ? sizeof(wchar_t) : 1;
        const bool narrowText = terminated && element == 1;
        const unsigned count =
            unsigned(fieldLength + (terminated ? 1 : 0) + size_t(uniform(narrowText, 3)));
        const std::string head =
            open(targets, suppress, it, {count * element, true, count, narrowText});
        const char *modifier = kind == 1 ? "h" : kind == 2 || wideSet ? "l" : "";
        if (kind == 3 && !wideSet) return head + w + char(conversion & ~0x20);
        return head + w + modifier + conversion;
    }

    Item string(std::vector<Target> &targets, bool suppress) {
        Item it;
        for (int n = uniform(1, 20); n > 0; --n) it.input += char(uniform(33, 126));
        const auto [w, eater] = width(it.input.size(), 1, "%*s");
        const size_t field = field_length(it.input.size(), w);
        it.format = text_directive(targets, suppress, it, field, true, 's', w) + eater;
        return it;
    }

    Item chars(std::vector<Target> &targets, bool suppress) {
        Item it;
        it.skipsSpace = false;
        const int n = uniform(1, 8);
        it.input += char(uniform(33, 126));
        while (int(it.input.size()) < n) it.input += char(uniform(32, 126));
        const std::string w = n > 1 || chance(50) ? std::to_string(n) : "";
        it.format = text_directive(targets, suppress, it, size_t(n), false, 'c', w);
        return it;
    }

    Item set(std::vector<Target> &targets, bool suppress) {
        Item it;
        it.skipsSpace = false;
        bool members[128] = {};
        std::string body;
        const bool negated = chance(25);
        if (negated) body += '^';
        if (chance(10)) body += ']', members[int(']')] = true;
        bool afterRange = true;  // no range first, so that a '-' never follows '^' or ']'
        for (int n = uniform(1, 4); n > 0; --n) {
            if (!negated && !afterRange && chance(40)) {
                const char *range = std::array{"0123456789", "abcdefghijklmnopqrstuvwxyz",
                                               "ABCDEFGHIJKLMNOPQRSTUVWXYZ"}[size_t(uniform(0, 2))];
                const int span = int(std::strlen(range));
                const int low = uniform(0, span - 1), high = uniform(low, span - 1);
                if (low < high && chance(20)) {  // reversed: both ends and '-' itself
                    body += {range[high], '-', range[low]};
                    members[int(range[high])] = members[int('-')] = members[int(range[low])] = true;
                } else {
                    body += {range[low], '-', range[high]};
                    for (int i = low; i <= high; ++i) members[int(range[i])] = true;
                }
                afterRange = true;
            } else {
                const char c = pick(SET_SINGLES);
                body += c, members[int(c)] = true;
                afterRange = false;
            }
        }
        if (!negated && chance(10)) body += '-', members[int('-')] = true;
        if (negated) body += " \t\n";
        std::string alphabet, outside;  // what the field takes, and what ends it
        for (int c = 33; c < 127; ++c) (members[c] != negated ? alphabet : outside) += char(c);
        for (int n = uniform(1, 12); n > 0; --n) it.input += pick(alphabet.c_str());
        auto [w, eater] = width(it.input.size(), 1, "%*[" + body + "]");
        const size_t field = field_length(it.input.size(), w);
        if (!outside.empty() && chance(30)) {  // a character that ends the field, eaten after it
            it.input += pick(outside.c_str());
            eater = "%*s";
        }
        it.format = text_directive(targets, suppress, it, field, true, '[', w) + body + "]" + eater;
        return it;
    }
};

}  // namespace scan_grammar
