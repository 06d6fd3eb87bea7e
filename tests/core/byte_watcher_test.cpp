#include "core/byte_watcher.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace trelon {
namespace {

// Feeds the stream; returns "byte index:pattern index" for every byte that matched.
std::vector<std::string> Matches(TByteWatcher& w, const std::string& stream) {
    std::vector<std::string> out;
    for (size_t i = 0; i < stream.size(); ++i) {
        int32_t r = w.Feed(uint8_t(stream[i]));
        if (r >= 0) out.push_back(std::to_string(i) + ":" + std::to_string(r));
    }
    return out;
}

TEST(ByteWatcherTest, ReportsThePatternOnTheByteThatCompletesIt) {
    struct TCase {
        std::vector<std::string> Patterns;
        std::string Stream;
        std::vector<std::string> Expected;
    };
    const TCase cases[] = {
        {{"NO CARRIER"}, "\r\nNO CARRIER\r\n", {"11:0"}},
        {{"NO CARRIER"}, "no Carrier", {"9:0"}},
        {{"NO CARRIER"}, "NO CARRINO CARRIER", {"17:0"}},
        {{"NO CARRIER"}, "NO CARRIE", {}},
        {{}, "NO CARRIER", {}},
        // A shorter pattern is found too, and the first pattern added wins a tie.
        {{"NO CARRIER", "OK"}, "ok NO CARRIER OK", {"1:1", "12:0", "15:1"}},
        {{"ER", "CARRIER"}, "CARRIER", {"6:0"}},
        {{""}, "abc", {}},
    };
    for (const TCase& c : cases) {
        TByteWatcher w;
        for (const std::string& p : c.Patterns) w.AddPattern(p);
        EXPECT_EQ(Matches(w, c.Stream), c.Expected) << c.Stream;
    }
}

TEST(ByteWatcherTest, PatternAddedLaterWidensTheWindow) {
    TByteWatcher w;
    w.AddPattern("OK");
    Matches(w, "xx");
    w.AddPattern("NO CARRIER");
    EXPECT_EQ(Matches(w, "NO CARRIER"), std::vector<std::string>{"9:1"});
}

}  // namespace
}  // namespace trelon
