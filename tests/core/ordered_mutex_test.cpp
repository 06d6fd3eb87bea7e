#include "core/ordered_mutex.h"

#include <gtest/gtest.h>

#include <mutex>

#include "core/worker_thread.h"

namespace trelon {
namespace {

TEST(OrderedMutexTest, NestingFollowsTheLockOrder) {
    struct TCase {
        TLockLevel Outer, Inner;
        bool Allowed;
    };
    const TCase cases[] = {
        {TLockLevel::FactoryMasters, TLockLevel::Master, true},
        {TLockLevel::Master, TLockLevel::FactoryTransports, true},
        {TLockLevel::Master, TLockLevel::TransportTasks, true},
        {TLockLevel::TransportTasks, TLockLevel::Master, false},
        {TLockLevel::FactoryTransports, TLockLevel::FactoryMasters, false},
        {TLockLevel::Master, TLockLevel::Master, false},  // two masters' locks never nest
    };
    for (const TCase& c : cases) {
        TOrderedMutex outer(c.Outer), inner(c.Inner);
        std::lock_guard a(outer);
        if (c.Allowed) {
            std::lock_guard b(inner);
            EXPECT_EQ(HeldLockCount(), 2);
        } else {
            EXPECT_THROW(std::lock_guard b(inner), TLockOrderError);
            EXPECT_EQ(HeldLockCount(), 1);  // nothing was taken
        }
    }
    EXPECT_EQ(HeldLockCount(), 0);
}

TEST(OrderedMutexTest, ReentryIsAllowedAndReleaseOrderIsFree) {
    TOrderedMutex master(TLockLevel::Master), tasks(TLockLevel::TransportTasks);
    master.lock();
    tasks.lock();
    EXPECT_NO_THROW(master.lock());  // already held: no new wait, no order to break
    EXPECT_EQ(HeldLockCount(), 3);
    master.unlock();
    master.unlock();
    // Only the task lock is left, so the master's lock is out of order again.
    EXPECT_THROW(master.lock(), TLockOrderError);
    tasks.unlock();
    EXPECT_EQ(HeldLockCount(), 0);
    EXPECT_NO_THROW(master.lock());
    master.unlock();
}

class TIdleWorker : public TWorkerThread {
  public:
    TIdleWorker() : TWorkerThread(TThreadPriority::Normal, TStopMode::Immediate) {}
    ~TIdleWorker() override { Stop(); }

  protected:
    bool HasWork() override { return false; }
    void ProcessOne() override {}
    void OnException(const std::string&) override {}
};

TEST(OrderedMutexTest, StopRefusesToJoinWhileALockIsHeld) {
    TIdleWorker w;
    w.Start("joined");
    TOrderedMutex m(TLockLevel::FactoryTransports);
    {
        std::lock_guard lock(m);
        EXPECT_THROW(w.Stop(), TLockOrderError);
    }
    EXPECT_NO_THROW(w.Stop());
}

}  // namespace
}  // namespace trelon
