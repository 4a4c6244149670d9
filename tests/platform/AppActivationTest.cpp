#include "platform/AppActivator.h"
#include "platform/AppIconProvider.h"
#include "support/FakeWorkspace.h"
#include "support/ManualScheduler.h"

#include <gtest/gtest.h>

using namespace corvale;

namespace {

const AppLocation slack{"Slack", "com.slack.Slack",
                        "/usr/share/applications/com.slack.Slack.desktop"};
const AppLocation helper{"Slack", "slack-helper", "/usr/share/applications/slack-helper.desktop"};
const AppLocation mail{"Mail", "org.gnome.Evolution", "/usr/share/applications/evolution.desktop"};

} // namespace

TEST(AppActivator, identifierFirstThenRunningByNameThenInstalled) {
    test::FakeWorkspace ws;
    ws.running = {{helper, false}, {slack, true}};
    ws.installed = {mail};
    AppActivator activator(ws);

    EXPECT_TRUE(activator.activate("Anything", "com.slack.Slack"));
    EXPECT_TRUE(activator.activate("Anything", "org.gnome.Evolution"))
        << "known by identifier though not running";
    EXPECT_TRUE(activator.activate("  sLACK \n", ""))
        << "by name key, skipping the helper that is no ordinary application";
    EXPECT_TRUE(activator.activate("Mail", "no.such.id"))
        << "an unknown identifier falls to the name";
    EXPECT_EQ(ws.opened, (std::vector<AppLocation>{slack, mail, slack, mail}));

    EXPECT_FALSE(activator.activate("Unknown", ""));
    EXPECT_FALSE(activator.activate("   ", ""));
    EXPECT_EQ(ws.opened.size(), 4u) << "nothing found, nothing opened";

    ws.windows = {slack, mail};
    EXPECT_TRUE(activator.activate("Slack", ""));
    EXPECT_TRUE(activator.activate("Anything", "com.slack.Slack"));
    EXPECT_TRUE(activator.activate("Mail", ""));
    EXPECT_EQ(ws.raised, (std::vector<AppLocation>{slack, slack}))
        << "a running application's window is raised, an installed one is not looked for";
    EXPECT_EQ(ws.opened.size(), 5u) << "only the application that does not run is launched";
}

TEST(AppIconProvider, aMissIsNotSearchedAgainFor45Seconds) {
    test::FakeWorkspace ws;
    test::ManualScheduler clock;
    AppIconProvider icons(ws, clock);

    EXPECT_FALSE(icons.icon("Ghost").has_value());
    EXPECT_EQ(ws.lookups, 1);
    clock.advance(44.9);
    EXPECT_FALSE(icons.icon(" ghost ").has_value()) << "same key, still within the retry time";
    EXPECT_EQ(ws.lookups, 1);

    // Installed meanwhile: found at the next search after the retry time.
    ws.installed = {{"Ghost", "ghost", "/apps/ghost.desktop"}};
    ws.icons["/apps/ghost.desktop"] = "/icons/ghost.png";
    clock.advance(0.1);
    EXPECT_EQ(icons.icon("Ghost"), std::filesystem::path("/icons/ghost.png"));
    EXPECT_EQ(ws.lookups, 2);

    // Cached for good, even once the application is gone.
    ws.installed.clear();
    clock.advance(3600);
    EXPECT_EQ(icons.icon("GHOST"), std::filesystem::path("/icons/ghost.png"));
    EXPECT_EQ(ws.lookups, 2);

    EXPECT_FALSE(icons.icon(" \t").has_value());
    EXPECT_EQ(ws.lookups, 2) << "an empty name searches nothing";
}

TEST(AppIconProvider, aRunningApplicationWinsAndOneWithoutAnIconIsAMiss) {
    test::FakeWorkspace ws;
    test::ManualScheduler clock;
    AppIconProvider icons(ws, clock);
    const AppLocation runningMail{"Mail", "mail-running", "/run/mail.desktop"};
    ws.running = {{runningMail, false}};
    ws.installed = {mail};
    ws.icons = {{"/run/mail.desktop", "/icons/running.svg"}, {mail.path, "/icons/installed.svg"}};
    EXPECT_EQ(icons.icon("mail"), std::filesystem::path("/icons/running.svg"));

    ws.installed = {{"Bare", "bare", "/apps/bare.desktop"}};
    EXPECT_FALSE(icons.icon("Bare").has_value());
    int before = ws.lookups;
    EXPECT_FALSE(icons.icon("Bare").has_value());
    EXPECT_EQ(ws.lookups, before) << "an entry without an icon counts as a miss";
}
