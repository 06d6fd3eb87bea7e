// Time conversions used by the transports and the Modbus master.
#include <gtest/gtest.h>

#include "datetime.h"

namespace trelon {
namespace {

TEST(ConversionsTest, SecondsToDateTime) {
    struct TCase {
        uint32_t Seconds;
        bool FromUnixEpoch;
        std::string Expected;
    };
    const TCase cases[] = {
        {0, true, "01.01.1970 00:00:00"},
        {86'401, true, "02.01.1970 00:00:01"},
        {1'733'702'400, true, "09.12.2024 00:00:00"},
        {4'294'967'295u, true, "07.02.2106 06:28:15"},
        {86'400, false, "01.01.1 00:00:00"},
        {2 * 86'400 + 3'661, false, "02.01.1 01:01:01"},
        {4'294'967'295u, false, "06.02.137 06:28:15"},
    };
    for (const TCase& c : cases) {
        EXPECT_EQ(FormatDateTime(SecondsToDateTime(c.Seconds, c.FromUnixEpoch)), c.Expected)
            << c.Seconds;
    }
    // The Unix epoch is day 25569 of the date-time scale.
    EXPECT_DOUBLE_EQ(SecondsToDateTime(43'200, true), 25'569.5);
}

TEST(ConversionsTest, MillisecondsAndTimeRoundTrip) {
    for (int64_t ms :
         {0LL, 1LL, 999LL, 86'400'000LL, 123'456'789LL, -1'500LL, 4'000'000'000'000LL}) {
        EXPECT_EQ(TimeToMilliseconds(MillisecondsToTime(ms)), ms);
    }
    EXPECT_DOUBLE_EQ(MillisecondsToTime(43'200'000), 0.5);
    EXPECT_EQ(TimeToMilliseconds(1.0 / 86'400'000 * 0.6), 1);  // rounded, not cut
}

}  // namespace
}  // namespace trelon
