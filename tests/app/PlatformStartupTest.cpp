#include "support/AppHarness.h"

#include <gtest/gtest.h>

using namespace corvale;

namespace {

size_t indexOf(const std::vector<std::string>& lines, const std::string& prefix) {
    for (size_t i = 0; i < lines.size(); ++i) {
        if (lines[i].starts_with(prefix)) {
            return i;
        }
    }
    return lines.size();
}

} // namespace

TEST(PlatformStartup, theUpdaterLineKeepsItsPlaceAndUpdateRequestsReachNothing) {
    test::AppHarness h;
    h.create();
    h.launch();
    auto& lines = h.log.lines;
    EXPECT_LT(indexOf(lines, "[sounds] library: "), indexOf(lines, "[sparkle] "));
    EXPECT_LT(indexOf(lines, "[sparkle] "), indexOf(lines, "[focus-filter] initial"));
    EXPECT_EQ(h.log.count(AppDelegate::updaterPlaceholderLine), 1u);
    h.center.post(notes::checkForUpdates); // nothing to ask, nothing happens
    EXPECT_FALSE(h.app->configModel()->onCheckForUpdates) << "the menus offer no dead row";
}
