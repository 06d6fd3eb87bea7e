// Periodic requests run until the client cancels them, and cancelled requests are never
// reported, wherever they are when the cancellation comes.
#include <functional>
#include <ostream>

#include "master_fixture.h"
#include "mb_enums.h"

namespace trelon::test {
namespace {

// Cancels the requests of QID 1 and 2.
struct TCancelCase {
    const char* Name;
    std::function<void(TBaseMaster&)> Cancel;
};

void PrintTo(const TCancelCase& c, std::ostream* os) {
    *os << c.Name;
}

class TCancelTest : public TMasterTest, public ::testing::WithParamInterface<TCancelCase> {};

TEST_P(TCancelTest, PeriodicRequestRepeatsUntilCancelled) {
    auto master = NewMaster();
    master->AddTask(ReadRegs(1, 1, /*period*/ 1));
    ASSERT_TRUE(bench.WaitResults(1, 3));
    GetParam().Cancel(*master);
    size_t reported = bench.ResultsOf(1).size(), sent = bench.SeenOf(1).size();
    // Served by due time, this one would let the cancelled request, due a millisecond after
    // its last cycle, come round several times.
    master->AddTask(ReadRegs(3, 3, /*period*/ 1));
    ASSERT_TRUE(bench.WaitResults(3, 5));
    // At most the cycle that was already under way when the cancellation came.
    EXPECT_LE(bench.ResultsOf(1).size(), reported + 1);
    EXPECT_LE(bench.SeenOf(1).size(), sent + 1);
    for (const TVariant& r : bench.ResultsOf(1)) EXPECT_EQ(CodeOf(r), mbcOK);
}

TEST_P(TCancelTest, CancellingWhileAResultIsReportedStopsThePeriodicRequest) {
    auto master = NewMaster();
    bench.HoldResultsOf(1);
    master->AddTask(ReadRegs(1, 1, /*period*/ 1));
    ASSERT_TRUE(bench.WaitResults(1, 1));  // the master thread waits in the handler
    GetParam().Cancel(*master);
    bench.HoldResultsOf(std::nullopt);
    master->AddTask(ReadRegs(3, 3, /*period*/ 1));
    ASSERT_TRUE(bench.WaitResults(3, 5));
    EXPECT_EQ(bench.ResultsOf(1).size(), 1u);
    EXPECT_EQ(bench.SeenOf(1).size(), 1u);
}

TEST_P(TCancelTest, CancelledRequestsAreNotReportedWhileAtTheDeviceOrQueuedBehindIt) {
    // The device stays silent for 1: a request still alive would be tried again.
    bench.SetScript([](const TSeen& s) { return TReply{s.QID == 1, 0}; });
    auto master = NewMaster(/*retries*/ 3);
    bench.HoldExchanges(true);
    master->AddTask(ReadRegs(1, 1));
    master->AddTask(ReadRegs(2, 2, /*period*/ 1));
    ASSERT_TRUE(bench.WaitSeen(1));  // 1 is at the device, 2 queued behind it
    ASSERT_TRUE(bench.WaitTrace("queued 2"));
    GetParam().Cancel(*master);
    bench.HoldExchanges(false);
    // Its answer comes after those of 1 and 2, which are settled by then.
    master->AddTask(ReadRegs(3, 3));
    ASSERT_TRUE(bench.WaitResults(3, 1));

    EXPECT_TRUE(bench.ResultsOf(1).empty());
    EXPECT_TRUE(bench.ResultsOf(2).empty());
    EXPECT_EQ(bench.SeenOf(1).size(), 1u);
    EXPECT_TRUE(bench.SeenOf(2).empty());  // given back by the transport unperformed
}

INSTANTIATE_TEST_SUITE_P(
    Both, TCancelTest,
    ::testing::Values(TCancelCase{"CancelQID",
                                  [](TBaseMaster& m) {
                                      m.CancelQID(1);
                                      m.CancelQID(2);
                                  }},
                      TCancelCase{"CancelAll", [](TBaseMaster& m) { m.CancelAll(); }}),
    [](const ::testing::TestParamInfo<TCancelCase>& info) { return info.param.Name; });

}  // namespace
}  // namespace trelon::test
