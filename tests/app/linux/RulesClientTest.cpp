#include "app/linux/RulesClient.h"
#include "app/RulesCommand.h"
#include "app/linux/DesktopSession.h"
#include "support/AppRule.h"
#include "support/GuiApp.h"
#include "support/PrivateBus.h"
#include "support/QtEventLoop.h"
#include "support/ScopedEnvironment.h"
#include "support/TempDir.h"

#include <algorithm>
#include <future>
#include <gtest/gtest.h>
#include <regex>

using namespace corvale;
using namespace std::chrono_literals;

namespace {

// The session's variables pointed into the test's folder, with no display and no audio server.
void usePrivateHome(test::ScopedEnvironment& environment, const test::TempDir& dir) {
    environment.set("HOME", dir.path().string());
    environment.set("XDG_DATA_HOME", (dir / "data").string());
    environment.set("XDG_CONFIG_HOME", (dir / "config").string());
    environment.set("DISPLAY", std::nullopt);
    environment.set("WAYLAND_DISPLAY", std::nullopt);
    environment.set("PULSE_SERVER", (dir / "no-pulse").string());
}

std::vector<std::string> filesNamed(const std::filesystem::path& folder, const std::regex& name) {
    std::vector<std::string> found;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
        if (std::regex_match(entry.path().filename().string(), name)) {
            found.push_back(entry.path().string());
        }
    }
    return found;
}

} // namespace

// The command in another process's place (a thread of its own, its own bus connection) while the
// program answers from its event loop: the change goes through the program's model.
TEST(RulesClient, changesGoThroughTheRunningProgram) {
    test::PrivateBus bus;
    ASSERT_TRUE(bus.ready()) << bus.setupError();
    test::TempDir dir;
    test::ScopedEnvironment environment;
    usePrivateHome(environment, dir);
    test::guiApp();
    DesktopSession session(
        {dir / "data" / "Corvale", dir / "config" / "Corvale", {dir / "tones"}, dir / "bin"});
    ConfigModel& model = *session.delegate().configModel();
    model.addApp("Slack");
    ASSERT_TRUE(
        test::pumpEventsUntil([&] { return bus.ownerPid("com.talvo.corvale").has_value(); }, 10s));
    int changes = 0;
    auto observing = model.observe([&] { ++changes; });

    const auto run = [](std::vector<std::string> words) {
        auto result = std::async(std::launch::async, runRulesCommand, words);
        EXPECT_TRUE(test::pumpEventsUntil(
            [&] { return result.wait_for(0s) == std::future_status::ready; }, 20s));
        return result.get();
    };
    EXPECT_EQ(run({"set", "slack", "volume", "150"}), 0);
    EXPECT_DOUBLE_EQ(MenuModel::baseRule("Slack", model.rules())->volume, 1.5);
    EXPECT_GT(changes, 0) << "open windows hear of the change";
    auto onDisk = RulesCommand::decode(test::readFile(session.delegate().ruleStore().fileURL()));
    ASSERT_TRUE(onDisk.error.empty()) << onDisk.error;
    EXPECT_DOUBLE_EQ(MenuModel::baseRule("Slack", onDisk.rules)->volume, 1.5);

    EXPECT_EQ(run({"set", "Slack", "sound", "NoSuchTone"}), 1) << "the program refuses it";
    EXPECT_EQ(run({"remove", "Teams"}), 1);
    EXPECT_EQ(run({"list"}), 0);
}

// Without a program on the bus the command edits the files itself, as the program would.
TEST(RulesClient, editsTheFilesDirectlyWhenNoProgramRuns) {
    test::PrivateBus bus;
    ASSERT_TRUE(bus.ready()) << bus.setupError();
    test::TempDir dir;
    test::ScopedEnvironment environment;
    usePrivateHome(environment, dir);
    const auto folder = dir / "data" / "Corvale";
    const auto rulesFile = folder / "rules.json";

    ASSERT_EQ(runRulesCommand({"add", "Slack", "--volume", "150"}), 0);
    ASSERT_EQ(runRulesCommand({"set", "Slack", "respectFocus", "off"}), 0);
    ASSERT_EQ(runRulesCommand({"set", "Slack", "useAppSound", "on"}), 0);
    const std::string before = test::readFile(rulesFile);
    auto decoded = RulesCommand::decode(before);
    ASSERT_EQ(decoded.rules.size(), 2u) << "the default rule is seeded as at start-up";
    EXPECT_DOUBLE_EQ(MenuModel::baseRule("Slack", decoded.rules)->volume, 1.5);
    EXPECT_FALSE(MenuModel::baseRule("Slack", decoded.rules)->respectFocus);
    EXPECT_TRUE(MenuModel::baseRule("Slack", decoded.rules)->useAppSound);

    test::writeFile(dir / "bad.json", "{\"rules\": [\n  {\"id\": }\n], \"version\": 1}");
    test::writeFile(dir / "regex.json",
                    RulesCommand::encode(
                        {test::appRule("Mail", Condition{Condition::Type::regex, "(invoice"})}));
    EXPECT_EQ(runRulesCommand({"import", (dir / "bad.json").string()}), 1);
    EXPECT_EQ(runRulesCommand({"import", (dir / "regex.json").string()}), 1);
    EXPECT_EQ(test::readFile(rulesFile), before) << "a refused import changes nothing";

    const std::regex kept(R"(rules\.before-import-\d{8}-\d{6}(-\d+)?\.json)");
    test::writeFile(dir / "good.json", RulesCommand::encode({test::appRule("Mail")}));
    ASSERT_EQ(runRulesCommand({"import", (dir / "good.json").string()}), 0);
    ASSERT_EQ(runRulesCommand({"import", (dir / "good.json").string()}), 0);
    auto copies = filesNamed(folder, kept);
    ASSERT_EQ(copies.size(), 2u) << "each import keeps its own copy";
    EXPECT_TRUE(std::any_of(copies.begin(), copies.end(), [&](const std::string& copy) {
        return test::readFile(copy) == before;
    }));
    EXPECT_TRUE(filesNamed(folder, std::regex(R"(rules\.corrupt.*)")).empty());
    decoded = RulesCommand::decode(test::readFile(rulesFile));
    ASSERT_EQ(decoded.rules.size(), 1u);
    EXPECT_EQ(decoded.rules[0].appDisplayName, "Mail");
}
