#include "core/worker_thread.h"

#include <gtest/gtest.h>

#include <deque>
#include <functional>
#include <mutex>
#include <stdexcept>
#include <thread>
#include <vector>

namespace trelon {
namespace {

constexpr int64_t kGuardMs = 10'000;  // only bounds a failing test; never reached when it passes

// A queue of numbers served by the worker loop. Negative numbers and two magic values make
// ProcessOne throw; every step signals Progress so the test can wait for what it expects.
class TQueueWorker : public TWorkerThread {
  public:
    static constexpr int kSilent = -1000;
    static constexpr int kForeign = -2000;

    explicit TQueueWorker(TStopMode mode = TStopMode::Immediate)
        : TWorkerThread(TThreadPriority::Normal, mode) {}
    ~TQueueWorker() override { Stop(); }
    using TWorkerThread::WaitForWork;

    void Add(int item) {
        {
            std::lock_guard lock(mutex_);
            queue_.push_back(item);
        }
        Wake();
    }
    // Waits until the condition holds, re-checked after every step of the worker.
    bool WaitFor(const std::function<bool()>& condition) {
        auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(kGuardMs);
        for (;;) {
            {
                std::lock_guard lock(mutex_);
                if (condition()) return true;
            }
            if (!progress_.WaitUntil(deadline)) return false;
        }
    }
    // Read or changed only under the worker's lock (inside WaitFor's condition or Locked).
    std::vector<int> Processed;
    std::vector<std::string> Errors;
    int HasWorkCalls = 0;
    // Runs inside HasWork() when the queue is empty, with the lock held.
    std::function<void(std::deque<int>&)> OnEmpty;
    // Runs inside ProcessOne() before the item is recorded, without the lock.
    std::function<void(int)> OnItem;

    template <class F>
    auto Locked(F f) {
        std::lock_guard lock(mutex_);
        return f();
    }

  protected:
    bool HasWork() override {
        bool wake = false, work;
        {
            std::lock_guard lock(mutex_);
            ++HasWorkCalls;
            if (queue_.empty() && OnEmpty) {
                OnEmpty(queue_);
                wake = !queue_.empty();
                work = false;  // as if the item arrived just after this look
            } else {
                work = !queue_.empty();
            }
        }
        if (wake) Wake();
        progress_.Set();
        return work;
    }
    void ProcessOne() override {
        int item;
        {
            std::lock_guard lock(mutex_);
            item = queue_.front();
            queue_.pop_front();
        }
        if (OnItem) OnItem(item);
        if (item == kSilent) throw TSilentAbort();
        if (item == kForeign) throw 42;
        if (item < 0) throw std::runtime_error("bad item " + std::to_string(item));
        std::lock_guard lock(mutex_);
        Processed.push_back(item);
    }
    void OnException(const std::string& message) override {
        std::lock_guard lock(mutex_);
        Errors.push_back(message);
    }

  private:
    std::mutex mutex_;
    std::deque<int> queue_;
    TEvent progress_{TEventReset::Auto};
};

std::vector<int> Range(int from, int to) {
    std::vector<int> v;
    for (int i = from; i <= to; ++i) v.push_back(i);
    return v;
}

TEST(WorkerThreadTest, ServesItemsInOrderOfArrival) {
    TQueueWorker w;
    w.Start("order");
    // One producer here, one on another thread: each one's items keep their order.
    std::thread other([&] {
        for (int i = 1001; i <= 3000; ++i) w.Add(i);
    });
    for (int i = 1; i <= 1000; ++i) w.Add(i);
    other.join();
    ASSERT_TRUE(w.WaitFor([&] { return w.Processed.size() == 3000; }));
    std::vector<int> mine, theirs;
    w.Locked([&] {
        for (int i : w.Processed) (i <= 1000 ? mine : theirs).push_back(i);
    });
    EXPECT_EQ(mine, Range(1, 1000));
    EXPECT_EQ(theirs, Range(1001, 3000));
}

TEST(WorkerThreadTest, ExceptionIsReportedAndTheLoopGoesOn) {
    TQueueWorker w;
    w.Start("errors");
    for (int i : {1, -2, 2, TQueueWorker::kSilent, 3, TQueueWorker::kForeign, 4}) w.Add(i);
    ASSERT_TRUE(w.WaitFor([&] { return w.Processed.size() == 4; }));
    w.Locked([&] {
        EXPECT_EQ(w.Processed, Range(1, 4));
        // The silent abort is not reported.
        EXPECT_EQ(w.Errors, (std::vector<std::string>{"bad item -2", "unknown exception"}));
    });
}

TEST(WorkerThreadTest, DrainModeServesEverythingQueuedBeforeStop) {
    TQueueWorker w(TStopMode::Drain);
    for (int i = 1; i <= 50; ++i) w.Add(i);
    w.Start("drain");
    w.Stop();
    w.Locked([&] { EXPECT_EQ(w.Processed, Range(1, 50)); });
}

TEST(WorkerThreadTest, ImmediateModeLeavesTheRestOfTheQueue) {
    TQueueWorker w(TStopMode::Immediate);
    TEvent inside, gate;
    w.OnItem = [&](int item) {
        if (item != 1) return;
        inside.Set();
        gate.Wait();
    };
    w.Start("immediate");
    for (int i = 1; i <= 3; ++i) w.Add(i);
    ASSERT_TRUE(inside.Wait(kGuardMs));
    w.Terminate();
    gate.Set();
    w.Stop();
    w.Locked([&] { EXPECT_EQ(w.Processed, std::vector<int>{1}); });
}

TEST(WorkerThreadTest, ItemArrivingBetweenTheLookAndTheSleepIsNotMissed) {
    TQueueWorker w;
    bool injected = false;
    // The first time the loop finds the queue empty, an item arrives (and wakes the loop)
    // right after the look; nothing will wake the loop again.
    w.OnEmpty = [&](std::deque<int>& q) {
        if (injected) return;
        injected = true;
        q.push_back(7);
    };
    w.Start("wakeup");
    EXPECT_TRUE(w.WaitFor([&] { return w.Processed == std::vector<int>{7}; }));
}

TEST(WorkerThreadTest, SignalWithoutWorkPutsTheLoopBackToSleep) {
    TQueueWorker w;
    w.Start("stale");
    // Idle: the loop has looked twice (before and after clearing the event) and sleeps.
    ASSERT_TRUE(w.WaitFor([&] { return w.HasWorkCalls >= 2; }));
    int before = w.Locked([&] { return w.HasWorkCalls; });
    w.Wake();
    ASSERT_TRUE(w.WaitFor([&] { return w.HasWorkCalls >= before + 2; }));
    // The stale signal was cleared before the second look, so the loop sleeps, not spins.
    EXPECT_FALSE(w.WorkEvent().IsSet());
}

TEST(WorkerThreadTest, WaitForWorkReturnsOnNewWorkAndOnStop) {
    TQueueWorker w;
    TEvent waiting;
    std::vector<bool> results;
    w.OnItem = [&](int item) {
        if (item != 1) return;
        waiting.Set();
        auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(kGuardMs);
        results.push_back(w.WaitForWork(deadline));
        w.WorkEvent().Reset();
        results.push_back(w.WaitForWork(deadline));
    };
    w.Start("due");
    w.Add(1);
    ASSERT_TRUE(waiting.Wait(kGuardMs));
    w.Add(2);  // wakes the first wait; the second one ends with Stop
    w.Stop();
    EXPECT_EQ(results, (std::vector<bool>{true, true}));
}

TEST(WorkerThreadTest, StartOnceAndStopAnyNumberOfTimes) {
    TQueueWorker neverStarted;
    neverStarted.Stop();  // nothing to join
    EXPECT_THROW(neverStarted.Start("late"), std::logic_error);

    TQueueWorker w;
    w.Start("twice");
    EXPECT_THROW(w.Start("again"), std::logic_error);
    w.Stop();
    w.Stop();
}

TEST(WorkerThreadTest, WorkerStoppingItselfWhileItsOwnerStopsIt) {
    TQueueWorker w;
    TEvent inside;
    w.OnItem = [&](int item) {
        if (item != 9) return;
        inside.Set();
        auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(kGuardMs);
        while (!w.Terminated() && std::chrono::steady_clock::now() < deadline)
            w.WaitForWork(deadline);
        w.Stop();  // the owner is joining this thread now: this must not wait for it
    };
    w.Start("self");
    w.Add(9);
    ASSERT_TRUE(inside.Wait(kGuardMs));
    w.Add(10);
    w.Stop();
    w.Locked([&] { EXPECT_EQ(w.Processed, std::vector<int>{9}); });
}

}  // namespace
}  // namespace trelon
