#include "e2e/CorvaleSession.h"

using namespace corvale::test;
using namespace std::chrono_literals;
using nlohmann::json;

namespace {

// As an editor saves: a new file renamed over the old one.
void saveLikeAnEditor(const std::filesystem::path& file, const std::string& text) {
    auto temp = file.parent_path() / ".rules.json.swp";
    writeFile(temp, text);
    std::filesystem::rename(temp, file);
}

std::string slackOnly() {
    return json{{"rules",
                 {{{"id", "0F8FAD5B-D9CB-469F-A165-70867728950E"},
                   {"appBundleId", "Slack"},
                   {"appDisplayName", "Slack"}}}},
                {"version", 1}}
        .dump(2);
}

} // namespace

// A hand edit of rules.json takes effect without a restart; a broken one changes nothing, is
// reported where the user sees it, and SIGHUP reloads at once instead of ending Corvale.
TEST(RulesFile, handEditsApplyWithoutARestartAndBrokenEditsChangeNothing) {
    CorvaleSession session;
    ASSERT_TRUE(session.bus.ready()) << session.bus.setupError();
    auto server = session.startNotificationServer();
    auto corvale = session.startCorvale();
    // Taken from the event loop, so by then the program watches its rules.
    ASSERT_TRUE(CorvaleSession::hasLine(*corvale, "[bus] owns com.talvo.corvale"));
    auto notify = [&](const std::string& app) {
        ASSERT_EQ(session.run({"notify-send", "-a", app, "hello", ""}).exitCode, 0);
    };
    const auto file = session.support / "rules.json";

    saveLikeAnEditor(file, slackOnly());
    ASSERT_TRUE(CorvaleSession::hasLine(*corvale, "[rules] reloaded 1 rule(s) (schema v1)"));
    notify("Mail");
    ASSERT_TRUE(CorvaleSession::hasLine(*corvale, "[match] app=\"Mail\" \u2192 no matching rule"));

    // Written in place, half-way through an edit.
    writeFile(file, "{\"rules\": [{\"appBundleId\": \"Mail\"}], \"version\": 1}");
    ASSERT_TRUE(CorvaleSession::hasLine(*corvale, "[rules] could not reload " + file.string()));
    EXPECT_NE(corvale->errors().find("- keeping the 1 rule(s) in use"), std::string::npos)
        << corvale->errors();
    EXPECT_FALSE(std::filesystem::exists(session.support / "rules.corrupt.json"));
    notify("Slack");
    ASSERT_TRUE(CorvaleSession::hasLine(*corvale, "[action] app=\"Slack\""));

    corvale->signal(SIGHUP);
    ASSERT_TRUE(CorvaleSession::hasLine(*corvale, "[rules] could not reload", 2));
    EXPECT_TRUE(corvale->running()) << "SIGHUP reloads; it does not end Corvale";
    EXPECT_EQ(CorvaleSession::count(*corvale, "[rules] reloaded"), 1u)
        << "neither the broken edit nor SIGHUP replaced the rules in use";
    corvale->signal(SIGTERM);
    EXPECT_EQ(corvale->wait(10s), 0);
}
