#include <gtest/gtest.h>

#include <chrono>

#include "datetime.h"
#include "test_support.h"

namespace trelon::test {
namespace {

uint32_t UnixSeconds(int y, unsigned mo, unsigned d, int h, int mi, int s) {
    using namespace std::chrono;
    int64_t days = sys_days(year{y} / month{mo} / day{d}).time_since_epoch().count();
    return uint32_t(days * 86400 + h * 3600 + mi * 60 + s);
}

// One archive record [time (seconds since 1970), single 1.0].
TBytes RecordAnswer(uint32_t seconds) {
    return WithCrc({1, 65, 8, uint8_t(seconds >> 24), uint8_t(seconds >> 16), uint8_t(seconds >> 8),
                    uint8_t(seconds), 0x3F, 0x80, 0, 0});
}

TModbusRequest Matched(int level, int index) {
    double when = EncodeDateTime({2024, 5, 6, 7, 8, 9, 0});
    return Request({12, 1, 3, 1, TVariant::Date(when), Arr({19, 4}), level, index});
}

struct TTimeCase {
    int Level, Index;
    uint32_t RecordTime;
    MBResult Result;
};

TEST(MatchedArchive, RecordTimeIsCheckedAtTheRequestedLevel) {
    const TTimeCase cases[] = {
        {0, 0, UnixSeconds(2024, 5, 6, 7, 30, 0), mbcOK},  // same hour
        {0, 0, UnixSeconds(2024, 5, 6, 8, 8, 9), mbcArchiveTimeMismatch},
        {3, 0, UnixSeconds(2024, 5, 6, 7, 8, 9), mbcOK},
        {3, 0, UnixSeconds(2024, 5, 6, 7, 8, 10), mbcArchiveTimeMismatch},  // seconds differ
        {1, 0, UnixSeconds(2024, 5, 6, 23, 59, 59), mbcOK},                 // same day
        {1, 0, UnixSeconds(2024, 5, 7, 0, 0, 0), mbcArchiveTimeMismatch},
        {2, 0, UnixSeconds(2024, 5, 31, 0, 0, 0), mbcOK},  // same month
        {2, 0, UnixSeconds(2024, 6, 1, 0, 0, 0), mbcArchiveTimeMismatch},
        {0, -1, 0, mbcOK},                  // no time field
        {0, 2, 0, mbcOK},                   // index beyond the record's fields
        {0, 1, 0, mbcArchiveTimeMismatch},  // the single 1.0 taken as 1 s after 1970
    };
    for (const TTimeCase& c : cases) {
        TChecked got = Check(Matched(c.Level, c.Index), RecordAnswer(c.RecordTime));
        EXPECT_EQ(got.Result, c.Result)
            << "level " << c.Level << " index " << c.Index << " time " << c.RecordTime;
        EXPECT_EQ(got.Value.IsEmpty(), c.Result != mbcOK);
    }
}

TEST(ArchiveRecords, OneRecordIsAnArrayOfFieldsSeveralATable) {
    TChecked one = Check(Request({9, 1, 3, 1, 0, Arr({19, 4})}), RecordAnswer(7));
    ASSERT_EQ(one.Result, mbcOK);
    EXPECT_EQ(one.Value, Arr({Typed(vtLongWord, 7), TVariant::Single(1.0f)}));

    TModbusRequest two = Request({8, 1, 3, 2, 24, 5, 6, 7, 8, 9, Arr({dtSignedWord, dtSignedByte})},
                                 Settings(1, mbcRTU, true));
    TChecked table = Check(two, WithCrc({1, 65, 8, 0, 1, 0, 0xFE, 0, 2, 0, 0xFD}));
    ASSERT_EQ(table.Result, mbcOK) << table.Value.Debug();
    ASSERT_EQ(table.Value.Dims(), 2);
    EXPECT_EQ(table.Value.At(0, 0), Typed(vtSmallint, 1));
    EXPECT_EQ(table.Value.At(0, 1), Typed(vtShortInt, -2));
    EXPECT_EQ(table.Value.At(1, 0), Typed(vtSmallint, 2));
    EXPECT_EQ(table.Value.At(1, 1), Typed(vtShortInt, -3));

    // Several records of a matched archive are not time-checked.
    double when = EncodeDateTime({2024, 5, 6, 7, 8, 9, 0});
    TModbusRequest matched2 = Request({12, 1, 3, 2, TVariant::Date(when), Arr({19}), 3, 0});
    EXPECT_EQ(Check(matched2, WithCrc({1, 65, 8, 0, 0, 0, 1, 0, 0, 0, 2})).Result, mbcOK);
}

TEST(SecondsToDateTime, CountsFrom1970OrFromYearOne) {
    EXPECT_EQ(SecondsToDateTime(0, true), EncodeDateTime({1970, 1, 1, 0, 0, 0, 0}));
    EXPECT_DOUBLE_EQ(SecondsToDateTime(86401, true), EncodeDateTime({1970, 1, 2, 0, 0, 1, 0}));
    EXPECT_DOUBLE_EQ(SecondsToDateTime(UnixSeconds(2106, 2, 7, 6, 28, 15), true),
                     EncodeDateTime({2106, 2, 7, 6, 28, 15, 0}));  // the largest count
    TDateParts first = DecodeDateTime(SecondsToDateTime(86400 + 3661, false));
    EXPECT_EQ(first.Year, 1);
    EXPECT_EQ(first.Month, 1);
    EXPECT_EQ(first.Day, 1);
    EXPECT_EQ(first.Hour, 1);
    EXPECT_EQ(first.Second, 1);
}

}  // namespace
}  // namespace trelon::test
