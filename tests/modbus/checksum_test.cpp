#include "checksum.h"

#include <gtest/gtest.h>

#include "test_support.h"

namespace trelon::test {
namespace {

struct TCrcCase {
    TBytes Bytes;
    uint16_t Crc;
};

TEST(Crc16, MatchesPublishedModbusExamples) {
    const TCrcCase cases[] = {
        {{}, 0xFFFF},
        {{0x01, 0x03, 0x00, 0x00, 0x00, 0x01}, 0x0A84},  // sent as 84 0A
        {{0x11, 0x03, 0x00, 0x6B, 0x00, 0x03}, 0x8776},  // the classic 11 03 00 6B 00 03 76 87
        {{0x01, 0x04, 0x02, 0xFF, 0xFF}, 0x80B8},
    };
    for (const TCrcCase& c : cases) EXPECT_EQ(Crc16(c.Bytes), c.Crc) << c.Bytes.size();
}

TEST(Lrc, IsTheNegatedSumOfTheDecodedPairs) {
    EXPECT_EQ(Lrc(Text("010300000001")), 0xFB);
    EXPECT_EQ(Lrc(Text("")), 0x00);
    EXPECT_EQ(Lrc(Text("FF01")), 0x00);  // the sum wraps at 8 bits
}

TEST(Hex, PairsAreUpperCaseAndOnlyUpperCaseDecodes) {
    for (int b = 0; b < 256; ++b) {
        std::array<uint8_t, 2> pair = HexPair(uint8_t(b));
        EXPECT_EQ(HexValue(pair[0], pair[1]), b);
        for (uint8_t c : pair) EXPECT_TRUE((c >= '0' && c <= '9') || (c >= 'A' && c <= 'F'));
    }
    EXPECT_EQ(HexPair(0xAF), (std::array<uint8_t, 2>{'A', 'F'}));
    EXPECT_NE(HexValue('0', 'a'), 0x0A);  // a lower-case letter decodes as something else
}

}  // namespace
}  // namespace trelon::test
