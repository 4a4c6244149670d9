#include "detect/NotificationObserver.h"
#include "support/InMemoryBannerTree.h"
#include "support/LogRecorder.h"
#include "support/ManualScheduler.h"

#include <gtest/gtest.h>

namespace corvale {
namespace {

using test::InMemoryBannerTree;
using test::LogRecorder;
using test::ManualScheduler;

constexpr int serverPid = 42;

std::string attached(int pid, int primed) {
    return "[attach] OK pid=" + std::to_string(pid) + " - primed " + std::to_string(primed) +
           " existing; live (poll idle 1.0s / fast 0.2s)";
}

struct Reader {
    InMemoryBannerTree tree;
    ManualScheduler scheduler;
    LogRecorder log;
    std::vector<ObservedNotification> announced;
    std::unique_ptr<NotificationObserver> observer;
    BannerElement root;
    int nextUuid = 1;

    Reader() {
        tree.pid = serverPid;
        root = tree.root(serverPid);
        observer = std::make_unique<NotificationObserver>(tree, scheduler);
        observer->log = log.fn();
        observer->onNotification = [this](const ObservedNotification& n) {
            announced.push_back(n);
        };
    }
    BannerElement banner(const std::string& app = "Mail", const std::string& title = "t") {
        return tree.addBanner(root, "uuid-" + std::to_string(nextUuid++), app, title, "b");
    }
    void banners(int count) {
        for (int i = 0; i < count; ++i) {
            banner();
        }
    }
    std::vector<std::string> titles() const {
        std::vector<std::string> out;
        for (const auto& n : announced) {
            out.push_back(n.title);
        }
        return out;
    }
};

TEST(NotificationObserver, bannersOnScreenAtAttachArePrimedAndANewOneIsAnnouncedOnce) {
    Reader r;
    r.banner("Mail", "old 1");
    r.banner("Mail", "old 2");
    r.observer->start();
    ASSERT_TRUE(r.observer->isAttached());
    EXPECT_EQ(r.log.lines, std::vector<std::string>{attached(42, 2)});
    EXPECT_TRUE(r.announced.empty());

    r.tree.addBanner(r.root, "new-1", "Stacked summary: Slack, 2 more", "Hi", "there",
                     "AXNotificationCenterBannerStack");
    r.tree.notifyChange(serverPid);
    r.scheduler.advance(10.0);
    ASSERT_EQ(r.announced.size(), 1u) << "event, delayed rescans and polls all saw it";
    const auto& n = r.announced[0];
    EXPECT_EQ(n.uuid, "new-1");
    EXPECT_EQ(n.appName, "Slack");
    EXPECT_EQ(n.title, "Hi");
    EXPECT_EQ(n.body, "there");
    EXPECT_EQ(n.kind, ObservedNotification::Kind::stack);
    EXPECT_EQ(n.timestamp, r.scheduler.now() - Millis(10'000));
    EXPECT_EQ(r.observer->detectedCount(), 1);

    // A banner that appears without a notice is found by the poll.
    r.banner("Mail", "polled");
    r.scheduler.advance(1.0);
    EXPECT_EQ(r.titles(), (std::vector<std::string>{"Hi", "polled"}));
    EXPECT_EQ(r.observer->detectedCount(), 2);
}

TEST(NotificationObserver, historyGuardHoldsBackBurstsOfMoreThanThree) {
    Reader r;
    r.banners(10);
    r.observer->start();
    EXPECT_EQ(r.log.count("[history-guard]"), 0u) << "the prime never triggers the guard";
    EXPECT_EQ(r.observer->seenCount(), 10u);

    for (int i = 0; i < 3; ++i) {
        r.banner("Mail", "three-" + std::to_string(i));
    }
    r.tree.notifyChange(serverPid);
    EXPECT_EQ(r.announced.size(), 3u) << "three new banners in one scan are all announced";

    r.banners(4);
    r.tree.notifyChange(serverPid);
    r.scheduler.advance(10.0);
    EXPECT_EQ(r.announced.size(), 3u) << "four are recorded, none announced, not even later";
    EXPECT_EQ(r.observer->seenCount(), 17u);
    EXPECT_EQ(r.log.lines.back(),
              "[history-guard] 4 new banners in one event scan (> 3)  - recorded, not emitted (NC "
              "history reveal)");
    EXPECT_EQ(r.observer->detectedCount(), 3);

    // A burst the poll finds names the poll as its source.
    r.banners(5);
    r.scheduler.advance(1.0);
    EXPECT_EQ(r.log.lines.back(),
              "[history-guard] 5 new banners in one poll-idle scan (> 3)  - recorded, not emitted "
              "(NC history reveal)");
    EXPECT_EQ(r.announced.size(), 3u);
}

TEST(NotificationObserver, bannerWithoutIdentifierIsNeverAnnounced) {
    Reader r;
    r.observer->start();
    r.tree.addBanner(r.root, "", "Mail", "no id", "");
    auto emptyId = r.tree.addBanner(r.root, "x", "Mail", "empty id", "");
    r.tree.set(emptyId, "AXIdentifier", std::string());
    r.tree.notifyChange(serverPid);
    r.scheduler.advance(3.0);
    EXPECT_TRUE(r.announced.empty());
    EXPECT_EQ(r.observer->seenCount(), 0u);
}

TEST(NotificationObserver, fiveHundredUuidsAreRememberedButNeverOneStillOnScreen) {
    Reader r;
    r.observer->start();
    r.banner("Mail", "stays up");
    r.tree.notifyChange(serverPid);
    for (int i = 0; i < 500; ++i) {
        auto b = r.banner("Mail", "passing");
        r.tree.notifyChange(serverPid);
        r.tree.removeChild(r.root, b);
    }
    r.scheduler.advance(3.0);
    EXPECT_EQ(r.announced.size(), 501u) << "the banner that stayed up is not announced again";
    EXPECT_EQ(r.observer->seenCount(), 500u);
    EXPECT_TRUE(r.observer->hasSeen("uuid-1"));
    EXPECT_FALSE(r.observer->hasSeen("uuid-2")) << "the banner longest off screen went first";
    EXPECT_TRUE(r.observer->hasSeen("uuid-3"));

    // A forgotten uuid that shows up again is news.
    r.tree.addBanner(r.root, "uuid-2", "Mail", "back", "b");
    r.tree.notifyChange(serverPid);
    ASSERT_EQ(r.announced.size(), 502u);
    EXPECT_EQ(r.announced.back().title, "back");
    EXPECT_FALSE(r.observer->hasSeen("uuid-3"));
}

TEST(NotificationObserver, pollIsFastForFiveSecondsAfterActivityThenIdle) {
    Reader r;
    r.observer->start();
    EXPECT_EQ(r.observer->pollMode(), NotificationObserver::PollMode::fast)
        << "attaching is activity";

    r.scheduler.advance(4.9);
    EXPECT_EQ(r.observer->pollMode(), NotificationObserver::PollMode::fast);
    r.scheduler.advance(1.15); // 6.05 s after the attach; the idle poll ticks at 6.0, 7.0, ...
    EXPECT_EQ(r.observer->pollMode(), NotificationObserver::PollMode::idle);

    r.banner("Mail", "slow");
    r.scheduler.advance(0.9);
    EXPECT_TRUE(r.announced.empty()) << "an idle poll waits a whole second";
    r.scheduler.advance(0.1);
    ASSERT_EQ(r.titles(), std::vector<std::string>{"slow"});
    EXPECT_EQ(r.observer->pollMode(), NotificationObserver::PollMode::fast)
        << "an announcement is activity";

    r.banner("Mail", "quick");
    r.scheduler.advance(0.2);
    EXPECT_EQ(r.titles(), (std::vector<std::string>{"slow", "quick"}));

    // A notice that finds nothing new still speeds the poll up.
    r.scheduler.advance(10.0);
    ASSERT_EQ(r.observer->pollMode(), NotificationObserver::PollMode::idle);
    r.tree.notifyChange(serverPid);
    EXPECT_EQ(r.observer->pollMode(), NotificationObserver::PollMode::fast);
}

TEST(NotificationObserver, aNoticeRescansAfter80And250Milliseconds) {
    Reader r;
    r.observer->start();
    r.scheduler.advance(10.0); // idle: the next poll is a second away
    r.tree.notifyChange(serverPid);
    r.scheduler.advance(0.05);
    r.banners(4);
    r.scheduler.advance(0.04);
    EXPECT_EQ(r.log.count("in one event+80 scan"), 1u);

    r.scheduler.advance(0.12); // 0.21 s after the notice, after the first fast poll
    r.banners(4);
    r.scheduler.advance(0.05);
    EXPECT_EQ(r.log.count("in one event+250 scan"), 1u);
}

TEST(NotificationObserver, reattachesToANewServerAndPrimesAgain) {
    Reader r;
    r.banner();
    r.observer->start();
    r.banner("Mail", "announced");
    r.tree.notifyChange(serverPid);
    ASSERT_EQ(r.announced.size(), 1u);

    // The server restarts: the new process shows one old and one new banner.
    r.tree.pid = 43;
    auto root43 = r.tree.root(43);
    r.tree.addBanner(root43, "uuid-2", "Mail", "announced", "");
    r.tree.addBanner(root43, "restart-new", "Mail", "shown at restart", "");
    r.scheduler.advance(1.4);
    EXPECT_EQ(r.observer->ncPID(), 42) << "the health tick has not come yet";
    r.scheduler.advance(0.1);
    EXPECT_EQ(r.observer->ncPID(), 43);
    EXPECT_EQ(r.log.lines.back(), attached(43, 3))
        << "the count covers uuids from the earlier attachment";
    EXPECT_EQ(r.tree.changeObserverCount(), 1u) << "the old observer is gone";
    r.tree.notifyChange(42);
    r.scheduler.advance(1.0);
    EXPECT_EQ(r.announced.size(), 1u) << "banners on screen at the re-attach are primed";

    // A launch notice attaches at once.
    r.tree.pid = 44;
    r.tree.addBanner(r.tree.root(44), "launch-old", "Mail", "", "");
    r.tree.notifyLaunch();
    EXPECT_EQ(r.observer->ncPID(), 44);
    EXPECT_EQ(r.log.lines.back(), attached(44, 4));
    EXPECT_EQ(r.observer->detectedCount(), 1);
}

TEST(NotificationObserver, detachesOnceWhenTheServerIsGoneAndLogsNothingWhileDetached) {
    Reader r;
    r.tree.pid.reset();
    r.observer->start();
    r.scheduler.advance(5.0);
    EXPECT_TRUE(r.log.lines.empty()) << "a detached reader without a server stays silent";
    EXPECT_FALSE(r.observer->isAttached());

    r.tree.pid = serverPid;
    r.scheduler.advance(1.5);
    ASSERT_TRUE(r.observer->isAttached());

    r.tree.pid.reset();
    r.scheduler.advance(6.0);
    EXPECT_FALSE(r.observer->isAttached());
    EXPECT_EQ(r.observer->ncPID(), 0);
    EXPECT_FALSE(r.observer->primed());
    EXPECT_EQ(r.log.count("[detach] NotificationCenter not running"), 1u);
    EXPECT_EQ(r.tree.changeObserverCount(), 0u);

    r.banner();
    r.scheduler.advance(2.0);
    EXPECT_TRUE(r.announced.empty()) << "a detached reader does not scan";
}

TEST(NotificationObserver, waitsSilentlyForTrustAndIgnoresItsLossWhileAttached) {
    Reader r;
    r.tree.trusted = false;
    r.observer->start();
    r.scheduler.advance(3.0);
    EXPECT_FALSE(r.observer->isAttached());
    EXPECT_TRUE(r.log.lines.empty());
    EXPECT_EQ(r.tree.observeChangesCalls(), 0u);

    r.tree.trusted = true;
    r.scheduler.advance(1.5);
    ASSERT_TRUE(r.observer->isAttached()) << "granted trust attaches at the next health tick";

    r.tree.trusted = false;
    r.tree.pid.reset();
    r.scheduler.advance(3.0);
    EXPECT_TRUE(r.observer->isAttached()) << "without trust nothing changes, not even a detach";
    r.banner("Mail", "still read");
    r.scheduler.advance(1.0);
    EXPECT_EQ(r.titles(), std::vector<std::string>{"still read"});
}

TEST(NotificationObserver, aFailedObserverIsRetriedOnEveryHealthTick) {
    Reader r;
    r.banner("Mail", "on screen");
    r.tree.failObserve = true;
    r.observer->start();
    r.scheduler.advance(3.0);
    EXPECT_EQ(r.log.count("[attach] AXObserverCreate failed"), 3u);
    EXPECT_FALSE(r.observer->isAttached());

    r.tree.failObserve = false;
    r.scheduler.advance(1.5);
    EXPECT_TRUE(r.observer->isAttached());
    EXPECT_EQ(r.log.lines.back(), attached(42, 1));
    EXPECT_TRUE(r.announced.empty());
}

TEST(NotificationObserver, destroyingTheReaderStopsEveryTimerAndObserver) {
    Reader r;
    r.observer->start();
    r.tree.notifyChange(serverPid);
    EXPECT_GT(r.scheduler.pendingTimers(), 0u);
    r.observer.reset();
    EXPECT_EQ(r.scheduler.pendingTimers(), 0u);
    EXPECT_EQ(r.tree.changeObserverCount(), 0u);
    r.tree.notifyLaunch();
    r.scheduler.advance(5.0);
}

} // namespace
} // namespace corvale
