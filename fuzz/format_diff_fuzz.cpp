// sprintf_s and swprintf_s against the C library's snprintf and swprintf on the differential
// test's grammar, its draws taken from the input: the whole output where it fits, -1 and an
// empty string one element short of it.
#include <cstdlib>
#include <cwchar>
#include <string>

#include "bounds_checked.h"
#include "format_grammar.h"
#include "fuzz_input.h"
#include "guard_page.h"

namespace {

// Draws from the input while it lasts, then from a fixed sequence, so every draw terminates.
struct InputEngine {
    using result_type = std::uint64_t;
    static constexpr result_type min() { return 0; }
    static constexpr result_type max() { return UINT64_MAX; }
    FuzzInput input;
    std::mt19937_64 rest;
    result_type operator()() { return input.size > 0 ? input.take<result_type>() : rest(); }
};

template <typename Char>
void compare(BasicGrammar<InputEngine> &g, Printer<Char> reference, Printer<Char> bounded) {
    const std::basic_string<Char> format(g.format.begin(), g.format.end());
    Char room[16384];
    const int length = print(reference, room, std::size(room), format.c_str(), g.args);
    if (length < 0) std::abort();
    for (const std::size_t destMax : {std::size_t(length) + 1, std::size_t(length)}) {
        if (destMax == 0) continue;
        GuardedArea dest(destMax * sizeof(Char));
        Char *out = dest.begin<Char>();
        const int result = print(bounded, out, destMax, format.c_str(), g.args);
        const bool fits = destMax > std::size_t(length);
        if (fits ? result != length || std::char_traits<Char>::compare(out, room, length + 1) != 0
                 : result != -1 || out[0] != Char(0)) {
            std::abort();
        }
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
    BasicGrammar<InputEngine> g{InputEngine{FuzzInput{data, size}, {}}, {}, {}};
    g.next();
    compare<char>(g, std::snprintf, sprintf_s);
    compare<wchar_t>(g, std::swprintf, swprintf_s);
    return 0;
}
