#include "log/log_format.h"

#include <gtest/gtest.h>

#include <vector>

#include "datetime.h"

namespace trelon {
namespace {

double At(int y, int mo, int d, int h = 0, int mi = 0, int s = 0) {
    return EncodeDateTime({y, mo, d, h, mi, s, 0});
}

TEST(LogFormatTest, HexBytes) {
    struct TCase {
        std::vector<uint8_t> Bytes;
        std::string Expected;
    };
    const TCase cases[] = {
        {{}, ""},
        {{1, 3, 0, 10}, "01 03 00 0A "},
        {{0xFF, 0xAB, 0x5C}, "FF AB 5C "},
    };
    for (const TCase& c : cases) EXPECT_EQ(FormatHexBytes(c.Bytes), c.Expected);
}

TEST(LogFormatTest, LineLayout) {
    const double t = At(2024, 12, 9, 13, 5, 7);
    TSimpleLogTask plain;
    plain.Time = t;
    plain.Text = "Создание транспорта RS485 (ID = 3)";
    TSimpleLogTask debug;
    debug.Time = At(2024, 12, 9);  // midnight still shows its time: one date, one time token
    debug.IsDebug = true;
    debug.Text = "trace";
    const uint8_t request[] = {1, 3, 0, 10};
    auto sent = MakeTransportDataRecord(t, 3, kDirectionOut, true, request);
    auto failed = MakeTransportDataRecord(t, 3, kDirectionIn, false, request);

    struct TCase {
        const TBaseLogTask* Record;
        std::string Expected;
    };
    const TCase cases[] = {
        {&plain, "09.12.2024 13:05:07\tСоздание транспорта RS485 (ID = 3)\r\n"},
        {&debug, "09.12.2024 00:00:00\tDebug: trace\r\n"},
        {sent.get(), "09.12.2024 13:05:07\t3\tOut\tOK\t01 03 00 0A \r\n"},
        {failed.get(), "09.12.2024 13:05:07\t3\tIn\tErr\t\r\n"},  // failed: no bytes kept
    };
    for (const TCase& c : cases) EXPECT_EQ(FormatLogLine(*c.Record), c.Expected);
}

TEST(LogFormatTest, DataRecordHoldsAtMostItsCapacity) {
    std::vector<uint8_t> bytes(kLogDataCapacity + 10, 0x11);
    auto record = MakeTransportDataRecord(0, 1, kDirectionIn, true, bytes);
    EXPECT_EQ(record->Count, kLogDataCapacity);
    record->Count = 5000;  // a bad count from a caller never reads past the data
    std::string line = FormatLogLine(*record);
    EXPECT_EQ(line.size() - line.find("OK\t") - 5, kLogDataCapacity * 3);
}

TEST(LogFormatTest, FileNameUsesRussianMonthAbbreviations) {
    const char* months[] = {"янв", "фев", "мар", "апр", "май", "июн",
                            "июл", "авг", "сен", "окт", "ноя", "дек"};
    for (int m = 1; m <= 12; ++m) {
        EXPECT_EQ(LogFileName(At(2024, m, 9, 23, 59, 59)),
                  std::string("09") + months[m - 1] + "2024.log");
    }
    EXPECT_EQ(LogFileName(At(2031, 1, 31)), "31янв2031.log");
}

}  // namespace
}  // namespace trelon
