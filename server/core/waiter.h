// Fine delays (the pause before a request, the RS-485 transmitter hold, BitBus pauses): sleeps
// on the monotonic clock to an absolute deadline and spins only the last ~100 us, so the delay
// is accurate to well under a millisecond without burning a core.
#pragma once

#include <chrono>
#include <cstdint>

namespace trelon {

class TWaiter {
  public:
    // How long before the deadline sleeping gives way to spinning.
    static constexpr std::chrono::microseconds kSpinMargin{100};

    // Returns no earlier than milliseconds after the call (at once for 0 or less).
    void Wait(int64_t milliseconds) const;
    // Returns no earlier than the deadline.
    static void WaitUntil(std::chrono::steady_clock::time_point deadline);
};

}  // namespace trelon
