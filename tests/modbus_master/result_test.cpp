// What the master reports for one request: after retries, for requests it cannot send, and
// for two requests of one QID in flight at once.
#include "master_fixture.h"
#include "mb_enums.h"

namespace trelon::test {
namespace {

using TResultTest = TMasterTest;

struct TRetryCase {
    const char* Name;
    int32_t Retries;
    int Failures;  // attempts that fail before the device answers; -1: all
    TReply Failure;
    MBResult Expected;
    size_t Attempts;
};

TEST_F(TResultTest, FailedAttemptsAreRetriedAndOnlyTheLastIsReported) {
    const TRetryCase cases[] = {
        {"silent device", 3, -1, {true, 0}, mbcNoAnswer, 3},
        {"no retries", 0, -1, {true, 0}, mbcNoAnswer, 1},
        {"silent once", 3, 1, {true, 0}, mbcOK, 2},
        {"exception every time", 2, -1, {false, 2}, mbcIDA, 2},
        {"exception once", 2, 1, {false, 6}, mbcOK, 2},
    };
    int32_t qid = 0;
    for (const TRetryCase& c : cases) {
        SCOPED_TRACE(c.Name);
        ++qid;
        bench.SetScript([c, failed = 0](const TSeen&) mutable {
            if (c.Failures >= 0 && failed >= c.Failures) return TReply{};
            ++failed;
            return c.Failure;
        });
        auto master = NewMaster(c.Retries);
        master->AddTask(ReadRegs(qid, 30));
        ASSERT_TRUE(bench.WaitResults(qid, 1));
        std::vector<TVariant> results = bench.ResultsOf(qid);
        ASSERT_EQ(results.size(), 1u);
        EXPECT_EQ(CodeOf(results[0]), c.Expected);
        EXPECT_EQ(results[0][4].IsEmpty(), c.Expected != mbcOK);
        EXPECT_EQ(bench.SeenOf(qid).size(), c.Attempts);
    }
}

TEST_F(TResultTest, RequestsThatCannotBeSentAreReportedAsWrongType) {
    std::vector<TVariant> tooLong(700, TVariant::OfInt(vtByte, 0x55));
    const std::pair<const char*, TVariant> cases[] = {
        {"unknown kind", Arr({13, 1})},
        {"WriteHoldRegs of a Double", Arr({3, 2, 0, 10, 1.5})},
        {"data type not supported", Arr({2, 3, 0, 10, int32_t(dtThreeByte), 1})},
        {"frame beyond its buffer", Arr({0, 4, 1, 66, 0, TVariant::Array(vtVariant, tooLong)})},
        {"periodic frame beyond its buffer",
         Arr({0, 5, 1, 66, 10, TVariant::Array(vtVariant, tooLong)})},
    };
    auto master = NewMaster();
    for (const auto& [name, request] : cases) master->AddTask(request);
    for (int32_t qid = 1; qid <= 5; ++qid) {
        SCOPED_TRACE(cases[qid - 1].first);
        ASSERT_TRUE(bench.WaitResults(qid, 1));
        TVariant r = bench.ResultsOf(qid)[0];
        EXPECT_EQ(r[5].Type(), vtByte);  // made without an exchange
        EXPECT_EQ(CodeOf(r), mbcWrongType);
        EXPECT_TRUE(r[4].IsEmpty());
    }
    // A request behind them is served; none of them reached the transport or came again.
    master->AddTask(ReadRegs(6, 6));
    ASSERT_TRUE(bench.WaitResults(6, 1));
    EXPECT_EQ(bench.Results().size(), 6u);
    ASSERT_EQ(bench.Seen().size(), 1u);
}

TEST_F(TResultTest, EachAnswerGoesToItsOwnRequestWhenTwoShareAQid) {
    // The transport retries the first exchange behind the second, so the second request's
    // answer comes back first.
    bench.SetTransportTries(2);
    bench.SetScript([once = false](const TSeen& s) mutable {
        if (s.Start != 10 || once) return TReply{};
        once = true;
        return TReply{true, 0};
    });
    auto master = NewMaster();
    bench.HoldExchanges(true);
    master->AddTask(ReadRegs(7, 10, 0, 1, /*ReadHoldRegs*/ 2));
    master->AddTask(ReadRegs(7, 20, 0, 2, /*ReadInputRegs*/ 4));
    ASSERT_TRUE(bench.WaitTrace("queued 7", 2));
    bench.HoldExchanges(false);
    ASSERT_TRUE(bench.WaitResults(7, 2));

    std::vector<TVariant> results = bench.ResultsOf(7);
    ASSERT_EQ(results.size(), 2u);
    for (const TVariant& r : results) {
        ASSERT_EQ(CodeOf(r), mbcOK) << r.Debug();
        if (r[0].ToInt() == 2) {
            EXPECT_EQ(r[4].ToInt(), 10);
        } else {
            ASSERT_EQ(r[4].Size(), 2u);
            EXPECT_EQ(r[4].Items()[0].ToInt(), 20);
            EXPECT_EQ(r[4].Items()[1].ToInt(), 21);
        }
    }
    EXPECT_NE(results[0][0].ToInt(), results[1][0].ToInt());
}

}  // namespace
}  // namespace trelon::test
