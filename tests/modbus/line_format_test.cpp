#include "line_format.h"

#include <gtest/gtest.h>

#include "mb_enums.h"

namespace trelon {
namespace {

class LineFormatTest : public ::testing::Test {
  protected:
    void TearDown() override { SetTenBitsForAll(true); }
};

struct TLineCase {
    uint8_t Mode, Parity;
    bool TenBits;
    int32_t Format;
};

TEST_F(LineFormatTest, DataBitsByModeParityWordBySetting) {
    const TLineCase cases[] = {
        {mbcRTU, mpNone, false, 3 | 64},   // eight bits, no parity, two stop bits
        {mbcRTU, mpOdd, false, 3 | 4},     // odd parity, one stop bit
        {mbcRTU, mpEven, false, 3 | 8},    // even parity, one stop bit
        {mbcASCII, mpEven, false, 2 | 8},  // seven bits
        {mbcASCII, mpNone, false, 2 | 64},
        {mbcRTU, 7, false, 3 | 64},  // an unknown parity setting counts as none
        {mbcRTU, mpEven, true, 3},   // "TenBitsForAll": no parity, one stop bit
        {mbcASCII, mpOdd, true, 2},
    };
    for (const TLineCase& c : cases) {
        SetTenBitsForAll(c.TenBits);
        EXPECT_EQ(LineFormat(c.Mode, c.Parity), c.Format)
            << int(c.Mode) << "/" << int(c.Parity) << "/" << c.TenBits;
    }
}

TEST_F(LineFormatTest, TenBitsForAllIsOnByDefault) {
    EXPECT_TRUE(TenBitsForAll());
}

}  // namespace
}  // namespace trelon
