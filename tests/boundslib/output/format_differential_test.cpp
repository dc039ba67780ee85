// The engine against the C library's snprintf and swprintf on generated formats (see
// format_grammar.h for the grammar and what it leaves out): identical output when it fits, and
// the front ends' results when it does not.
#include <cstdarg>
#include <cstdio>
#include <cwchar>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "bounds_checked.h"
#include "format_grammar.h"
#include "guarded_buffer.h"

namespace {

using grammar::Arg;
using grammar::Kind;

constexpr int CASES = 6000;
constexpr size_t REFERENCE_ROOM = 16384;
constexpr int FAILURES_SHOWN = 10;

template <typename Char>
using Printer = int (*)(Char *, size_t, const Char *, ...);

// Passes the generated arguments with their own types, so both sides read what was passed.
template <typename F, typename... Done>
int apply_args(const F &call, const std::vector<Arg> &args, Done... done) {
    constexpr size_t index = sizeof...(Done);
    if constexpr (index == grammar::MAX_ARGS) {
        return call(done...);
    } else {
        if (index == args.size()) return call(done...);
        const Arg &arg = args[index];
        switch (arg.kind) {
            case Kind::Int:
                return apply_args(call, args, done..., arg.i);
            case Kind::Long:
                return apply_args(call, args, done..., arg.ll);
            case Kind::Double:
                return apply_args(call, args, done..., arg.d);
            default:
                return apply_args(call, args, done..., arg.p);
        }
    }
}

template <typename Char>
int print(Printer<Char> printer, Char *dest, size_t destMax, const std::basic_string<Char> &format,
          const std::vector<Arg> &args) {
    return apply_args(
        [&](auto... values) { return printer(dest, destMax, format.c_str(), values...); }, args);
}

int reference_snprintf(char *dest, size_t size, const char *format, ...) {
    va_list args;
    va_start(args, format);
    const int result = std::vsnprintf(dest, size, format, args);
    va_end(args);
    return result;
}

int reference_swprintf(wchar_t *dest, size_t size, const wchar_t *format, ...) {
    va_list args;
    va_start(args, format);
    const int result = std::vswprintf(dest, size, format, args);
    va_end(args);
    return result;
}

// The case's whole output through a destination of exactly its length plus the terminator, and
// through a random smaller one. Returns false after reporting a mismatch.
template <typename Char>
bool agrees(const grammar::Generated &generated, const std::basic_string<Char> &format,
            const std::basic_string<Char> &expected, size_t smaller, Printer<Char> whole,
            Printer<Char> truncating) {
    const std::string name = generated.describe();
    const size_t length = expected.size();
    {
        GuardedBuffer<Char> dest(length + 1);
        const int result = print(whole, dest.data(), length + 1, format, generated.args);
        const std::basic_string<Char> got(dest.data(), result >= 0 ? result : 0);
        if (result != static_cast<int>(length) || got != expected || dest[length] != 0 ||
            !dest.guards_intact()) {
            ADD_FAILURE() << name << ": whole output differs (result " << result << ")";
            return false;
        }
    }
    if (length == 0) return true;
    GuardedBuffer<Char> dest(smaller);
    const int result = print(whole, dest.data(), smaller, format, generated.args);
    if (result != -1 || dest[0] != 0 || !dest.guards_intact()) {
        ADD_FAILURE() << name << ": destMax " << smaller << " gave " << result;
        return false;
    }
    if (truncating == nullptr) return true;
    GuardedBuffer<Char> cut(smaller);
    const int cutResult = print(truncating, cut.data(), smaller, format, generated.args);
    if (cutResult != static_cast<int>(smaller - 1) ||
        std::basic_string<Char>(cut.data(), smaller - 1) != expected.substr(0, smaller - 1) ||
        cut[smaller - 1] != 0 || !cut.guards_intact()) {
        ADD_FAILURE() << name << ": truncated to destMax " << smaller << " gave " << cutResult;
        return false;
    }
    return true;
}

TEST(FormatDifferential, NarrowAgreesWithSnprintf) {
    grammar::Generator generator(0x5eed0001);
    std::mt19937 sizes(7);
    std::vector<char> reference(REFERENCE_ROOM);
    int failures = 0;
    for (int i = 0; i < CASES && failures < FAILURES_SHOWN; ++i) {
        const grammar::Generated generated = generator.next();
        const int length = print<char>(reference_snprintf, reference.data(), reference.size(),
                                       generated.format, generated.args);
        ASSERT_GE(length, 0) << generated.describe();
        ASSERT_LT(static_cast<size_t>(length), reference.size()) << generated.describe();
        const std::string expected(reference.data(), static_cast<size_t>(length));
        const size_t smaller =
            length == 0 ? 1 : std::uniform_int_distribution<size_t>(1, length)(sizes);
        if (!agrees<char>(generated, generated.format, expected, smaller, sprintf_s,
                          snprintf_truncated_s)) {
            ++failures;
        }
    }
    EXPECT_EQ(failures, 0);
}

// The same grammar over wide characters: all its formats and arguments are ASCII, so the
// conversions between narrow and wide text agree in every locale.
TEST(FormatDifferential, WideAgreesWithSwprintf) {
    grammar::Generator generator(0x5eed0002);
    std::mt19937 sizes(11);
    std::vector<wchar_t> reference(REFERENCE_ROOM);
    int failures = 0;
    for (int i = 0; i < CASES / 2 && failures < FAILURES_SHOWN; ++i) {
        const grammar::Generated generated = generator.next();
        const std::wstring format(generated.format.begin(), generated.format.end());
        const int length = print<wchar_t>(reference_swprintf, reference.data(), reference.size(),
                                          format, generated.args);
        ASSERT_GE(length, 0) << generated.describe();
        const std::wstring expected(reference.data(), static_cast<size_t>(length));
        const size_t smaller =
            length == 0 ? 1 : std::uniform_int_distribution<size_t>(1, length)(sizes);
        if (!agrees<wchar_t>(generated, format, expected, smaller, swprintf_s, nullptr)) {
            ++failures;
        }
    }
    EXPECT_EQ(failures, 0);
}

}  // namespace
