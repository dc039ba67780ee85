// The relay's text converters on their own: length rules, what each pair decodes to, and that
// nothing is written past the text area.
#include "signing_relay.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "guarded_buffer.h"

namespace {

TEST(HexToBytes, DecodesPairsInOrderOnlyWhenTheLengthIsTwiceTheCount) {
    struct Case {
        const char *text;
        std::size_t count;
        bool ok;
        std::vector<std::uint8_t> bytes;
    };
    // A pair decodes as a base-16 conversion reads it, keeping the low 8 bits.
    const Case cases[] = {
        {"", 0, true, {}},
        {"00a5FF5a", 4, true, {0x00, 0xa5, 0xff, 0x5a}},
        {"zz1z-1-f+1 1", 6, true, {0x00, 0x01, 0xff, 0xf1, 0x01, 0x01}},
        {"a5a", 2, false, {0x77, 0x77}},
        {"a5a5a", 2, false, {0x77, 0x77}},
        {"a5", 0, false, {}},
    };
    for (const Case &c : cases) {
        GuardedBuffer<std::uint8_t> out(c.count, 0x77);
        EXPECT_EQ(hex_to_bytes(c.text, std::strlen(c.text), out.data(), c.count), c.ok) << c.text;
        EXPECT_EQ(std::vector<std::uint8_t>(out.data(), out.data() + c.count), c.bytes) << c.text;
        EXPECT_TRUE(out.guards_intact()) << c.text;
    }
}

TEST(BytesToHex, WritesLowerCaseDigitsOnlyWhenTheCapacityIsTwiceTheCount) {
    const std::uint8_t bytes[] = {0x00, 0x0f, 0xa0, 0xff};
    struct Case {
        std::size_t count, capacity;
        const char *text;  // nullptr: refused, nothing written
    };
    const Case cases[] = {
        {4, 8, "000fa0ff"}, {0, 0, ""}, {4, 7, nullptr}, {4, 9, nullptr}, {0, 2, nullptr},
    };
    for (const Case &c : cases) {
        GuardedBuffer<char> text(c.capacity + 1, 'X');
        EXPECT_EQ(bytes_to_hex(bytes, c.count, text.data(), c.capacity), c.text != nullptr)
            << c.count << "/" << c.capacity;
        if (c.text != nullptr && c.count > 0) {
            EXPECT_STREQ(text.data(), c.text);
        } else {
            EXPECT_EQ(text[0], 'X') << c.count << "/" << c.capacity;
        }
        EXPECT_TRUE(text.guards_intact()) << c.count << "/" << c.capacity;
    }
}

TEST(SignChallenge, RefusesMissingTextsWithoutTouchingTheOutput) {
    GuardedBuffer<char> out(129, 'X');
    EXPECT_FALSE(sign_challenge(nullptr, 64, out.data(), 128));
    EXPECT_FALSE(sign_challenge(std::string(64, 'a').c_str(), 64, nullptr, 128));
    EXPECT_EQ(out[0], 'X');
    EXPECT_TRUE(out.guards_intact());
}

}  // namespace
