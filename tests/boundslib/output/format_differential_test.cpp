// The engine against the C library's snprintf and swprintf on formats generated with fixed seeds
// from the grammar in format_grammar.h, on which both agree.
#include <cwchar>
#include <string>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "bounds_checked.h"
#include "format_grammar.h"
#include "guarded_buffer.h"

namespace {

// Output that fits must be the reference's; in a random smaller destination whole gives -1 and
// an empty string, and truncating (when given) destMax - 1 and the reference cut there. Stops
// at the first case that fails.
template <typename Char>
void compare(uint64_t seed, int cases, Printer<Char> reference, Printer<Char> whole,
             Printer<Char> truncating) {
    Grammar g{std::mt19937_64(seed), {}, {}};
    std::vector<Char> room(16384);
    for (int i = 0; i < cases && !::testing::Test::HasFailure(); ++i) {
        g.next();
        const std::basic_string<Char> format(g.format.begin(), g.format.end());
        const int length = print(reference, room.data(), room.size(), format.c_str(), g.args);
        ASSERT_GE(length, 0) << g.format;
        const std::basic_string<Char> expected(room.data(), size_t(length));
        const size_t smaller = size_t(g.uniform(1, length + 1));
        SCOPED_TRACE("format \"" + g.format + "\", smaller destMax " + std::to_string(smaller));
        // One printer into a guarded destination: its result and the whole destination.
        auto run = [&](Printer<Char> printer, size_t size) {
            GuardedBuffer<Char> dest(size);
            const int result = print(printer, dest.data(), size, format.c_str(), g.args);
            EXPECT_TRUE(dest.guards_intact());
            return std::make_pair(result, std::basic_string<Char>(dest.data(), size));
        };
        EXPECT_EQ(run(whole, size_t(length) + 1), std::make_pair(length, expected + Char(0)));
        if (smaller > size_t(length)) continue;
        const auto cut = run(whole, smaller);
        EXPECT_EQ(std::make_pair(cut.first, cut.second[0]), std::make_pair(-1, Char(0)));
        if (truncating == nullptr) continue;
        EXPECT_EQ(run(truncating, smaller),
                  std::make_pair(int(smaller) - 1, expected.substr(0, smaller - 1) + Char(0)));
    }
}

TEST(FormatDifferential, NarrowAgreesWithSnprintf) {
    compare<char>(0x5eed0001, 6000, std::snprintf, sprintf_s, snprintf_truncated_s);
}

// All formats and arguments are ASCII, so narrow and wide text convert alike in every locale.
TEST(FormatDifferential, WideAgreesWithSwprintf) {
    compare<wchar_t>(0x5eed0002, 3000, std::swprintf, swprintf_s, nullptr);
}

}  // namespace
