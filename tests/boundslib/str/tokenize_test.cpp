// strtok_s and wcstok_s: whole token sequences, calls after the end and the context cell.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "bounds_checked.h"
#include "string_scene.h"

namespace {

struct TokenCase {
    const char *name;
    const char *text;
    const char *delim;
    const char *tokens;  // joined by '|'
    const char *after;   // the string's buffer at the end, terminator included
    int contextAt;       // where the context points at the end
};

constexpr TokenCase kTokenCases[] = {
    {"delimiters around and between", ",,abc,,def,,", ",", "abc|def", ",,abc~,def~,~", 12},
    {"empty string", "", ",", "", "~", 0},
    {"only delimiters", ",,,", ",", "", ",,,~", 3},
    {"empty delimiter set", "a,b c", "", "a,b c", "a,b c~", 5},
    {"several delimiters", "a,b;c", ",;", "a|b|c", "a~b~c~", 5},
    {"ends on a delimiter", "abc,", ",", "abc", "abc~~", 4},
    {"a delimiter above 127",
     "a\xff"
     "b",
     "\xff", "a|b", "a~b~", 3},
};

template <typename Ch, typename Tokenize>
void run_tokens(const TokenCase &c, const char *function, Tokenize tokenize) {
    Scene<Ch> scene(std::string(c.text) + "~", 0, kSeparate, c.delim);
    const Ch *delim = scene.source.data();
    Ch *context = nullptr;
    std::string tokens;
    Ch *token = tokenize(scene.dest, delim, &context);
    for (int calls = 0; token != nullptr && calls < 100; ++calls) {
        if (!tokens.empty()) tokens += '|';
        tokens += to_picture(token, std::char_traits<Ch>::length(token));
        token = tokenize(nullptr, delim, &context);
    }
    // Calls after the end keep returning null and leave the context where it is.
    Ch *const end = context;
    EXPECT_EQ(tokenize(nullptr, delim, &context), nullptr) << function << ": " << c.name;
    EXPECT_EQ(context, end) << function << ": " << c.name;

    EXPECT_EQ(tokens, c.tokens) << function << ": " << c.name;
    EXPECT_EQ(scene.picture(), c.after) << function << ": " << c.name;
    EXPECT_EQ(context - scene.buffer.data(), c.contextAt) << function << ": " << c.name;
    EXPECT_TRUE(scene.buffer.guards_intact()) << function << ": " << c.name;
}

TEST(Tokenize, Sequences) {
    for (const TokenCase &c : kTokenCases) {
        run_tokens<char>(c, "strtok_s", strtok_s);
        run_tokens<wchar_t>(c, "wcstok_s", wcstok_s);
    }
}

template <typename Ch, typename Tokenize>
void check_missing_arguments(Tokenize tokenize) {
    std::vector<Ch> text = from_picture<Ch>("a,b", true);
    const std::vector<Ch> delim = from_picture<Ch>(",", true);
    Ch *context = text.data() + 1;
    EXPECT_EQ(tokenize(text.data(), delim.data(), nullptr), nullptr);
    EXPECT_EQ(tokenize(text.data(), nullptr, &context), nullptr);
    EXPECT_EQ(context, text.data() + 1);
    context = nullptr;
    EXPECT_EQ(tokenize(nullptr, delim.data(), &context), nullptr);
    EXPECT_EQ(context, nullptr);
    EXPECT_EQ(to_picture(text.data(), text.size()), "a,b~");
}

TEST(Tokenize, MissingArgumentsGiveNullAndWriteNothing) {
    check_missing_arguments<char>(strtok_s);
    check_missing_arguments<wchar_t>(wcstok_s);
}

TEST(Tokenize, TwoStringsSplitAtOnce) {
    char first[] = "a b c";
    char second[] = "x,y";
    char *firstContext = nullptr;
    char *secondContext = nullptr;
    EXPECT_STREQ(strtok_s(first, " ", &firstContext), "a");
    EXPECT_STREQ(strtok_s(second, ",", &secondContext), "x");
    EXPECT_STREQ(strtok_s(nullptr, " ", &firstContext), "b");
    EXPECT_STREQ(strtok_s(nullptr, ",", &secondContext), "y");
    EXPECT_STREQ(strtok_s(nullptr, " ", &firstContext), "c");
    EXPECT_EQ(strtok_s(nullptr, ",", &secondContext), nullptr);
}

// Wide elements compare as whole 32-bit values: 0x141 is not 'A' (0x41).
TEST(Tokenize, WideDelimiterAbove255SplitsOnlyAtItself) {
    wchar_t text[] = {L'a', 0x141, L'b', L'A', L'c', 0};
    const wchar_t delim[] = {0x141, 0};
    wchar_t *context = nullptr;
    EXPECT_STREQ(wcstok_s(text, delim, &context), L"a");
    EXPECT_STREQ(wcstok_s(nullptr, delim, &context), L"bAc");
    EXPECT_EQ(wcstok_s(nullptr, delim, &context), nullptr);
}

}  // namespace
