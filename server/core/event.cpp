#include "core/event.h"

#include <algorithm>

namespace trelon {

// One thread waiting on two events. Each event flags it when set; the lock order is always
// the event's mutex first, then the waiter's.
struct TEvent::TWaiter {
    std::mutex mutex;
    std::condition_variable cv;
    bool signalled = false;

    void Signal() {
        std::lock_guard lock(mutex);
        signalled = true;
        cv.notify_one();
    }
};

std::optional<std::chrono::steady_clock::time_point> DeadlineAfter(int64_t timeoutMs) {
    if (timeoutMs < 0) return std::nullopt;
    return std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
}

TEvent::TEvent(TEventReset reset, bool initiallySet) : reset_(reset), set_(initiallySet) {}

void TEvent::Set() {
    std::lock_guard lock(mutex_);
    set_ = true;
    for (TWaiter* w : waiters_) w->Signal();
    // Every waiter re-checks under the mutex, so only one of them takes an auto-reset signal.
    cv_.notify_all();
}

void TEvent::Reset() {
    std::lock_guard lock(mutex_);
    set_ = false;
}

bool TEvent::IsSet() const {
    std::lock_guard lock(mutex_);
    return set_;
}

bool TEvent::TryTake() {
    std::lock_guard lock(mutex_);
    if (!set_) return false;
    if (reset_ == TEventReset::Auto) set_ = false;
    return true;
}

bool TEvent::Wait(int64_t timeoutMs) {
    return WaitUntilOrForever(DeadlineAfter(timeoutMs));
}

bool TEvent::WaitUntil(std::chrono::steady_clock::time_point deadline) {
    return WaitUntilOrForever(deadline);
}

bool TEvent::WaitUntilOrForever(std::optional<std::chrono::steady_clock::time_point> deadline) {
    std::unique_lock lock(mutex_);
    auto isSet = [this] { return set_; };
    if (deadline) {
        if (!cv_.wait_until(lock, *deadline, isSet)) return false;
    } else {
        cv_.wait(lock, isSet);
    }
    if (reset_ == TEventReset::Auto) set_ = false;
    return true;
}

void TEvent::AddWaiter(TWaiter* w) {
    std::lock_guard lock(mutex_);
    waiters_.push_back(w);
}

void TEvent::RemoveWaiter(TWaiter* w) {
    std::lock_guard lock(mutex_);
    waiters_.erase(std::find(waiters_.begin(), waiters_.end(), w));
}

int WaitForEither(TEvent& first, TEvent& second, int64_t timeoutMs) {
    return WaitForEither(first, second, DeadlineAfter(timeoutMs));
}

int WaitForEither(TEvent& first, TEvent& second,
                  std::optional<std::chrono::steady_clock::time_point> deadline) {
    if (&first == &second) return first.WaitUntilOrForever(deadline) ? 0 : -1;
    TEvent::TWaiter waiter;
    first.AddWaiter(&waiter);
    second.AddWaiter(&waiter);
    int taken = -1;
    for (;;) {
        // A Set() after these checks flags the waiter, so the wait below cannot miss it.
        if (first.TryTake()) {
            taken = 0;
            break;
        }
        if (second.TryTake()) {
            taken = 1;
            break;
        }
        std::unique_lock lock(waiter.mutex);
        auto flagged = [&] { return waiter.signalled; };
        if (deadline) {
            if (!waiter.cv.wait_until(lock, *deadline, flagged)) break;
        } else {
            waiter.cv.wait(lock, flagged);
        }
        waiter.signalled = false;
    }
    first.RemoveWaiter(&waiter);
    second.RemoveWaiter(&waiter);
    return taken;
}

}  // namespace trelon
