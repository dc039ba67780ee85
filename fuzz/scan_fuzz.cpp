// sscanf_s, vsscanf_s and swscanf_s with a format and an input from the fuzz data. The arguments
// are typed by reading the format as the engine reads it (a pointer for each directive that
// stores, followed by an unsigned size for %c %s %[), so no call reads an argument it was not
// given; each target ends at a guard page and has exactly the room its size allows.
// Layout: mode byte (1 wide, 2 va_list form, 4 "C.UTF-8"), format line, input line, then one byte
// per target: 0xFF a null pointer, 0xFE a size above every limit, otherwise a size of 0 to 63.
// A size above the limits must leave its target alone, except that the pre-scan of an empty
// source stores a terminator at the pointer whatever the size.
#include <algorithm>
#include <clocale>
#include <cstdarg>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "bounds_checked.h"
#include "fuzz_input.h"
#include "guard_page.h"
#include "scan_call.h"

namespace {

constexpr size_t MAX_TARGETS = 6;
// Integer and %n targets by size class: hh (or below), h, none, and l or more for %n.
constexpr size_t INTEGER_BYTES[] = {1, 2, 4, 8};

struct Target {
    size_t elementBytes = 0;  // the target's size (or one element's, when sized)
    bool sized = false;
    unsigned count = 0;
    bool null = false;
    std::unique_ptr<GuardedArea> area;
};

// The directive at format[at] (just after the '%'), read as the engine reads it; returns the
// index of its conversion character and fills the target it stores into, if any.
template <typename Char>
size_t directive(const std::basic_string<Char> &format, size_t at, std::vector<Target> &targets) {
    int sizeClass = 1, charWidth = 0;
    bool is64 = false, suppress = false;
    for (;; ++at) {
        const auto c = static_cast<uint32_t>(format[at]);
        const uint32_t next = at + 1 < format.size() ? static_cast<uint32_t>(format[at + 1]) : 0;
        if ((c >= '0' && c <= '9') || c == 'F' || c == 'N') continue;
        if (c == '*') {
            suppress = true;
        } else if (c == 'h') {
            charWidth = -1, --sizeClass;
        } else if (c == 'l' && next != 'l') {
            charWidth = 1, sizeClass = 2, is64 = true;
        } else if (c == 'l' || c == 'L' || c == 'j' || c == 'q' || c == 't' || c == 'z') {
            sizeClass = 3, is64 = true;
            if (c == 'l') ++at;
        } else if (c == 'w') {
            charWidth = 1;
        } else if (c == 'I') {
            const uint32_t after = at + 2 < format.size() ? uint32_t(format[at + 2]) : 0;
            const bool i32 = next == '3' && after == '2';
            is64 = is64 || !i32;
            if (i32 || (next == '6' && after == '4')) {
                at += 2;
            } else if (next > 127 || next == 0 || !std::strchr("dixXo", int(next))) {
                break;  // the 'I' is the conversion itself
            }
        } else {
            break;
        }
    }
    const auto conversionChar = static_cast<uint32_t>(format[at]);
    const uint32_t conversion = conversionChar | 0x20;
    if (conversion == '{') {  // skip the set: '^', a leading ']', then up to ']'
        size_t end = at + 1;
        if (end < format.size() && format[end] == '^') ++end;
        if (end < format.size() && format[end] == ']') ++end;
        while (end < format.size() && format[end] != ']') ++end;
        at = end < format.size() ? end : format.size() - 1;
    }
    if (suppress) return at;
    if (conversion == 'c' || conversion == 's' || conversion == '{') {
        if (charWidth == 0) charWidth = conversionChar == 'C' || conversionChar == 'S' ? 1 : -1;
        targets.push_back(Target{charWidth == 1 ? sizeof(wchar_t) : 1, true, 0, false, nullptr});
    } else if (std::string_view("diouxp").find(char(conversion)) != std::string_view::npos &&
               conversion < 128) {
        const bool wide64 = is64 || conversion == 'p';
        targets.push_back(Target{wide64 ? 8u : INTEGER_BYTES[std::clamp(sizeClass, -1, 1) + 1],
                                 false, 0, false, nullptr});
    } else if (conversion == 'e' || conversion == 'f' || conversion == 'g') {
        targets.push_back(Target{sizeClass >= 3   ? sizeof(long double)
                                 : sizeClass == 2 ? 8u
                                                  : 4u,
                                 false, 0, false, nullptr});
    } else if (conversion == 'n') {
        targets.push_back(
            Target{INTEGER_BYTES[std::clamp(sizeClass, -1, 2) + 1], false, 0, false, nullptr});
    }
    return at;
}

// Types the format's targets; a format with more than MAX_TARGETS is cut before the one too many.
template <typename Char>
std::vector<Target> type_format(std::basic_string<Char> &format) {
    std::vector<Target> targets;
    for (size_t at = 0; at < format.size(); ++at) {
        if (format[at] != Char('%')) continue;
        if (at + 1 == format.size()) break;
        const size_t end = directive(format, at + 1, targets);
        if (targets.size() > MAX_TARGETS) {
            targets.pop_back();
            format.resize(at);
            break;
        }
        at = end;
    }
    return targets;
}

template <typename Char>
std::basic_string<Char> text(FuzzInput &in, size_t maxLength) {
    const std::string bytes = in.take_line(maxLength);
    std::basic_string<Char> out;
    for (size_t i = 0; i < bytes.size(); ++i) {
        const auto b = static_cast<unsigned char>(bytes[i]);
        if constexpr (sizeof(Char) == 4) {  // 0xFE and four bytes: a unit of any value
            if (b == 0xFE && i + 4 < bytes.size()) {
                uint32_t unit;
                std::memcpy(&unit, bytes.data() + i + 1, 4);
                i += 4;
                if (unit != 0) out += Char(unit);
                continue;
            }
        }
        out += Char(b);
    }
    return out;
}

int vsscanf_form(const char *buffer, const char *format, ...) {
    va_list args;
    va_start(args, format);
    const int result = vsscanf_s(buffer, format, args);
    va_end(args);
    return result;
}

template <typename Char>
void run(FuzzInput &in, uint8_t mode) {
    std::basic_string<Char> format = text<Char>(in, 96);
    const std::basic_string<Char> input = text<Char>(in, 256);
    std::vector<Target> targets = type_format(format);
    for (Target &t : targets) {
        const uint8_t pick = in.take<uint8_t>();
        t.null = pick == 0xFF;
        t.count = pick == 0xFE ? 0x80000000u + pick : pick & 0x3F;
        // A size above the limits gets one element: only the pre-scan of an empty source may
        // store a terminator there.
        const size_t bytes = t.sized && pick != 0xFE ? t.count * t.elementBytes : t.elementBytes;
        t.area = std::make_unique<GuardedArea>(bytes);
    }
    const GuardedArea formatCopy(format.c_str(), format.size() + 1),
        inputCopy(input.c_str(), input.size() + 1);
    const Char *f = formatCopy.template begin<Char>();
    const Char *source = inputCopy.template begin<Char>();
    const auto pointer = [&](size_t i) -> void * {
        return targets[i].null ? nullptr : targets[i].area->begin();
    };
    int result;
    if constexpr (sizeof(Char) == 1) {
        result = call_with_targets<MAX_TARGETS>(
            [&](auto... a) {
                return (mode & 2) ? vsscanf_form(source, f, a...) : sscanf_s(source, f, a...);
            },
            targets, pointer);
    } else {
        result = call_with_targets<MAX_TARGETS>(
            [&](auto... a) { return swscanf_s(source, f, a...); }, targets, pointer);
    }
    if (result < -1 || result > int(targets.size())) std::abort();
    for (const Target &t : targets) {
        const bool huge = t.sized && t.count > 0x7FFFFFFFu;
        if (huge && input[0] != 0 && *t.area->begin() != 0x5A) std::abort();
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
    FuzzInput in{data, size};
    const uint8_t mode = in.take<uint8_t>();
    std::setlocale(LC_ALL, (mode & 4) ? "C.UTF-8" : "C");
    if (mode & 1) {
        run<wchar_t>(in, mode);
    } else {
        run<char>(in, mode);
    }
    return 0;
}
