#include "core/worker_thread.h"

#include <pthread.h>
#include <cstdio>
#include <stdexcept>

#include "core/ordered_mutex.h"
#include "core/thread_launcher.h"

namespace trelon {

namespace {

// The system keeps 15 bytes of a thread's name; cut on a UTF-8 character boundary.
void SetSystemThreadName(const std::string& name) {
    size_t len = name.size() < 15 ? name.size() : 15;
    while (len > 0 && len < name.size() && (static_cast<unsigned char>(name[len]) & 0xC0) == 0x80)
        --len;
    pthread_setname_np(pthread_self(), name.substr(0, len).c_str());
}

}  // namespace

TWorkerThread::TWorkerThread(TThreadPriority priority, TStopMode stopMode)
    : priority_(priority), stopMode_(stopMode) {}

TWorkerThread::~TWorkerThread() {
    if (thread_.joinable()) {
        std::fprintf(stderr, "TWorkerThread %s destroyed while its thread runs\n", name_.c_str());
        std::terminate();
    }
}

void TWorkerThread::Start(const std::string& name) {
    std::lock_guard lock(joinMutex_);
    if (thread_.joinable() || Terminated()) {
        throw std::logic_error("worker thread " + name + " started twice or after Stop");
    }
    name_ = name;
    thread_ = LaunchThread([this] { Run(); });
}

void TWorkerThread::Terminate() {
    terminated_.store(true, std::memory_order_release);
    work_.Set();
}

void TWorkerThread::Stop() {
    Terminate();
    // A worker ending its own loop must not wait for the joiner's mutex: the joiner waits
    // for it.
    if (loopThread_.load() == std::this_thread::get_id()) return;
    std::lock_guard lock(joinMutex_);
    if (!thread_.joinable()) return;
    RequireNoLocksHeld("TWorkerThread::Stop");
    thread_.join();
}

bool TWorkerThread::WaitForWork(std::chrono::steady_clock::time_point deadline) {
    if (Terminated()) return true;
    return work_.WaitUntil(deadline);
}

void TWorkerThread::Run() {
    loopThread_.store(std::this_thread::get_id());
    SetSystemThreadName(name_);
    ApplyThreadPriority(priority_, name_);
    bool goOn = true;
    while (goOn) {
        try {
            goOn = Step();
        } catch (const TSilentAbort&) {
        } catch (const std::exception& e) {
            Report(e.what());
        } catch (...) {
            Report("unknown exception");
        }
    }
}

bool TWorkerThread::Step() {
    // Read before looking at the queue: whatever was queued before Terminate() is seen.
    bool stop = Terminated();
    if (HasWork() && (!stop || stopMode_ == TStopMode::Drain)) {
        // Cleared before the take: an item queued meanwhile sets it again.
        work_.Reset();
        ProcessOne();
        return true;
    }
    if (stop) return false;
    // Clear a signal whose item is already gone, then look once more, so that a stale signal
    // does not make the loop spin and a fresh item is not slept through.
    work_.Reset();
    if (!HasWork() && !Terminated()) work_.Wait();
    return true;
}

void TWorkerThread::Report(const std::string& message) {
    try {
        OnException(message);
    } catch (...) {
        // The hook itself failed (no memory, no log): the loop still goes on.
    }
}

}  // namespace trelon
