// Events in the two classic flavours: a manual-reset event stays set until Reset(); an
// auto-reset event is cleared again by the one wait that it releases. A thread can also wait
// for whichever of two events comes first.
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <optional>
#include <vector>

namespace trelon {

enum class TEventReset { Manual, Auto };

// Timeout value meaning "no time limit".
inline constexpr int64_t kInfinite = -1;

class TEvent {
  public:
    explicit TEvent(TEventReset reset = TEventReset::Manual, bool initiallySet = false);
    TEvent(const TEvent&) = delete;
    TEvent& operator=(const TEvent&) = delete;

    void Set();
    void Reset();
    // Looks without waiting and without consuming an auto-reset event.
    bool IsSet() const;

    // True when the event was set; false when the time ran out (kInfinite: no limit).
    bool Wait(int64_t timeoutMs = kInfinite);
    bool WaitUntil(std::chrono::steady_clock::time_point deadline);

  private:
    friend int WaitForEither(TEvent&, TEvent&,
                             std::optional<std::chrono::steady_clock::time_point>);
    struct TWaiter;

    bool WaitUntilOrForever(std::optional<std::chrono::steady_clock::time_point> deadline);
    // Takes the signal if it is there (clearing an auto-reset event); never waits.
    bool TryTake();
    void AddWaiter(TWaiter* w);
    void RemoveWaiter(TWaiter* w);

    const TEventReset reset_;
    mutable std::mutex mutex_;
    std::condition_variable cv_;
    bool set_;
    std::vector<TWaiter*> waiters_;  // threads waiting on this event and another one
};

// Waits until either event is set and takes that one (an auto-reset event is cleared).
// Returns 0 for the first, 1 for the second (the first wins when both are set), -1 when the
// time ran out.
int WaitForEither(TEvent& first, TEvent& second, int64_t timeoutMs = kInfinite);
int WaitForEither(TEvent& first, TEvent& second,
                  std::optional<std::chrono::steady_clock::time_point> deadline);

// The steady-clock deadline that lies timeoutMs from now; none for kInfinite (or any
// negative value).
std::optional<std::chrono::steady_clock::time_point> DeadlineAfter(int64_t timeoutMs);

}  // namespace trelon
