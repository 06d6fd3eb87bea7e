#include "core/event.h"

#include <gtest/gtest.h>

#include <thread>

namespace trelon {
namespace {

TEST(EventTest, ManualStaysSetAutoReleasesOneWait) {
    struct TCase {
        TEventReset Reset;
        bool SecondWait;
    };
    for (TCase c : {TCase{TEventReset::Manual, true}, TCase{TEventReset::Auto, false}}) {
        TEvent ev(c.Reset);
        EXPECT_FALSE(ev.Wait(0));
        ev.Set();
        EXPECT_TRUE(ev.Wait(0));
        EXPECT_EQ(ev.Wait(0), c.SecondWait);
        ev.Set();
        ev.Reset();
        EXPECT_FALSE(ev.Wait(0));
    }
}

TEST(EventTest, TimeoutsAndDeadlines) {
    TEvent ev;
    EXPECT_FALSE(ev.Wait(5));
    EXPECT_FALSE(ev.WaitUntil(std::chrono::steady_clock::now() - std::chrono::seconds(1)));
    TEvent initiallySet(TEventReset::Manual, true);
    EXPECT_TRUE(initiallySet.WaitUntil(std::chrono::steady_clock::now()));
}

TEST(EventTest, SetReleasesAThreadWaitingWithoutLimit) {
    TEvent ev;
    bool released = false;
    std::thread waiter([&] { released = ev.Wait(); });
    ev.Set();
    waiter.join();
    EXPECT_TRUE(released);
}

TEST(EventTest, AutoResetSetReleasesOnlyOneOfTwoWaiters) {
    TEvent ev(TEventReset::Auto);
    TEvent released(TEventReset::Auto);
    auto wait = [&] {
        ev.Wait();
        released.Set();
    };
    std::thread a(wait), b(wait);
    ev.Set();
    ASSERT_TRUE(released.Wait(10'000));
    EXPECT_FALSE(ev.IsSet());  // the one signal went to one waiter
    ev.Set();                  // and the other one needs its own
    a.join();
    b.join();
}

TEST(EventTest, WaitForEitherTakesTheFirstSetAndConsumesOnlyIt) {
    struct TCase {
        bool FirstSet, SecondSet;
        int Expected;
        bool FirstAfter, SecondAfter;  // auto-reset events: still set afterwards?
    };
    const TCase cases[] = {
        {false, false, -1, false, false},
        {true, false, 0, false, false},
        {false, true, 1, false, false},
        {true, true, 0, false, true},
    };
    for (const TCase& c : cases) {
        TEvent first(TEventReset::Auto, c.FirstSet), second(TEventReset::Auto, c.SecondSet);
        EXPECT_EQ(WaitForEither(first, second, 0), c.Expected);
        EXPECT_EQ(first.IsSet(), c.FirstAfter);
        EXPECT_EQ(second.IsSet(), c.SecondAfter);
    }
    TEvent manual(TEventReset::Manual, true), other;
    EXPECT_EQ(WaitForEither(other, manual, 0), 1);
    EXPECT_TRUE(manual.IsSet());
}

TEST(EventTest, WaitForEitherWakesOnEitherFromAnotherThread) {
    for (int which : {0, 1}) {
        TEvent first, second(TEventReset::Auto);
        int result = -2;
        std::thread waiter([&] { result = WaitForEither(first, second); });
        (which == 0 ? first : second).Set();
        waiter.join();
        EXPECT_EQ(result, which);
    }
}

TEST(EventTest, WaitForEitherOnOneEventTwice) {
    TEvent ev(TEventReset::Auto, true);
    EXPECT_EQ(WaitForEither(ev, ev, 0), 0);
    EXPECT_EQ(WaitForEither(ev, ev, 0), -1);
}

}  // namespace
}  // namespace trelon
