// Identifiers and thread priorities.
#include <gtest/gtest.h>

#include <pthread.h>
#include <sched.h>
#include <algorithm>
#include <mutex>
#include <set>
#include <thread>
#include <vector>

#include "core/core_debug.h"
#include "core/object_id.h"
#include "core/thread_priority.h"
#include "core/worker_thread.h"

namespace trelon {
namespace {

TEST(ObjectIDTest, PositiveUniqueAndRisingAcrossThreads) {
    constexpr int kPerThread = 2000;
    std::vector<std::vector<int32_t>> got(4);
    std::vector<std::thread> threads;
    for (auto& ids : got) {
        threads.emplace_back([&ids] {
            for (int i = 0; i < kPerThread; ++i) ids.push_back(NewObjectID());
        });
    }
    for (auto& t : threads) t.join();
    std::set<int32_t> all;
    for (const auto& ids : got) {
        EXPECT_TRUE(std::is_sorted(ids.begin(), ids.end()));
        for (int32_t id : ids) {
            EXPECT_GT(id, 0);
            all.insert(id);
        }
    }
    EXPECT_EQ(all.size(), got.size() * kPerThread);  // never given out twice
}

std::mutex gLinesMutex;
std::vector<std::string> gLines;

void CaptureLine(std::string text) {
    std::lock_guard lock(gLinesMutex);
    gLines.push_back(std::move(text));
}

class ThreadPriorityTest : public ::testing::Test {
  protected:
    void SetUp() override {
        gLines.clear();
        SetDebugSink(&CaptureLine);
    }
    void TearDown() override { SetDebugSink(nullptr); }
};

TEST_F(ThreadPriorityTest, AppliedOrOneDebugLine) {
    struct TCase {
        TThreadPriority Priority;
        int Nice;  // expected nice value when applied by nice alone
    };
    for (TCase c : {TCase{TThreadPriority::Normal, 0}, TCase{TThreadPriority::Lower, 5},
                    TCase{TThreadPriority::Idle, 10}, TCase{TThreadPriority::TimeCritical, -10}}) {
        gLines.clear();
        bool applied = false;
        int nice = 0, policy = 0;
        std::thread t([&] {
            applied = ApplyThreadPriority(c.Priority, "probe");
            nice = CurrentNice();
            sched_param param{};
            pthread_getschedparam(pthread_self(), &policy, &param);
        });
        t.join();
        if (!applied) {
            ASSERT_EQ(gLines.size(), 1u);
            EXPECT_NE(gLines[0].find("probe"), std::string::npos);
            EXPECT_EQ(nice, 0);  // left at normal priority
        } else {
            EXPECT_TRUE(gLines.empty());
            if (c.Priority == TThreadPriority::TimeCritical && policy == SCHED_FIFO) continue;
            EXPECT_EQ(nice, c.Nice);
            EXPECT_EQ(policy, SCHED_OTHER);
        }
    }
}

class TNiceProbe : public TWorkerThread {
  public:
    TNiceProbe() : TWorkerThread(TThreadPriority::Normal, TStopMode::Drain) {}
    ~TNiceProbe() override { Stop(); }
    int Nice = -100;

  protected:
    bool HasWork() override { return Nice == -100; }
    void ProcessOne() override { Nice = CurrentNice(); }
    void OnException(const std::string&) override {}
};

TEST_F(ThreadPriorityTest, WorkerStartedByAnIdleThreadRunsAtNormalPriority) {
    int probed = -100;
    std::thread main([&] {
        ASSERT_TRUE(ApplyThreadPriority(TThreadPriority::Idle, "main"));
        TNiceProbe probe;
        probe.Start("probe");
        probe.Stop();
        probed = probe.Nice;
    });
    main.join();
    EXPECT_EQ(probed, 0);  // not the idle thread's nice value
    EXPECT_TRUE(gLines.empty());
}

}  // namespace
}  // namespace trelon
