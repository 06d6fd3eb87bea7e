#include "core/waiter.h"

#include <cerrno>
#include <ctime>

namespace trelon {

namespace {

// The standard library's steady clock is CLOCK_MONOTONIC, so its time points convert directly.
timespec ToMonotonicTimespec(std::chrono::steady_clock::time_point tp) {
    auto ns = std::chrono::duration_cast<std::chrono::nanoseconds>(tp.time_since_epoch()).count();
    return timespec{time_t(ns / 1'000'000'000), long(ns % 1'000'000'000)};
}

}  // namespace

void TWaiter::Wait(int64_t milliseconds) const {
    auto now = std::chrono::steady_clock::now();
    if (milliseconds <= 0) return;
    WaitUntil(now + std::chrono::milliseconds(milliseconds));
}

void TWaiter::WaitUntil(std::chrono::steady_clock::time_point deadline) {
    auto sleepUntil = deadline - kSpinMargin;
    if (std::chrono::steady_clock::now() < sleepUntil) {
        timespec ts = ToMonotonicTimespec(sleepUntil);
        while (clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &ts, nullptr) == EINTR) {
        }
    }
    while (std::chrono::steady_clock::now() < deadline) {
    }
}

}  // namespace trelon
