// Fault profiles: a rule spoils exactly the requests it names, and each kind of fault
// gives the answer (or silence) it stands for.
#include <gtest/gtest.h>

#include "flowmeter_map.h"
#include "rig_bench.h"

namespace trelon::rig::test {
namespace {

constexpr std::uint8_t kFz = 1, kIpt = 4;

TEST(FaultRules, FunctionRegistersAfterAndTimesNameTheRequests) {
    TFaultRule rule;
    rule.Kind = TFaultKind::Exception;
    rule.Function = 4;
    rule.First = 0xC1BA;
    rule.Last = 0xC1BB;
    rule.After = 1;
    rule.Times = 2;
    TFaultSet set;
    set.Add(rule);
    auto request = [](std::uint8_t function, std::uint16_t start, std::uint16_t count) {
        TRequest r;
        r.Function = function;
        r.Start = start;
        r.Count = count;
        return r;
    };
    EXPECT_FALSE(set.Decide(request(4, 0xC1BA, 2)).Any());     // let through: after 1
    EXPECT_TRUE(set.Decide(request(4, 0xC1B8, 8)).Exception);  // all flows overlap it
    EXPECT_FALSE(set.Decide(request(4, 0xC1B8, 2)).Any());     // channel 1 only
    EXPECT_FALSE(set.Decide(request(3, 0xC1BA, 2)).Any());     // another function
    EXPECT_TRUE(set.Decide(request(4, 0xC1BB, 1)).Exception);
    EXPECT_FALSE(set.Decide(request(4, 0xC1BA, 2)).Any());  // used up: times 2
}

class FaultProfile : public ::testing::Test {
  protected:
    std::optional<TBytes> ReadFlow(int channel) {
        auto start = static_cast<std::uint16_t>(fz::kFlows + 2 * channel);
        return bench_.Exchange({kFz, 4, static_cast<std::uint8_t>(start >> 8),
                                static_cast<std::uint8_t>(start), 0, 2});
    }
    TRigBench bench_;
};

TEST_F(FaultProfile, EachKindSpoilsOnlyTheRequestsItNames) {
    bench_.Command("fault fz exception 4 fn 4 reg 0xC1BA-0xC1BB");
    bench_.Command("fault fz corrupt fn 3");
    bench_.Command("fault ipt dropoff 2");
    auto flow1 = ReadFlow(1);
    ASSERT_TRUE(flow1);
    EXPECT_EQ(ExceptionOf(*flow1), 4);
    EXPECT_TRUE(CrcMatches(*flow1));
    auto flow0 = ReadFlow(0);
    ASSERT_TRUE(flow0);
    EXPECT_EQ(ExceptionOf(*flow0), 0);
    EXPECT_TRUE(CrcMatches(*flow0));
    auto channel = bench_.Exchange({kFz, 3, 0, 75, 0, 1});
    ASSERT_TRUE(channel);
    EXPECT_FALSE(CrcMatches(*channel));  // the last CRC byte changed

    for (int i = 0; i < 2; ++i) EXPECT_TRUE(bench_.Exchange({kIpt, 4, 0xC0, 0, 0, 8}));
    EXPECT_FALSE(bench_.Exchange({kIpt, 4, 0xC0, 0, 0, 8}));
    EXPECT_FALSE(bench_.Exchange({kIpt, 17}));

    bench_.Command("clear all");
    EXPECT_EQ(ExceptionOf(*ReadFlow(1)), 0);
    EXPECT_TRUE(bench_.Exchange({kIpt, 17}));
}

TEST_F(FaultProfile, ASilentWriteChangesNothingAndASlowAnswerIsHeldBack) {
    bench_.Command("fault fz silent fn 6 times 1");
    EXPECT_EQ(bench_.WriteWord(kFz, fz::kChannel, 2), -1);
    EXPECT_EQ(bench_.ReadWord(kFz, 3, fz::kChannel), 0);
    EXPECT_EQ(bench_.WriteWord(kFz, fz::kChannel, 2), 0);
    EXPECT_EQ(bench_.ReadWord(kFz, 3, fz::kChannel), 2);

    bench_.Command("fault fz slow 250 fn 17");
    TBytes name{kFz, 17};
    AppendCrc(name);
    auto answer = bench_.Service.Serve(name, bench_.Now, bench_.Rig.Devices());
    ASSERT_TRUE(answer);
    EXPECT_EQ(answer->Delay, std::chrono::milliseconds(250));
}

TEST_F(FaultProfile, AFailingChannelMeasuresOffUntilCleared) {
    bench_.Command("set fz zero 0");
    bench_.Command("fault fz fail 2");
    ASSERT_EQ(bench_.WriteWord(kFz, fz::kChannel, 1), 0);
    bench_.Command("set imr circulations 780");
    ASSERT_EQ(bench_.WriteWord(3, 0x4002, 100), 0);
    ASSERT_EQ(bench_.WriteWord(3, 3, 1), 0);
    double flow = 0.4913328 * 620 * 101 / 780;
    EXPECT_NEAR(bench_.ReadFloat(kFz, 4, fz::kFlows + 2) / flow - 1, 0.015 - 0.0008, 1e-6);
    bench_.Command("clear fz");
    EXPECT_NEAR(bench_.ReadFloat(kFz, 4, fz::kFlows + 2) / flow - 1, -0.0008, 1e-6);
}

}  // namespace
}  // namespace trelon::rig::test
