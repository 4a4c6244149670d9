#include "core/linux/QtScheduler.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <gtest/gtest.h>
#include <memory>

using namespace corvale;

namespace {

// Runs the Qt event loop until `done` holds or the deadline passes.
bool spinUntil(const std::function<bool()>& done, int timeoutMs) {
    QElapsedTimer clock;
    clock.start();
    while (!done() && clock.elapsed() < timeoutMs) {
        QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents, 10);
    }
    return done();
}

std::unique_ptr<QCoreApplication> ensureApp() {
    if (QCoreApplication::instance()) {
        return nullptr;
    }
    static int argc = 1;
    static char name[] = "test";
    static char* argv[] = {name, nullptr};
    return std::make_unique<QCoreApplication>(argc, argv);
}

} // namespace

TEST(QtScheduler, timersFireOnTheEventLoopAndDieWithTheirHandle) {
    auto app = ensureApp();
    QtScheduler scheduler;
    int once = 0, repeated = 0, cancelled = 0;
    Subscription single = scheduler.after(Millis(20), [&] { ++once; });
    Subscription repeating = scheduler.every(Millis(10), [&] { ++repeated; });
    {
        Subscription dropped = scheduler.after(Millis(5), [&] { ++cancelled; });
    }
    EXPECT_TRUE(spinUntil([&] { return once == 1 && repeated >= 4; }, 5000));
    repeating.reset();
    int afterCancel = repeated;
    spinUntil([] { return false; }, 60);
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
    EXPECT_TRUE(spinUntil([&] { return selfCalls == 1; }, 2000));
    auto wall = scheduler.now();
    EXPECT_LE(std::chrono::abs(wall - Clock::now()), std::chrono::seconds(1));
}
