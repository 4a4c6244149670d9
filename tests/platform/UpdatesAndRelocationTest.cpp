#include "platform/AppTranslocation.h"
#include "platform/SoftwareUpdater.h"
#include "support/FakeWorkspace.h"
#include "support/LogRecorder.h"
#include "support/ScriptedDialogs.h"

#include <gtest/gtest.h>

using namespace corvale;

namespace {

struct CountingUpdater : UpdaterController {
    int* checks;
    explicit CountingUpdater(int* c) : checks(c) {}
    void checkForUpdates() override { ++*checks; }
};

const std::string placeholderLine =
    "[sparkle] SUFeedURL/SUPublicEDKey still placeholders - updater NOT started (avoids the "
    "'updater failed to start' alert; Check for Updates disabled)";

} // namespace

TEST(SoftwareUpdater, onlyAFullyRealConfigurationCounts) {
    const std::string key = "pfIShU4dEXqPd5ObYNfDBiQWcXozk7estwzTnF9BamQ=";
    EXPECT_TRUE((UpdaterConfig{"https://updates.corvale.app/appcast.xml", key}.isReal()));
    EXPECT_FALSE((UpdaterConfig{}.isReal()));
    EXPECT_FALSE((UpdaterConfig{"https://updates.corvale.app/appcast.xml", ""}.isReal()));
    EXPECT_FALSE((UpdaterConfig{"https://updates.corvale.app/TODO.xml", key}.isReal()))
        << "the marker counts whatever its case";
    EXPECT_FALSE((UpdaterConfig{"https://updates.corvale.app/appcast.xml", "ToDo-key"}.isReal()));
    EXPECT_FALSE((UpdaterConfig{"https://Example.COM/appcast.xml", key}.isReal()));
}

TEST(SoftwareUpdater, startsOnlyWithARealConfigurationAndAnUpdaterToMake) {
    int checks = 0;
    int made = 0;
    UpdaterFactory factory = [&](const UpdaterConfig&) {
        ++made;
        return std::make_unique<CountingUpdater>(&checks);
    };
    UpdaterConfig real{"https://updates.corvale.app/appcast.xml", "key"};

    test::LogRecorder log;
    auto updater = startUpdater(real, factory, log.fn());
    ASSERT_NE(updater, nullptr);
    EXPECT_EQ(log.lines, std::vector<std::string>{"[sparkle] updater started"});
    updater->checkForUpdates();
    EXPECT_EQ(checks, 1);

    for (const auto& [config, f] :
         {std::pair{UpdaterConfig{}, factory}, std::pair{real, UpdaterFactory{}},
          std::pair{real, UpdaterFactory([](const UpdaterConfig&) {
                        return std::unique_ptr<UpdaterController>();
                    })}}) {
        test::LogRecorder quiet;
        EXPECT_EQ(startUpdater(config, f, quiet.fn()), nullptr);
        EXPECT_EQ(quiet.lines, std::vector<std::string>{placeholderLine});
    }
    EXPECT_EQ(made, 1) << "a placeholder configuration never reaches the factory";
}

TEST(AppTranslocation, thePathAloneDecides) {
    EXPECT_TRUE(AppTranslocation::isTranslocated(
        "/private/var/folders/x/AppTranslocation/1234-ABCD/d/Corvale.app"));
    EXPECT_FALSE(AppTranslocation::isTranslocated("/usr/bin/corvale"));
    EXPECT_FALSE(AppTranslocation::isTranslocated("/opt/AppTranslocation-tools/corvale"));
    EXPECT_FALSE(AppTranslocation::originalURL("/x/AppTranslocation/y/corvale").has_value());
}

TEST(RelocationCheck, asksOnlyWhenRelocatedAndFollowsTheAnswer) {
    ScriptedDialogs dialogs;
    test::FakeWorkspace workspace;
    int terminations = 0;
    test::LogRecorder log;
    RelocationCheck check{"/usr/bin/corvale", &dialogs, &workspace, [&] { ++terminations; },
                          log.fn()};

    EXPECT_FALSE(check.nudgeIfTranslocatedShouldQuit());
    EXPECT_TRUE(dialogs.alerts.empty());
    EXPECT_TRUE(log.lines.empty());

    check.bundle = "/tmp/AppTranslocation/ab12/corvale";
    dialogs.alertAnswers = {RelocationCheck::quitButton};
    EXPECT_TRUE(check.nudgeIfTranslocatedShouldQuit());
    EXPECT_EQ(terminations, 1);
    EXPECT_EQ(log.lines,
              (std::vector<std::string>{
                  "[translocation] running translocated at "
                  "/tmp/AppTranslocation/ab12/corvale - nudging to move to /Applications",
                  "[translocation] user chose Quit"}));
    ASSERT_EQ(dialogs.alerts.size(), 1u);
    EXPECT_EQ(dialogs.alerts[0].buttons,
              (std::vector<std::string>{"Reveal in the file manager", "Quit", "Continue Anyway"}));

    log.lines.clear();
    dialogs.alertAnswers = {RelocationCheck::revealButton};
    EXPECT_FALSE(check.nudgeIfTranslocatedShouldQuit());
    EXPECT_EQ(workspace.revealed,
              std::vector<std::filesystem::path>{"/tmp/AppTranslocation/ab12/corvale"});
    EXPECT_EQ(log.lines.back(), "[translocation] revealed /tmp/AppTranslocation/ab12/corvale in "
                                "Finder; continuing this session");

    // With no alert to show, the session goes on as after "Continue Anyway".
    for (auto* shownWith : {static_cast<Dialogs*>(&dialogs), static_cast<Dialogs*>(nullptr)}) {
        log.lines.clear();
        dialogs.alertAnswers = {RelocationCheck::continueButton};
        check.dialogs = shownWith;
        EXPECT_FALSE(check.nudgeIfTranslocatedShouldQuit());
        EXPECT_EQ(log.lines.back(), "[translocation] user chose Continue Anyway");
    }
    EXPECT_EQ(terminations, 1);
}
