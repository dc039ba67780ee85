// The formatted-output functions with the format, destMax and argument values taken from the
// input. The arguments are typed by reading the format as the engine does, so every call is
// defined; each destination ends right before a guard page, and the result rules are checked.
#include <clocale>
#include <cstdlib>
#include <cwchar>
#include <memory>
#include <string>
#include <variant>
#include <vector>

#include "bounds_checked.h"
#include "format_typing.h"
#include "fuzz_input.h"
#include "guard_page.h"

// The formats come from the input by design.
#pragma clang diagnostic ignored "-Wformat-security"
#pragma clang diagnostic ignored "-Wformat-nonliteral"

namespace {

using Arg =
    std::variant<int, unsigned long long, double, long double, const char *, const wchar_t *>;
enum Function { SPRINTF, SNPRINTF, TRUNCATED, SWPRINTF, FUNCTIONS };
constexpr std::size_t kReferenceRoom = 1 << 16;

struct Call {
    Function function;
    std::size_t destMax;
    std::size_t count;
    const void *format;
};

// Passes the arguments with their own types.
template <typename... Done>
int invoke(const Call &c, void *dest, const std::vector<Arg> &args, Done... done) {
    if constexpr (sizeof...(Done) < MAX_TYPED_ARGS) {
        if (sizeof...(Done) < args.size()) {
            return std::visit([&](auto v) { return invoke(c, dest, args, done..., v); },
                              args[sizeof...(Done)]);
        }
    }
    const auto *narrow = static_cast<const char *>(c.format);
    auto *out = static_cast<char *>(dest);
    switch (c.function) {
        case SPRINTF:
            return sprintf_s(out, c.destMax, narrow, done...);
        case SNPRINTF:
            return snprintf_s(out, c.destMax, c.count, narrow, done...);
        case TRUNCATED:
            return snprintf_truncated_s(out, c.destMax, narrow, done...);
        default:
            return swprintf_s(static_cast<wchar_t *>(dest), c.destMax,
                              static_cast<const wchar_t *>(c.format), done...);
    }
}

std::size_t take_size(FuzzInput &in, std::size_t limit) {
    const std::size_t pick = in.take<std::uint8_t>() % 8;
    return pick == 0   ? 0
           : pick == 1 ? limit + 1
           : pick == 2 ? SIZE_MAX
                       : in.take_below_or_equal(300);
}

// Holds what the string arguments point at until the calls are over.
struct Strings {
    std::vector<std::unique_ptr<GuardedArea>> areas;

    template <typename Char>
    const Char *add(FuzzInput &in) {
        if (in.take<std::uint8_t>() % 16 == 0) return nullptr;
        const std::string bytes = in.take_line(80);
        std::basic_string<Char> text;
        for (const char b : bytes) {
            text.push_back(sizeof(Char) == 1 ? Char(b) : Char(std::uint8_t(b)) * 0x1F3 % 0x110000);
        }
        areas.push_back(std::make_unique<GuardedArea>(text.c_str(), text.size() + 1));
        return areas.back()->begin<Char>();
    }
};

template <typename Char>
std::basic_string<Char> take_format(FuzzInput &in) {
    const std::string bytes = in.take_line(200);
    std::basic_string<Char> format;
    for (const char b : bytes) {
        // Wide formats also get characters above the byte range.
        const auto u = std::uint8_t(b);
        format.push_back(sizeof(Char) > 1 && u >= 0xF0 ? Char(0x100 + u * 0x301) : Char(u));
    }
    return format;
}

// The rules every result obeys, given the whole output when it could be had (length >= 0).
template <typename Char>
bool result_obeys_rules(const Call &c, const Char *out, int result, int length, const Char *whole) {
    const std::size_t limit = sizeof(Char) == 1 ? MAX_BUFFER_BYTES : MAX_BUFFER_WCHARS;
    if (c.destMax == 0 || c.destMax > limit) return result == -1;
    const auto same = [&](std::size_t n) {
        return std::char_traits<Char>::compare(out, whole, n) == 0 && out[n] == Char(0);
    };
    const std::size_t room = c.destMax - 1;
    const bool counted = c.function == SNPRINTF && c.count < c.destMax;
    if (c.function == SNPRINTF && c.count > 0x7FFFFFFE) return result == -1 && out[0] == 0;
    if (length >= 0 && std::size_t(length) <= (counted ? c.count : room)) {
        return result == length && same(std::size_t(length));
    }
    if (length >= 0 && c.function == TRUNCATED) return result == int(room) && same(room);
    if (length >= 0 && counted) return result == -1 && same(c.count);
    if (result == -1 && out[0] == Char(0)) return true;
    // A format error behind the cut is never reached by the truncating forms.
    if (c.function == TRUNCATED) return result == int(room) && out[room] == Char(0);
    return counted && result == -1 && out[c.count] == Char(0);
}

template <typename Char>
void run(FuzzInput &in, Function function) {
    const std::basic_string<Char> format = take_format<Char>(in);
    std::vector<ArgType> types;
    const std::size_t used = type_arguments(format.c_str(), types);
    const std::basic_string<Char> cut = format.substr(0, used);
    Strings strings;
    std::vector<Arg> args;
    for (const ArgType type : types) {
        if (type == ARG_INT) args.push_back(in.take<int>());
        if (type == ARG_INT64) args.push_back(in.take<unsigned long long>());
        if (type == ARG_DOUBLE) args.push_back(in.take<double>());
        if (type == ARG_LONG_DOUBLE) args.push_back(static_cast<long double>(in.take<double>()));
        if (type == ARG_STRING) args.push_back(strings.add<char>(in));
        if (type == ARG_WIDE_STRING) args.push_back(strings.add<wchar_t>(in));
        if (type == ARG_FLOAT_FIELD)
            args.push_back(int(in.take<std::int16_t>() % (MAX_FLOAT_FIELD + 1)));
    }
    const std::size_t limit = sizeof(Char) == 1 ? MAX_BUFFER_BYTES : MAX_BUFFER_WCHARS;
    Call c{function, take_size(in, limit), take_size(in, 0x7FFFFFFE), cut.c_str()};

    // The whole output, from the plain function with ample room.
    GuardedArea reference(kReferenceRoom * sizeof(Char));
    const Function plain = sizeof(Char) == 1 ? SPRINTF : SWPRINTF;
    const int length = invoke({plain, kReferenceRoom, 0, cut.c_str()}, reference.begin(), args);

    const std::size_t usable = c.destMax == 0 || c.destMax > limit ? 16 : c.destMax;
    GuardedArea dest(usable * sizeof(Char), 0x5A);
    const int result = invoke(c, dest.begin(), args);
    const Char *out = dest.begin<Char>();
    if (!result_obeys_rules(c, out, result, length, reference.begin<Char>())) std::abort();
    // An unusable destination is never touched.
    if (usable != c.destMax && dest.begin()[0] != 0x5A) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***) {
    // Wide text in conversions must be encodable, so that not every one is an error.
    std::setlocale(LC_ALL, "C.UTF-8");
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
    FuzzInput in{data, size};
    const auto function = static_cast<Function>(in.take<std::uint8_t>() % FUNCTIONS);
    if (function == SWPRINTF) {
        run<wchar_t>(in, function);
    } else {
        run<char>(in, function);
    }
    return 0;
}
