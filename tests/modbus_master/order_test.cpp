// The order in which the master serves its queue, and what each request keeps from the
// moment it was queued.
#include <algorithm>

#include "master_fixture.h"
#include "mb_enums.h"

namespace trelon::test {
namespace {

using TOrderTest = TMasterTest;

ptrdiff_t IndexOf(const std::vector<std::string>& trace, const std::string& entry) {
    auto it = std::find(trace.begin(), trace.end(), entry);
    EXPECT_NE(it, trace.end()) << entry;
    return it - trace.begin();
}

TEST_F(TOrderTest, AnswersGoFirstThenOneShotRequestsThenPeriodicOnes) {
    auto master = NewMaster();
    // The exchanges of 100, 1 and 2 are all queued in the transport before any is done.
    bench.HoldExchanges(true);
    bench.HoldResultsOf(100);
    for (int32_t qid : {100, 1, 2}) master->AddTask(ReadRegs(qid, qid));
    ASSERT_TRUE(bench.WaitTrace("queued 2"));
    bench.HoldExchanges(false);
    // The master thread waits in the handler of 100; once the device has seen 2, the answer
    // to 1 waits at the master.
    ASSERT_TRUE(bench.WaitSeen(3));
    master->AddTask(ReadRegs(20, 20, /*period*/ 60000));
    master->AddTask(ReadRegs(10, 10));
    bench.HoldResultsOf(std::nullopt);
    ASSERT_TRUE(bench.WaitResults(10, 1));
    ASSERT_TRUE(bench.WaitResults(20, 1));

    std::vector<std::string> trace = bench.Trace();
    EXPECT_LT(IndexOf(trace, "result 1"), IndexOf(trace, "queued 10"));
    EXPECT_LT(IndexOf(trace, "queued 10"), IndexOf(trace, "queued 20"));
}

TEST_F(TOrderTest, ALongPeriodWaitingFirstDoesNotHoldBackAShortOne) {
    auto master = NewMaster();
    master->AddTask(ReadRegs(1, 1, /*period*/ 3600000));
    ASSERT_TRUE(bench.WaitResults(1, 1));  // now due again only in an hour
    master->AddTask(ReadRegs(2, 2, /*period*/ 1));
    EXPECT_TRUE(bench.WaitResults(2, 5));
    EXPECT_EQ(bench.ResultsOf(1).size(), 1u);
    for (const TVariant& r : bench.ResultsOf(2)) EXPECT_EQ(CodeOf(r), mbcOK);
}

TEST_F(TOrderTest, NewSettingsApplyOnlyToRequestsQueuedAfterThem) {
    auto master = NewMaster(/*retries*/ 1, /*address*/ 1);
    bench.HoldExchanges(true);
    master->AddTask(ReadRegs(1, 1));
    master->AddTask(ReadRegs(2, 2, /*period*/ 1));
    master->SetProps(MasterProps(1, 7));
    master->AddTask(ReadRegs(3, 3));
    master->SetProps(Arr({0, 9, /*mode*/ 5, 0, 1, false, false}));  // unusable: ignored
    master->AddTask(ReadRegs(4, 4));
    bench.HoldExchanges(false);
    ASSERT_TRUE(bench.WaitResults(2, 3));
    ASSERT_TRUE(bench.WaitResults(1, 1));
    ASSERT_TRUE(bench.WaitResults(3, 1));
    ASSERT_TRUE(bench.WaitResults(4, 1));

    const std::pair<int32_t, int> expected[] = {{1, 1}, {2, 1}, {3, 7}, {4, 7}};
    for (auto [qid, address] : expected) {
        for (const TVariant& r : bench.ResultsOf(qid)) {
            EXPECT_EQ(r[2].ToInt(), address) << "QID " << qid;
            EXPECT_EQ(CodeOf(r), mbcOK) << "QID " << qid;
        }
        for (const TSeen& s : bench.SeenOf(qid)) EXPECT_EQ(s.Address, address) << "QID " << qid;
    }
}

TEST_F(TOrderTest, BroadcastIsReportedAsSentWithAnEmptyValue) {
    auto master = NewMaster(/*retries*/ 3, /*address*/ 0);
    master->AddTask(Arr({3, 5, 0, 40, TVariant::OfInt(vtWord, 1234)}));  // WriteHoldRegs
    ASSERT_TRUE(bench.WaitResults(5, 1));
    TVariant r = bench.ResultsOf(5)[0];
    EXPECT_EQ(r[2].ToInt(), 0);
    EXPECT_EQ(r[3].ToInt(), 16);
    EXPECT_TRUE(r[4].IsEmpty());
    EXPECT_EQ(CodeOf(r), mbcOK);
    ASSERT_EQ(bench.SeenOf(5).size(), 1u);  // sent once, no answer awaited
    EXPECT_EQ(bench.SeenOf(5)[0].Address, 0);
}

}  // namespace
}  // namespace trelon::test
