// strtok_s and wcstok_s against the C library's tokenizers on generated strings and delimiter
// sets (empty ones included), two strings split at once, calls after the end and missing
// arguments.
#include <gtest/gtest.h>

#include <cstring>
#include <cwchar>
#include <random>
#include <vector>

#include "bounds_checked.h"

namespace {

// The last letter is above 127 (narrow) or shares its low byte with 'A' (wide): elements compare
// whole.
template <typename Ch>
constexpr Ch kAlphabet[] = {Ch('a'), Ch('A'), Ch(','), Ch(';'), Ch(sizeof(Ch) == 1 ? 0xFF : 0x141)};

template <typename Ch>
std::vector<Ch> generated(std::mt19937 &rng, size_t maxLen) {
    std::vector<Ch> v(rng() % (maxLen + 1));
    for (Ch &c : v) c = kAlphabet<Ch>[rng() % 5];
    v.push_back(Ch(0));
    return v;
}

template <typename Ch, typename Tokenize, typename Reference>
void check_against_reference(Tokenize tokenize, Reference reference) {
    std::mt19937 rng(sizeof(Ch));
    for (int round = 0; round < 3000; ++round) {
        const std::vector<Ch> text = generated<Ch>(rng, 12), delim = generated<Ch>(rng, 3);
        std::vector<Ch> want = text;
        std::vector<long> tokens;  // offsets of the tokens
        Ch *state = nullptr;
        for (Ch *t = reference(want.data(), delim.data(), &state); t != nullptr;
             t = reference(nullptr, delim.data(), &state)) {
            tokens.push_back(t - want.data());
        }
        // Two copies split in turns: no state may hide outside the context cells.
        std::vector<Ch> a = text, b = text;
        Ch *contextA = nullptr, *contextB = nullptr;
        const auto offset = [](const Ch *p, const std::vector<Ch> &s) {
            return p == nullptr ? -1 : p - s.data();
        };
        tokens.push_back(-1);
        for (size_t i = 0; i < tokens.size(); ++i) {
            const Ch *gotA = tokenize(i == 0 ? a.data() : nullptr, delim.data(), &contextA);
            const Ch *gotB = tokenize(i == 0 ? b.data() : nullptr, delim.data(), &contextB);
            ASSERT_TRUE(offset(gotA, a) == tokens[i] && offset(gotB, b) == tokens[i])
                << "round " << round << " token " << i;
        }
        // Calls after the end keep returning null with the context on the string's end; calls
        // with a missing argument return null and write nothing, the context included.
        const Ch *end = a.data() + text.size() - 1;
        Ch *none = nullptr;
        ASSERT_TRUE(tokenize(nullptr, delim.data(), &contextA) == nullptr &&
                    tokenize(b.data(), delim.data(), nullptr) == nullptr &&
                    tokenize(b.data(), nullptr, &contextA) == nullptr &&
                    tokenize(nullptr, delim.data(), &none) == nullptr && none == nullptr)
            << "round " << round;
        ASSERT_TRUE(contextA == end && a == want && b == want) << "round " << round;
    }
}

TEST(Tokenize, AgreesWithTheCLibrary) {
    check_against_reference<char>(strtok_s, strtok_r);
    check_against_reference<wchar_t>(
        wcstok_s, static_cast<wchar_t *(*)(wchar_t *, const wchar_t *, wchar_t **)>(std::wcstok));
}

}  // namespace
