#include <gtest/gtest.h>

#include <termios.h>

#include "char_format.h"
#include "char_wire.h"

namespace trelon {
namespace {

using namespace std::chrono_literals;

constexpr TCharFormat Format(std::uint32_t baud, int dataBits = 8, TParity parity = TParity::None,
                             int stopBits = 1) {
    return {baud, dataBits, parity, stopBits};
}

TEST(CharFormat, CharacterTimeCountsEveryBitAndFrameGapHasFloor) {
    EXPECT_EQ(CharTime(Format(9600)), 1'041'666ns);                     // 10 bits
    EXPECT_EQ(CharTime(Format(9600, 8, TParity::Even)), 1'145'833ns);   // 11 bits
    EXPECT_EQ(CharTime(Format(19200, 7, TParity::Odd, 2)), 572'916ns);  // 11 bits
    EXPECT_EQ(FrameGap(Format(9600)), 3'645'831ns);
    EXPECT_EQ(FrameGap(Format(115200)), 1750us);
}

TEST(CharFormat, ReadFromSettingsWithWordOverride) {
    termios settings{};
    cfsetospeed(&settings, B1200);
    settings.c_cflag = (settings.c_cflag & ~CSIZE) | CS7 | PARENB | PARODD | CSTOPB;
    EXPECT_EQ(CharFormatOf(settings, std::nullopt), Format(1200, 7, TParity::Odd, 2));
    settings.c_cflag |= CMSPAR;
    EXPECT_EQ(CharFormatOf(settings, std::nullopt).Parity, TParity::Mark);
    EXPECT_EQ(CharFormatOf(settings, TWordFormat{8, TParity::Even}),
              Format(1200, 8, TParity::Even, 2));
    cfsetospeed(&settings, B0);  // no rate: taken as 9600
    EXPECT_EQ(CharFormatOf(settings, std::nullopt).Baud, 9600u);
}

struct TSampleCase {
    const char* Name;
    TCharFormat Sent;
    TCharFormat Expected;
    std::uint8_t Value;
    std::optional<TReceivedChar> Received;
};

// Sender bit k is read where the receiver's sample falls: (k + 0.5) receiver bit times.
const TSampleCase kSampleCases[] = {
    {"same format passes", Format(9600), Format(9600), 0xA5, TReceivedChar{0xA5}},
    {"7 bits sent lose the top bit", Format(9600, 7), Format(9600, 7), 0xA5, TReceivedChar{0x25}},
    {"7-bit receiver reads the top bit as its stop bit", Format(9600), Format(9600, 7), 0x25,
     TReceivedChar{0x25, true, false}},
    {"8E1 into 8N1: parity bit read as stop bit", Format(9600, 8, TParity::Even), Format(9600),
     0x03, TReceivedChar{0x03, true, false}},
    {"8N1 into 8E1: stop bit read as parity", Format(9600), Format(9600, 8, TParity::Even), 0x00,
     TReceivedChar{0x00, false, true}},
    {"matching parity", Format(9600, 8, TParity::Odd), Format(9600, 8, TParity::Odd), 0x07,
     TReceivedChar{0x07}},
    {"receiver twice as fast", Format(9600), Format(19200), 0xFF, TReceivedChar{0xFE}},
    {"receiver twice as fast, stop bit low", Format(9600), Format(19200), 0x00,
     TReceivedChar{0x00, true, false}},
    {"receiver half as fast", Format(19200), Format(9600), 0x00, TReceivedChar{0xF8}},
    {"receiver half as fast misses the start bit", Format(19200), Format(9600), 0x01, std::nullopt},
};

TEST(CharWire, ReceiverSamplesTheSendersBits) {
    for (const TSampleCase& c : kSampleCases)
        EXPECT_EQ(SampleChar(c.Sent, c.Expected, c.Value), c.Received) << c.Name;
}

TEST(CharWire, ErrorsArePassedOnAsTheInputFlagsSay) {
    TReceivedChar good{0x41}, framing{0x41, true, false}, parity{0x41, false, true};
    TErrorHandling none{}, check{true, false}, ignore{true, true}, ignoreOnly{false, true};
    EXPECT_EQ(PassedOn(good, check), 0x41);
    EXPECT_EQ(PassedOn(framing, none), 0x41);
    EXPECT_EQ(PassedOn(framing, check), 0x00);
    EXPECT_EQ(PassedOn(parity, ignore), std::nullopt);
    EXPECT_EQ(PassedOn(parity, ignoreOnly), 0x41);  // IGNPAR without INPCK looks at nothing

    termios settings{};
    settings.c_iflag = INPCK | IGNPAR;
    EXPECT_TRUE(ErrorHandlingOf(settings).Check);
    EXPECT_TRUE(ErrorHandlingOf(settings).Ignore);
}

}  // namespace
}  // namespace trelon
