#include "support/AppHarness.h"

#include <gtest/gtest.h>

using namespace corvale;

namespace {

const std::string placeholderLine =
    "[sparkle] SUFeedURL/SUPublicEDKey still placeholders - updater NOT started (avoids the "
    "'updater failed to start' alert; Check for Updates disabled)";

struct CountingUpdater : UpdaterController {
    int* checks;
    explicit CountingUpdater(int* c) : checks(c) {}
    void checkForUpdates() override { ++*checks; }
};

size_t indexOf(const std::vector<std::string>& lines, const std::string& prefix) {
    for (size_t i = 0; i < lines.size(); ++i) {
        if (lines[i].starts_with(prefix)) {
            return i;
        }
    }
    return lines.size();
}

} // namespace

TEST(PlatformStartup, updaterLineFollowsTheRelocationCheckAndUpdateRequestsNeedAnUpdater) {
    test::AppHarness h;
    h.create();
    int checksRun = 0;
    h.app->setRelocationCheck([&] {
        ++checksRun;
        return false;
    });
    h.app->applicationDidFinishLaunching();
    EXPECT_EQ(checksRun, 1);
    auto& lines = h.log.lines;
    EXPECT_LT(indexOf(lines, "[sounds] library: "), indexOf(lines, "[sparkle] "));
    EXPECT_LT(indexOf(lines, "[sparkle] "), indexOf(lines, "[focus-filter] initial"));
    EXPECT_EQ(h.log.count(placeholderLine), 1u);
    EXPECT_EQ(h.app->updaterController(), nullptr);
    h.center.post(notes::checkForUpdates); // nothing to ask, nothing happens
    EXPECT_FALSE(h.app->configModel()->onCheckForUpdates) << "the menus offer no dead row";

    test::AppHarness configured;
    configured.create();
    int checks = 0;
    configured.app->setUpdater(
        {"https://updates.corvale.app/appcast.xml", "key"},
        [&](const UpdaterConfig&) { return std::make_unique<CountingUpdater>(&checks); });
    configured.app->applicationDidFinishLaunching();
    EXPECT_TRUE(configured.log.contains("[sparkle] updater started"));
    configured.center.post(notes::checkForUpdates);
    EXPECT_EQ(checks, 1);
    configured.app->configModel()->onCheckForUpdates();
    EXPECT_EQ(checks, 2);
}

TEST(PlatformStartup, quittingAtTheRelocationCheckSetsNothingUp) {
    test::AppHarness h;
    h.create();
    h.app->setRelocationCheck([] { return true; });
    h.app->applicationDidFinishLaunching();
    EXPECT_TRUE(h.log.contains("[sounds] library: "));
    EXPECT_FALSE(h.log.contains("[sparkle]"));
    EXPECT_FALSE(h.log.contains("[focus-filter] initial"));
    EXPECT_EQ(h.scheduler.pendingTimers(), 0u) << "no status timer";
}
