#include "core/linux/QtScheduler.h"

#include "support/QtEventLoop.h"

#include <gtest/gtest.h>
#include <memory>

using namespace corvale;
using namespace std::chrono_literals;
using corvale::test::pumpEventsFor;
using corvale::test::pumpEventsUntil;

TEST(QtScheduler, timersFireOnTheEventLoopAndDieWithTheirHandle) {
    QtScheduler scheduler;
    int once = 0, repeated = 0, cancelled = 0;
    Subscription single = scheduler.after(Millis(20), [&] { ++once; });
    Subscription repeating = scheduler.every(Millis(10), [&] { ++repeated; });
    {
        Subscription dropped = scheduler.after(Millis(5), [&] { ++cancelled; });
    }
    EXPECT_TRUE(pumpEventsUntil([&] { return once == 1 && repeated >= 4; }, 5000ms));
    repeating.reset();
    int afterCancel = repeated;
    pumpEventsFor(60ms);
    EXPECT_EQ(repeated, afterCancel) << "a cancelled repeating timer stops";
    EXPECT_EQ(once, 1);
    EXPECT_EQ(cancelled, 0);

    // A one-shot timer may drop its own handle from inside its callback.
    Subscription self;
    int selfCalls = 0;
    self = scheduler.after(Millis(1), [&] {
        ++selfCalls;
        self.reset();
    });
    EXPECT_TRUE(pumpEventsUntil([&] { return selfCalls == 1; }, 2000ms));
    auto wall = scheduler.now();
    EXPECT_LE(std::chrono::abs(wall - Clock::now()), std::chrono::seconds(1));
}
