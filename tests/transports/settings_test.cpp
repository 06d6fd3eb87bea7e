// The rules of the serial transports that need no port: speed codes and the gap that ends a
// frame, props arrays, port names, character formats and the "Com" settings.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "core/model/transport_task.h"
#include "transports/com_props.h"
#include "transports/com_settings.h"
#include "transports/serial_format.h"
#include "transports/serial_termios.h"
#include "transports/speed_codes.h"

namespace trelon {
namespace {

TEST(SpeedCodes, GapThatEndsAFrame) {
    struct TCase {
        int Code;
        int MinGapUnit;
        uint8_t Multiplier;
        int GapMs;
    };
    const TCase cases[] = {
        {4, 0, 5, 15},   // 19200 with the defaults
        {3, 0, 5, 25},   // 9600
        {0, 0, 5, 165},  // 1200
        {4, 10, 5, 50},  // a larger minimum gap unit wins
        {4, 2, 5, 15},   // a smaller one leaves the speed's unit
        {4, 0, 0, 0},    // ByteTimeoutMultiplier 0: the first pause ends the answer
        {7, 0, 5, 5},   {1, 0, 1, 17}, {2, 0, 1, 9}, {5, 0, 1, 2}, {6, 0, 1, 1},
    };
    for (const TCase& c : cases)
        EXPECT_EQ(ByteGap(GapUnit(c.Code, c.MinGapUnit), c.Multiplier), c.GapMs)
            << "code " << c.Code << ", min unit " << c.MinGapUnit << ", x" << int(c.Multiplier);
    EXPECT_EQ(BaudRate(0), 1200);
    EXPECT_EQ(BaudRate(7), 115200);
    for (int bad : {-1, 8, 255}) {
        EXPECT_EQ(BaudRate(bad), 0);
        EXPECT_EQ(FrameGapTime(bad), 0);
    }
}

TVariant Props(std::vector<TVariant> items) {
    return TVariant::Array(vtVariant, std::move(items));
}

TEST(ComProps, BothLayoutsAreRead) {
    std::string error;
    auto rs232 = ParseComProps(Props({0, "COM2", 3, 1, 700, 10, 1}), tkRS232, &error);
    ASSERT_TRUE(rs232) << error;
    EXPECT_EQ(rs232->PortName, "COM2");
    EXPECT_EQ(rs232->SpeedCode, 3);
    EXPECT_TRUE(rs232->HardwareFlow);
    EXPECT_EQ(rs232->AnswerTimeout, 700);
    EXPECT_EQ(rs232->MinGapUnit, 10);

    // Without the unused last element too.
    auto rs485 = ParseComProps(Props({1, "/dev/ttyUSB0", 4, 300, 2}), tkRS485, &error);
    ASSERT_TRUE(rs485) << error;
    EXPECT_EQ(rs485->PortName, "/dev/ttyUSB0");
    EXPECT_EQ(rs485->SpeedCode, 4);
    EXPECT_FALSE(rs485->HardwareFlow);
    EXPECT_EQ(rs485->AnswerTimeout, 300);
    EXPECT_EQ(rs485->MinGapUnit, 2);
}

TEST(ComProps, ArraysThatAreNoneAreRefusedWithAReason) {
    struct TCase {
        const char* What;
        TVariant Value;
        uint8_t Kind;
    };
    const TCase cases[] = {
        {"speed code 8", Props({0, "COM1", 8, 0, 1000, 0, 0}), tkRS232},
        {"speed code -1", Props({1, "COM1", -1, 1000, 0, 0}), tkRS485},
        {"speed code 256", Props({1, "COM1", 256, 1000, 0, 0}), tkRS485},
        {"huge speed code", Props({1, "COM1", TVariant::OfInt(vtInt64, 1ll << 40), 1000, 0}),
         tkRS485},
        {"too short", Props({0, "COM1", 4, 0, 1000}), tkRS232},
        {"other kind", Props({1, "COM1", 4, 1000, 0, 0}), tkRS232},
        {"empty port name", Props({0, "", 4, 0, 1000, 0, 0}), tkRS232},
        {"speed not a number", Props({0, "COM1", "fast", 0, 1000, 0, 0}), tkRS232},
        {"not an array", TVariant(3), tkRS232},
    };
    for (const TCase& c : cases) {
        std::string error;
        EXPECT_FALSE(ParseComProps(c.Value, c.Kind, &error)) << c.What;
        EXPECT_FALSE(error.empty()) << c.What;
    }
    std::string error;
    ParseComProps(Props({0, "COM1", 9, 0, 1000, 0, 0}), tkRS232, &error);
    EXPECT_EQ(error, "код скорости 9 вне диапазона 0-7");
}

TEST(ComProps, ComNamesMeanTheStandardSerialPorts) {
    EXPECT_EQ(PortDevicePath("COM1"), "/dev/ttyS0");
    EXPECT_EQ(PortDevicePath("com4"), "/dev/ttyS3");
    EXPECT_EQ(PortDevicePath("COM12"), "/dev/ttyS11");
    for (const char* kept : {"/dev/ttyUSB0", "COM0", "COM", "COMx", "COM1a", "/tmp/COM1"})
        EXPECT_EQ(PortDevicePath(kept), kept);
}

TEST(CharFormat, LineFormatCodesAndTheirTermiosFlags) {
    struct TCase {
        int32_t LineFormat;
        int DataBits;
        TSerialParity Parity;
        TSerialStopBits StopBits;
        tcflag_t Flags;  // of CSIZE | PARENB | PARODD | CMSPAR | CSTOPB
    };
    const TCase cases[] = {
        {3, 8, TSerialParity::None, TSerialStopBits::One, CS8},
        {3 | 2 << 5, 8, TSerialParity::None, TSerialStopBits::Two, CS8 | CSTOPB},
        {3 | 1 << 2, 8, TSerialParity::Odd, TSerialStopBits::One, CS8 | PARENB | PARODD},
        {2 | 2 << 2, 7, TSerialParity::Even, TSerialStopBits::One, CS7 | PARENB},
        {3 | 3 << 2, 8, TSerialParity::Mark, TSerialStopBits::One, CS8 | PARENB | PARODD | CMSPAR},
        {3 | 4 << 2, 8, TSerialParity::Space, TSerialStopBits::One, CS8 | PARENB | CMSPAR},
        {0, 5, TSerialParity::None, TSerialStopBits::One, CS5},
        {1 | 2 << 5, 6, TSerialParity::None, TSerialStopBits::Two, CS6 | CSTOPB},
    };
    const tcflag_t mask = CSIZE | PARENB | PARODD | CMSPAR | CSTOPB;
    for (const TCase& c : cases) {
        std::string error;
        auto f = DecodeLineFormat(c.LineFormat, &error);
        ASSERT_TRUE(f) << c.LineFormat << ": " << error;
        EXPECT_EQ(*f, (TSerialFormat{c.DataBits, c.Parity, c.StopBits})) << c.LineFormat;
        termios t{};
        MakeRawTermios(t);
        // Flags of an earlier format must not survive.
        t.c_cflag |= PARENB | PARODD | CMSPAR | CSTOPB;
        SetTermiosFormat(t, *f);
        EXPECT_EQ(t.c_cflag & mask, c.Flags) << c.LineFormat;
        EXPECT_TRUE(t.c_cflag & CLOCAL);
        EXPECT_TRUE(t.c_cflag & CREAD);
    }
    EXPECT_EQ(CharBits({8, TSerialParity::None, TSerialStopBits::One}), 10);
    EXPECT_EQ(CharBits({8, TSerialParity::Even, TSerialStopBits::One}), 11);
    EXPECT_EQ(CharBits({7, TSerialParity::Odd, TSerialStopBits::Two}), 11);
}

TEST(CharFormat, FormatsThatCannotBeMadeAreRefused) {
    std::string error;
    EXPECT_FALSE(DecodeLineFormat(3 | 1 << 5, &error));
    EXPECT_EQ(error, "полтора стоповых бита недоступны на этой системе");
    EXPECT_FALSE(DecodeLineFormat(3 | 5 << 2, &error));
    EXPECT_FALSE(DecodeLineFormat(3 | 3 << 5, &error));
}

TEST(ComSettings, ByteTimeoutMultiplier) {
    auto path = std::filesystem::temp_directory_path() /
                ("com_settings_" + std::to_string(::getpid()) + ".ini");
    struct TCase {
        const char* Text;
        uint8_t Expected;
    };
    const TCase cases[] = {
        {"", 5},
        {"[Com]\nByteTimeoutMultiplier=0\n", 0},
        {"[com]\nbytetimeoutmultiplier=8\n", 8},
        {"[Com]\nByteTimeoutMultiplier=255\n", 255},
        {"[Com]\nByteTimeoutMultiplier=256\n", 5},
        {"[Com]\nByteTimeoutMultiplier=-1\n", 5},
        {"[Com]\nByteTimeoutMultiplier=many\n", 5},
    };
    for (const TCase& c : cases) {
        std::ofstream(path) << c.Text;
        EXPECT_EQ(ReadByteTimeoutMultiplier({path.string()}), c.Expected) << c.Text;
    }
    std::filesystem::remove(path);
    EXPECT_EQ(ReadByteTimeoutMultiplier({}), 5);
    EXPECT_EQ(ReadByteTimeoutMultiplier({path.string()}), 5);  // no file
}

}  // namespace
}  // namespace trelon
