#include "datetime.h"

#include <gtest/gtest.h>

namespace trelon {
namespace {

TEST(DateTime, EncodesAndFormats) {
    EXPECT_EQ(EncodeDateTime({1899, 12, 30}), 0.0);
    EXPECT_EQ(EncodeDateTime({1900, 1, 1}), 2.0);
    double t = EncodeDateTime({2026, 12, 11, 14, 5, 9});
    EXPECT_EQ(FormatDateTime(t), "11.12.2026 14:05:09");
    EXPECT_EQ(FormatDate(t), "11.12.2026");
    EXPECT_EQ(FormatTime(t), "14:05:09");
    // Before the epoch the fraction is still the time of day.
    EXPECT_EQ(FormatDateTime(-1.25), "29.12.1899 06:00:00");
}

TEST(DateTime, DecodeRoundsToMilliseconds) {
    TDateParts p = DecodeDateTime(EncodeDateTime({2000, 2, 29, 23, 59, 59, 999}));
    EXPECT_EQ(p.Year, 2000);
    EXPECT_EQ(p.Month, 2);
    EXPECT_EQ(p.Day, 29);
    EXPECT_EQ(p.Msec, 999);
    // A value a hair below midnight is the next day, not 23:59:60.
    EXPECT_EQ(FormatDateTime(1.0 - 1e-12), "31.12.1899 00:00:00");
}

}  // namespace
}  // namespace trelon
