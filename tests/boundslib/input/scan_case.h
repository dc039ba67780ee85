// One scanning call run three ways (a narrow string, a narrow stream, a wide string) into guarded
// targets described by short texts, and checked against its result and every target's bytes.
//
// A target is "<kind><bytes>[/<size passed>]=<expected>":
//   i1 i2 i4 i8  an integer (or %n) target; expected is its value ("-" for untouched)
//   f d L        float, double, long double; expected is the decimal text it should equal
//   sN wN        a narrow or wide text target of N elements; expected shows every element:
//                '~' a zero, '#' untouched, other characters as stored
#pragma once

#include <bounds_checked.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <cwchar>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "guarded_buffer.h"
#include "scan_call.h"

struct Target {
    char kind;
    size_t elements;
    bool sized;      // a text target: its size follows its pointer
    unsigned count;  // that size
    std::string expected;
    GuardedBuffer<unsigned char> bytes;

    explicit Target(const std::string &text)
        : kind(text[0]),
          elements(std::strtoul(text.c_str() + 1, nullptr, 10)),
          sized(kind == 's' || kind == 'w'),
          count(static_cast<unsigned>(elements)),
          expected(text.substr(text.find('=') + 1)),
          bytes(sized ? (kind == 'w' ? 4 : 1) * elements : 16, '#') {
        const size_t slash = text.find('/');
        if (slash < text.find('=')) count = std::strtoul(text.c_str() + slash + 1, nullptr, 0);
        if (kind == 'w') std::wmemset(reinterpret_cast<wchar_t *>(bytes.data()), L'#', elements);
    }

    std::string rendered() {
        std::string out;
        for (size_t i = 0; i < elements; ++i) {
            const long c = kind == 'w' ? reinterpret_cast<wchar_t *>(bytes.data())[i] : bytes[i];
            out += c == 0 ? '~' : (c > 0 && c < 128 ? char(c) : '?');
        }
        return out;
    }

    void check() {
        EXPECT_TRUE(bytes.guards_intact()) << kind << elements;
        if (sized) {
            EXPECT_EQ(rendered(), expected);
        } else if (expected == "-") {
            for (size_t i = 0; i < 16; ++i) EXPECT_EQ(bytes[i], '#') << "byte " << i;
        } else if (kind == 'f') {
            EXPECT_EQ(*reinterpret_cast<float *>(bytes.data()),
                      float(std::strtod(expected.c_str(), 0)));
        } else if (kind == 'd') {
            EXPECT_EQ(*reinterpret_cast<double *>(bytes.data()), std::strtod(expected.c_str(), 0));
        } else if (kind == 'L') {
            EXPECT_EQ(*reinterpret_cast<long double *>(bytes.data()),
                      std::strtold(expected.c_str(), 0));
        } else {
            uint64_t stored = 0;
            std::memcpy(&stored, bytes.data(), elements);
            const uint64_t mask = elements == 8 ? ~0ULL : (1ULL << (8 * elements)) - 1;
            const uint64_t want = expected[0] == '-'
                                      ? uint64_t(std::strtoll(expected.c_str(), 0, 0))
                                      : std::strtoull(expected.c_str(), 0, 0);
            EXPECT_EQ(stored, want & mask) << "expected " << expected;
            for (size_t i = elements; i < 16; ++i) EXPECT_EQ(bytes[i], '#') << "byte " << i;
        }
    }
};

inline std::wstring widen(const std::string &s) {
    return {s.begin(), s.end()};
}

enum Way { STRING, STREAM, WIDE };

template <typename... Args>
int scan_way(Way way, const std::string &input, const std::string &format, Args... args) {
    if (way == STRING) return sscanf_s(input.c_str(), format.c_str(), args...);
    if (way == WIDE) return swscanf_s(widen(input).c_str(), widen(format).c_str(), args...);
    FILE *file = fmemopen(const_cast<char *>(input.data()), input.size(), "r");
    const int result = fscanf_s(file, format.c_str(), args...);
    std::fclose(file);
    return result;
}

inline bool ascii(const std::string &s) {
    return std::all_of(s.begin(), s.end(), [](char c) { return (unsigned char)c < 0x80; });
}

// Every way that applies: the stream needs a non-empty input (an empty string is refused before
// the engine runs), the wide string an ASCII case.
inline void expect_scan(const std::string &input, const std::string &format, int result,
                        const std::vector<std::string> &targets = {}) {
    for (Way way : {STRING, STREAM, WIDE}) {
        if ((way == STREAM && input.empty()) || (way == WIDE && !(ascii(input) && ascii(format)))) {
            continue;
        }
        SCOPED_TRACE("\"" + input + "\" by \"" + format + "\", way " + std::to_string(way));
        std::vector<Target> made(targets.begin(), targets.end());
        const int got = call_with_targets<6>(
            [&](auto... args) { return scan_way(way, input, format, args...); }, made,
            [&](size_t i) { return static_cast<void *>(made[i].bytes.data()); });
        EXPECT_EQ(got, result);
        for (Target &t : made) t.check();
    }
}
