#include <gtest/gtest.h>

#include <thread>

#include "core/event.h"
#include "model_fixture.h"

namespace trelon::test {
namespace {

TEST_F(ModelTest, TransportsAreSharedByPropsAndClosedWithTheLastUser) {
    auto first = Transport("ttyA", 9600);
    const int32_t id = first->ID();
    EXPECT_EQ(Factory().GetTransport(Props("ttyA", 9600)), id);
    const int32_t other = Factory().GetTransport(Props("ttyB", 19200));
    EXPECT_NE(other, id);
    EXPECT_EQ(Count("Создание транспорта RS232 (ID = " + std::to_string(id) + ")"), 1);

    Factory().ReleaseTransport(id);
    Factory().WaitIdle();
    EXPECT_NE(Factory().FindTransport(id), nullptr);  // still used by the second owner
    Factory().ReleaseTransport(id);
    Factory().WaitIdle();
    EXPECT_EQ(Factory().FindTransport(id), nullptr);
    EXPECT_EQ(Count("Удаление транспорта RS232 (ID = " + std::to_string(id) + ")"), 1);
    EXPECT_NE(Factory().FindTransport(other), nullptr);
}

TEST_F(ModelTest, FailuresOfCreationAreReportedAndLeaveNothingBehind) {
    EXPECT_EQ(Factory().GetTransport(Props("bad", 1)), kNoID);
    const std::string log = Log();
    EXPECT_NE(log.find("Создание транспорта RS232"), std::string::npos);
    EXPECT_NE(log.find("Удаление транспорта RS232"), std::string::npos);
    EXPECT_EQ(Factory().TransportCount(), 0u);

    try {
        Factory().GetTransport(Props("x", 1, 4));
        ADD_FAILURE() << "kind 4 was accepted";
    } catch (const std::exception& e) {
        EXPECT_EQ(std::string(e.what()).rfind("TServerFactory.NewTransport: Result = nil", 0), 0u);
    }
    try {
        Factory().CreateMaster(TVariant::Array(vtVariant, {TVariant(1)}), {});
        ADD_FAILURE() << "master kind 1 was accepted";
    } catch (const std::exception& e) {
        EXPECT_EQ(std::string(e.what()).rfind("TServerFactory.NewMaster: Result = nil", 0), 0u);
    }
    EXPECT_NE(Transport("ok", 1), nullptr);  // later lookups still work
}

TEST_F(ModelTest, ReleasingWhatDoesNotExistOnlyLogsEnterAndLeave) {
    Factory().ReleaseTransport(kNoID);
    Factory().FreeMaster(12345);
    Factory().WaitIdle();
    const std::string log = Log();
    for (const char* line :
         {"ServerFactory ftReleaseTransport enter", "ServerFactory ftReleaseTransport leave",
          "ServerFactory ftFreeMaster enter", "ServerFactory ftFreeMaster leave"})
        EXPECT_NE(log.find(line), std::string::npos) << line;
    EXPECT_EQ(log.find("Удаление"), std::string::npos);
}

TEST_F(ModelTest, ATransportServesInOrderAndRetriesBehindNewerTasks) {
    auto t = Transport();
    auto m = Master();
    TEvent gate;
    int failsLeft = 1;
    t->Exchange = [&](TBaseTransportTask& task) {
        if (task.QID == 1) gate.Wait();
        if (task.QID == 1 && failsLeft-- > 0) return false;
        return true;
    };
    for (int qid : {1, 2, 3}) {
        TTransportTaskPtr task = Task(*t, m->ID(), qid, qid == 1 ? 2 : 1);
        ASSERT_TRUE(t->AddTask(task));
    }
    gate.Set();
    ASSERT_TRUE(m->WaitAnswers(3));
    {
        std::lock_guard lock(t->Mutex);
        EXPECT_EQ(t->Performed, (std::vector<int32_t>{1, 2, 3, 1}));
    }
    std::vector<int32_t> order;
    for (auto& a : m->Answers) order.push_back(a->QID);
    EXPECT_EQ(order, (std::vector<int32_t>{2, 3, 1}));
    EXPECT_EQ(m->Answers[2]->DataLen, 2);  // the answer of the successful retry
}

TEST_F(ModelTest, CancelledTasksComeBackUnperformedAndOrphansAreFreed) {
    auto t = Transport();
    auto m = Master();
    TEvent gate, inside;
    t->Exchange = [&](TBaseTransportTask&) {
        inside.Set();
        gate.Wait();
        return true;
    };
    const int64_t before = LiveTransportTasks();
    TTransportTaskPtr busy = Task(*t, m->ID(), 7);
    ASSERT_TRUE(t->AddTask(busy));
    ASSERT_TRUE(inside.Wait(20000));
    for (int qid : {8, 9}) {
        TTransportTaskPtr task = Task(*t, m->ID(), qid);
        ASSERT_TRUE(t->AddTask(task));
    }
    TTransportTaskPtr orphan = Task(*t, 99999, 10);  // no such master
    ASSERT_TRUE(t->AddTask(orphan));
    t->CancelMasterTask(m->ID(), 9);
    gate.Set();
    ASSERT_TRUE(m->WaitAnswers(3));
    {
        std::lock_guard lock(t->Mutex);
        EXPECT_EQ(t->Performed, (std::vector<int32_t>{7, 8, 10}));
    }
    EXPECT_TRUE(m->Answers[2]->Cancelled);
    EXPECT_EQ(m->Answers[2]->QID, 9);
    m->Answers.clear();
    EXPECT_EQ(LiveTransportTasks(), before);  // the orphan was freed too
}

TEST_F(ModelTest, AClosingTransportGivesQueuedTasksBackAsDropped) {
    auto t = Transport();
    auto m = Master();
    TEvent gate, inside;
    t->Exchange = [&](TBaseTransportTask&) {
        inside.Set();
        gate.Wait();
        return true;
    };
    TTransportTaskPtr busy = Task(*t, m->ID(), 1);
    ASSERT_TRUE(t->AddTask(busy));
    ASSERT_TRUE(inside.Wait(20000));
    TTransportTaskPtr queued = Task(*t, m->ID(), 2);
    ASSERT_TRUE(t->AddTask(queued));
    Factory().ReleaseTransport(t->ID());
    // The factory waits for the exchange in progress; let it end once closing has begun.
    while (!t->Closing()) std::this_thread::yield();
    gate.Set();
    Factory().WaitIdle();
    ASSERT_TRUE(m->WaitAnswers(2));
    EXPECT_FALSE(m->Answers[0]->Dropped);
    EXPECT_TRUE(m->Answers[1]->Dropped);
    TTransportTaskPtr late = Task(*t, m->ID(), 3);
    EXPECT_FALSE(t->AddTask(late));  // refused, and left with the caller
    EXPECT_NE(late, nullptr);
}

TEST_F(ModelTest, APortClosedAndOpenedAgainAtOnceIsFree) {
    auto t = Transport("ttyR", 1);
    TEvent gate;
    t->CloseGate = &gate;
    Factory().ReleaseTransport(t->ID());
    t.reset();
    // Another speed is another transport: it needs the port the first one still holds.
    std::thread opener([&] { gate.Set(); });
    EXPECT_NE(Factory().GetTransport(Props("ttyR", 2)), kNoID);
    opener.join();
}

TEST_F(ModelTest, AFoundMasterStaysAliveAfterItIsFreed) {
    auto m = Master();
    const int32_t id = m->ID();
    Factory().FreeMaster(id);
    Factory().WaitIdle();
    EXPECT_EQ(Factory().FindMaster(id), nullptr);
    EXPECT_EQ(m->ID(), id);  // the holder's copy is still valid
    EXPECT_EQ(Count("Удаление мастера Modbus (ID = " + std::to_string(id) + ")"), 1);
}

TEST_F(ModelTest, IdentifiersAreNeverReused) {
    std::set<int32_t> seen;
    for (int k = 0; k < 5; ++k) {
        auto m = Master();
        EXPECT_TRUE(seen.insert(m->ID()).second);
        Factory().FreeMaster(m->ID());
        Factory().WaitIdle();
    }
}

}  // namespace
}  // namespace trelon::test
