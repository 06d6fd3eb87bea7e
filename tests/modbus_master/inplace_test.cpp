// In-place requests: the caller waits for its own result, and only for it.
#include <future>

#include "master_fixture.h"
#include "mb_enums.h"

namespace trelon::test {
namespace {

using TInplaceTest = TMasterTest;

TEST_F(TInplaceTest, TheResultGoesToTheWaitingCallerOnly) {
    auto master = NewMaster();
    TVariant answer;
    ASSERT_TRUE(master->AddInplaceTask(ReadRegs(1, 5), answer, kPatience.count() * 1000));
    EXPECT_EQ(QidOf(answer), 1);
    EXPECT_EQ(CodeOf(answer), mbcOK);
    EXPECT_EQ(answer[4].ToInt(), 5);

    ASSERT_TRUE(master->AddInplaceTask(Arr({13, 2}), answer, kPatience.count() * 1000));
    EXPECT_EQ(QidOf(answer), 2);
    EXPECT_EQ(CodeOf(answer), mbcWrongType);

    EXPECT_TRUE(bench.Results().empty());  // the handler saw none of them
}

TEST_F(TInplaceTest, ATimeOutReturnsNothingAndTheLateResultReachesNoOne) {
    auto master = NewMaster();
    bench.HoldExchanges(true);
    TVariant answer = Arr({1});
    EXPECT_FALSE(master->AddInplaceTask(ReadRegs(1, 11), answer, 1));
    EXPECT_TRUE(answer.IsEmpty());
    bench.HoldExchanges(false);

    // The late result of 1 comes back before this one's.
    ASSERT_TRUE(master->AddInplaceTask(ReadRegs(2, 22), answer, kPatience.count() * 1000));
    EXPECT_EQ(QidOf(answer), 2);
    EXPECT_EQ(answer[4].ToInt(), 22);
    EXPECT_EQ(bench.SeenOf(1).size(), 1u);
    EXPECT_TRUE(bench.Results().empty());
}

TEST_F(TInplaceTest, ACallerWithoutTimeLimitReturnsWhenTheMasterIsFreed) {
    auto master = NewMaster();
    bench.HoldExchanges(true);
    auto call = std::async(std::launch::async, [master] {
        TVariant answer;
        bool got = master->AddInplaceTask(ReadRegs(1, 1), answer, kInfinite);
        return got || !answer.IsEmpty();
    });
    ASSERT_TRUE(bench.WaitSeen(1));
    Factory().FreeMaster(master->ID());
    ASSERT_EQ(call.wait_for(kPatience), std::future_status::ready);
    EXPECT_FALSE(call.get());
}

}  // namespace
}  // namespace trelon::test
