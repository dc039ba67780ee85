// The relay's text converters on their own: length rules, what each pair decodes to, and that
// nothing is written past the text area.
#include "signing_relay.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "guarded_buffer.h"

namespace {

TEST(HexToBytes, DecodesEachPairAsBase16Conversion) {
    struct Case {
        const char *text;
        std::uint8_t expected;
    };
    // Every pair gets what a base-16 conversion makes of it; only the low 8 bits are kept.
    const Case cases[] = {
        {"00", 0x00}, {"ff", 0xff}, {"FF", 0xff}, {"a5", 0xa5}, {"5A", 0x5a},
        {"zz", 0x00}, {"1z", 0x01}, {"z1", 0x00}, {" 1", 0x01}, {"+1", 0x01},
        {"-1", 0xff}, {"-f", 0xf1}, {"\t7", 0x07}, {"0x", 0x00}, {"x0", 0x00},
    };
    for (const auto &c : cases) {
        std::uint8_t byte = 0xEE;
        ASSERT_TRUE(hex_to_bytes(c.text, 2, &byte, 1)) << c.text;
        EXPECT_EQ(byte, c.expected) << '"' << c.text << '"';
    }
}

TEST(HexToBytes, KeepsTextOrderAndReadsBothCases) {
    const std::string lower = "00112233445566778899aabbccddeeff0123456789abcdeffedcba9876543210";
    std::string upper = lower;
    for (char &ch : upper) ch = static_cast<char>(std::toupper(static_cast<unsigned char>(ch)));
    std::vector<std::uint8_t> a(32), b(32);
    ASSERT_TRUE(hex_to_bytes(lower.c_str(), 64, a.data(), 32));
    ASSERT_TRUE(hex_to_bytes(upper.c_str(), 64, b.data(), 32));
    EXPECT_EQ(a, b);
    EXPECT_EQ(a[0], 0x00);
    EXPECT_EQ(a[1], 0x11);
    EXPECT_EQ(a[15], 0xff);
    EXPECT_EQ(a[31], 0x10);
}

TEST(HexToBytes, LengthMustBeTwiceTheByteCount) {
    struct Case {
        std::size_t length, count;
        bool ok;
    };
    const Case cases[] = {{0, 0, true}, {64, 32, true}, {63, 32, false}, {65, 32, false},
                          {2, 0, false}, {0, 1, false}, {128, 32, false}};
    const std::string text(128, 'a');
    for (const auto &c : cases) {
        GuardedBuffer<std::uint8_t> out(c.count, 0x77);
        EXPECT_EQ(hex_to_bytes(text.c_str(), c.length, out.data(), c.count), c.ok)
            << c.length << "/" << c.count;
        for (std::size_t i = 0; !c.ok && i < c.count; ++i) EXPECT_EQ(out[i], 0x77);
        EXPECT_TRUE(out.guards_intact());
    }
}

TEST(BytesToHex, WritesLowerCaseDigitsAndTerminatorWithinCapacity) {
    std::vector<std::uint8_t> bytes(64);
    for (std::size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<std::uint8_t>(i * 37 + 3);
    GuardedBuffer<char> text(129, 'X');
    ASSERT_TRUE(bytes_to_hex(bytes.data(), 64, text.data(), 128));
    EXPECT_TRUE(text.guards_intact());
    std::string expected;
    char pair[3];
    for (auto b : bytes) {
        std::snprintf(pair, sizeof pair, "%02x", b);
        expected += pair;
    }
    EXPECT_EQ(std::string(text.data()), expected);
    EXPECT_EQ(text[128], '\0');
}

TEST(BytesToHex, CapacityMustBeTwiceTheCountAndZeroWritesNothing) {
    const std::uint8_t bytes[4] = {1, 2, 3, 4};
    struct Case {
        std::size_t count, capacity;
        bool ok;
    };
    const Case cases[] = {{4, 8, true}, {4, 7, false}, {4, 9, false}, {0, 0, true}, {0, 2, false}};
    for (const auto &c : cases) {
        GuardedBuffer<char> text(c.capacity + 1, 'X');
        EXPECT_EQ(bytes_to_hex(bytes, c.count, text.data(), c.capacity), c.ok)
            << c.count << "/" << c.capacity;
        if (c.count == 0 || !c.ok) {
            EXPECT_EQ(text[0], 'X') << "nothing written";
        }
        EXPECT_TRUE(text.guards_intact());
    }
}

TEST(SignChallenge, RejectsBadArgumentsBeforeTouchingTheOutput) {
    const std::string good(64, 'a');
    struct Case {
        const char *challenge;
        std::size_t length, capacity;
        bool nullOutput;
    };
    const Case cases[] = {{nullptr, 64, 128, false}, {good.c_str(), 64, 128, true},
                          {good.c_str(), 63, 128, false}, {good.c_str(), 65, 128, false},
                          {good.c_str(), 0, 128, false}, {good.c_str(), 64, 127, false}};
    for (const auto &c : cases) {
        GuardedBuffer<char> out(129, 'X');
        EXPECT_FALSE(sign_challenge(c.challenge, c.length, c.nullOutput ? nullptr : out.data(),
                                    c.capacity));
        EXPECT_EQ(out[0], 'X');
        EXPECT_TRUE(out.guards_intact());
    }
}

}  // namespace
