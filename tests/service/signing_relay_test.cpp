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
        std::vector<std::uint8_t> bytes;  // empty: refused, nothing written
    };
    // A pair decodes as a base-16 conversion reads it, keeping the low 8 bits.
    const Case cases[] = {
        {"00a5FFzz1z-1-f+1 1", 9, {0x00, 0xa5, 0xff, 0x00, 0x01, 0xff, 0xf1, 0x01, 0x01}},
        {"a5a", 2, {}},
        {"a5a5a", 2, {}},
    };
    for (const Case &c : cases) {
        GuardedBuffer<std::uint8_t> out(c.count, 0x77);
        EXPECT_EQ(hex_to_bytes(c.text, std::strlen(c.text), out.data(), c.count), !c.bytes.empty())
            << c.text;
        EXPECT_EQ(std::vector(out.data(), out.data() + c.count),
                  c.bytes.empty() ? std::vector<std::uint8_t>(c.count, 0x77) : c.bytes)
            << c.text;
        EXPECT_TRUE(out.guards_intact()) << c.text;
    }
}

TEST(BytesToHex, WritesLowerCaseDigitsOnlyWhenTheCapacityIsTwiceTheCount) {
    const std::uint8_t bytes[] = {0x00, 0x0f, 0xa0, 0xff};
    for (const std::size_t capacity : {7, 8, 9}) {
        GuardedBuffer<char> text(capacity + 1, 'X');
        EXPECT_EQ(bytes_to_hex(bytes, 4, text.data(), capacity), capacity == 8) << capacity;
        // Written, the digits end with a terminator just past the capacity.
        EXPECT_EQ(std::string(text.data(), capacity + 1),
                  capacity == 8 ? std::string("000fa0ff", 9) : std::string(capacity + 1, 'X'))
            << capacity;
        EXPECT_TRUE(text.guards_intact()) << capacity;
    }
}

}  // namespace
