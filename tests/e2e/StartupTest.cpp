#include "e2e/CorvaleSession.h"

using namespace corvale::test;
using namespace std::chrono_literals;
using nlohmann::json;

namespace {

// A private user for one run of corvale, without a session bus: the program runs alone.
struct Session : CorvaleSession {
    std::map<std::string, std::optional<std::string>> env() const {
        auto e = CorvaleSession::env();
        e["DBUS_SESSION_BUS_ADDRESS"] = "unix:path=" + (home / "no-bus").string();
        return e;
    }

    std::unique_ptr<ChildProcess> start(std::vector<std::string> args = {}) const {
        args.insert(args.begin(), CORVALE_BINARY);
        return std::make_unique<ChildProcess>(args, env(), home / "out");
    }
};

} // namespace

TEST(Startup, freshStartSeedsRulesLogsAndRunsUntilTerminated) {
    Session s;
    auto corvale = s.start();
    ASSERT_TRUE(CorvaleSession::hasLine(*corvale, "[rules] 1 rule(s) active at ", 1, 10s));
    EXPECT_TRUE(CorvaleSession::hasLine(*corvale, "[start] Corvale. AXIsProcessTrusted="));
    EXPECT_TRUE(CorvaleSession::hasLine(*corvale, "[rules] no file at " +
                                                      (s.support / "rules.json").string() +
                                                      " - seeding default"));

    std::string log = readFile(s.support / "corvale.log");
    EXPECT_NE(log.find("[start] Corvale."), std::string::npos)
        << "the log file gets the start-up lines";
    json rules = json::parse(readFile(s.support / "rules.json"));
    EXPECT_EQ(rules["version"], 1);
    ASSERT_EQ(rules["rules"].size(), 1u);
    EXPECT_EQ(rules["rules"][0]["appBundleId"], "*");

    // Still running a moment later; a second instance, with no bus to reach the first one through,
    // refuses to start.
    EXPECT_TRUE(corvale->running());
    auto second = s.start();
    EXPECT_EQ(second->wait(10s), 1);
    EXPECT_NE(second->errors().find("already running"), std::string::npos) << second->errors();
    EXPECT_TRUE(corvale->running());

    corvale->signal(SIGTERM);
    EXPECT_EQ(corvale->wait(10s), 0) << "SIGTERM ends corvale cleanly";

    // A second launch starts a fresh log.
    auto again = s.start();
    ASSERT_TRUE(CorvaleSession::hasLine(*again, "[rules] 1 rule(s) active", 1, 10s));
    EXPECT_EQ(readFile(s.support / "corvale.log").find("[rules] no file"), std::string::npos);
    again->signal(SIGINT);
    EXPECT_EQ(again->wait(10s), 0);
}

TEST(Startup, aDisplayThatRefusesTheConnectionNeverAbortsTheProgram) {
    Session s;
    auto env = s.env();
    env["DISPLAY"] = ":4093"; // no server there, as XWayland before its authority is known
    ChildProcess corvale({CORVALE_BINARY}, env, s.home / "out");
    ASSERT_TRUE(CorvaleSession::hasLine(corvale, "[rules] 1 rule(s) active", 1, 10s));
    EXPECT_NE(corvale.errors().find("the X display :4093 refuses the connection; running without "
                                    "windows (sounds only)"),
              std::string::npos)
        << corvale.errors();
    EXPECT_TRUE(corvale.running());
    corvale.signal(SIGTERM);
    EXPECT_EQ(corvale.wait(10s), 0);
}

TEST(Startup, corruptRulesFileIsMovedAsideAndReplaced) {
    Session s;
    writeFile(s.support / "rules.json", "{ this is not json");
    auto corvale = s.start();
    ASSERT_TRUE(CorvaleSession::hasLine(*corvale, "[rules] 1 rule(s) active", 1, 10s));
    EXPECT_EQ(readFile(s.support / "rules.corrupt.json"), "{ this is not json");
    EXPECT_TRUE(CorvaleSession::hasLine(*corvale, " - backed up and seeded default"));
    EXPECT_NE(readFile(s.support / "corvale.log").find(" - backed up and seeded default"),
              std::string::npos)
        << "the log file keeps why the store was reset";
    EXPECT_EQ(json::parse(readFile(s.support / "rules.json"))["rules"].size(), 1u);
    EXPECT_NE(
        corvale->errors().find("[rules] could not read " + (s.support / "rules.json").string()),
        std::string::npos)
        << "said where the user sees it: " << corvale->errors();
    EXPECT_NE(corvale->errors().find("moved it to " + (s.support / "rules.corrupt.json").string()),
              std::string::npos);
}

TEST(Startup, debugLogStaysOffUnlessExactlyOne) {
    Session s;
    auto env = s.env();
    env["CORVALE_DEBUG_LOG"] = "01";
    ChildProcess corvale({CORVALE_BINARY}, env, s.home / "out");
    ASSERT_TRUE(waitUntil([&] { return std::filesystem::exists(s.support / "rules.json"); }, 10s));
    corvale.signal(SIGTERM);
    EXPECT_EQ(corvale.wait(10s), 0);
    EXPECT_EQ(corvale.output(), "");
    EXPECT_FALSE(std::filesystem::exists(s.support / "corvale.log"));
}

TEST(Startup, commandLineAnswersWithoutASession) {
    Session s;
    std::error_code ec;
    auto env = s.env();
    auto help = runCommand({CORVALE_BINARY, "--help"}, env);
    EXPECT_EQ(help.exitCode, 0);
    EXPECT_NE(help.output.find("Usage: corvale"), std::string::npos);
    auto version = runCommand({CORVALE_BINARY, "--version"}, env);
    EXPECT_EQ(version.exitCode, 0);
    EXPECT_EQ(version.output.rfind("corvale ", 0), 0u);
    const auto renders = (s.home / "renders").string();
    std::filesystem::create_directories(renders);
    // Last on the line, --render draws into the current folder.
    auto render = runCommand(
        {"/bin/sh", "-c", "cd \"$0\" && exec \"$1\" --render", renders, CORVALE_BINARY}, env, 120s);
    EXPECT_EQ(render.exitCode, 0) << render.output;
    for (const char* image : {"tray-bell-watching.png", "tray-no-access@2x.png",
                              "tray-attaching-dark.png", "flash-edgeTop.png"}) {
        EXPECT_GT(std::filesystem::file_size(std::filesystem::path(renders) / image, ec), 100u)
            << image;
    }
    EXPECT_EQ(runCommand({CORVALE_BINARY, "--bogus"}, env).exitCode, 2);
    EXPECT_FALSE(std::filesystem::exists(s.support)) << "none of these touch the data folder";
}

TEST(Startup, legacyFolderIsMigratedBeforeTheStoresLoad) {
    Session s;
    json legacyRules = {{"rules", json::array({{{"id", "0F8FAD5B-D9CB-469F-A165-70867728950E"},
                                                {"appBundleId", "Slack"},
                                                {"appDisplayName", "Slack"}}})},
                        {"version", 1}};
    writeFile(s.data / "Ostrel" / "rules.json", legacyRules.dump());
    auto corvale = s.start();
    ASSERT_TRUE(CorvaleSession::hasLine(*corvale, "rule(s) active", 1, 10s));
    EXPECT_TRUE(CorvaleSession::hasLine(*corvale, "[rules] migrated support dir: "));
    EXPECT_NE(readFile(s.support / "corvale.log").find("[rules] migrated support dir: "),
              std::string::npos);
    EXPECT_TRUE(CorvaleSession::hasLine(*corvale, "[rules] 1 rule(s) active at"));
    EXPECT_FALSE(std::filesystem::exists(s.data / "Ostrel"));
}
