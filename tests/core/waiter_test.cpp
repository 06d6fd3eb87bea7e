#include "core/waiter.h"

#include <gtest/gtest.h>

namespace trelon {
namespace {

// Only the lower bound is a property of the code; how late it returns depends on the machine.
TEST(WaiterTest, NeverReturnsBeforeTheDeadline) {
    TWaiter waiter;
    for (int64_t ms : {0, 1, 3}) {
        auto start = std::chrono::steady_clock::now();
        waiter.Wait(ms);
        EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(ms));
    }
    for (auto us : {50, 150, 1200}) {
        auto deadline = std::chrono::steady_clock::now() + std::chrono::microseconds(us);
        TWaiter::WaitUntil(deadline);
        EXPECT_GE(std::chrono::steady_clock::now(), deadline);
    }
    TWaiter::WaitUntil(std::chrono::steady_clock::now() - std::chrono::seconds(1));
}

}  // namespace
}  // namespace trelon
