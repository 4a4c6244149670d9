#include "e2e/CorvaleTest.h"

#include "support/PrivateDisplay.h"

#include <fstream>
#include <regex>

using namespace corvale::test;
using namespace std::chrono_literals;

namespace {

std::string detectedLines(const ChildProcess& p) {
    std::string out = p.output();
    std::string lines;
    size_t at = 0;
    while ((at = out.find("DETECTED #", at)) != std::string::npos) {
        size_t end = out.find('\n', at);
        lines += out.substr(at, end - at) + "\n";
        at = end;
    }
    return lines;
}

long rssKiB(int pid) {
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind("VmRSS:", 0) == 0) {
            return std::stol(line.substr(6));
        }
    }
    return -1;
}

struct Detection : CorvaleTest {
    int notifySend(std::vector<std::string> args) {
        args.insert(args.begin(), "notify-send");
        return session.run(args).exitCode;
    }
};

} // namespace

TEST_F(Detection, notificationIsDetectedOnceRecordedAndObserved) {
    startBoth();
    ASSERT_EQ(notifySend({"-a", "Slack", "Deploy done", "all green"}), 0);
    ASSERT_TRUE(CorvaleSession::hasLine(*corvale, "[action] app=\"Slack\""));
    EXPECT_TRUE(std::regex_search(
        detectedLines(*corvale),
        std::regex(
            "^DETECTED #1 app=\"Slack\" title=\"Deploy done\" subtitle=\"\" body=\"all green\" "
            "kind=single uuid=\\S+\n$")))
        << detectedLines(*corvale);
    EXPECT_EQ(session.readJson("observedApps.json")["apps"], nlohmann::json::array({"Slack"}));
    EXPECT_EQ(session.readJson("pingHistory.json")["records"][0]["appName"], "Slack");
}

TEST_F(Detection, serverStartedByBusActivationAnnouncesItsFirstNotificationOnce) {
    PrivateDisplay display;
    ASSERT_TRUE(display.ready()) << display.setupError();
    ASSERT_TRUE(session.bus.addService(
        "org.freedesktop.Notifications",
        {"/usr/bin/env", "DISPLAY=" + display.name(), "HOME=" + session.home.path().string(),
         "XDG_CONFIG_HOME=" + (session.home / "config").string(), "/usr/bin/dunst"}));
    corvale = session.startCorvale();
    ASSERT_TRUE(CorvaleSession::hasLine(*corvale, "[focus-filter] initial silence="));
    ASSERT_EQ(notifySend({"-a", "Calendar", "Standup", "in 5 minutes"}), 0);
    ASSERT_TRUE(
        CorvaleSession::hasLine(*corvale, "DETECTED #1 app=\"Calendar\" title=\"Standup\""));
    ASSERT_EQ(notifySend({"-a", "Calendar", "Review", "now"}), 0);
    ASSERT_TRUE(CorvaleSession::hasLine(*corvale, "title=\"Review\""));
    EXPECT_EQ(CorvaleSession::count(*corvale, "title=\"Standup\""), 1u) << corvale->output();
    EXPECT_EQ(CorvaleSession::count(*corvale, "[history-guard]"), 0u);
}

TEST_F(Detection, floodsAndHostileSendersLeaveItRunningAndBounded) {
    // Sounds off: this is about detection, not about an audio server that is not there.
    writeFile(session.config / "preferences.json", "{\"soundsEnabled\": false}");
    startBoth();
    auto flood = [&](const std::string& mode, const std::string& count) {
        return session.run({"/usr/bin/python3",
                            std::string(CORVALE_E2E_DIR) + "/send_notifications.py", mode, count},
                           120s);
    };

    auto burst = flood("burst", "5");
    ASSERT_EQ(burst.exitCode, 0) << burst.output;
    EXPECT_TRUE(CorvaleSession::hasLine(*corvale, "DETECTED #5 "));
    EXPECT_EQ(CorvaleSession::count(*corvale, "[history-guard]"), 0u);

    auto many = flood("flood", "2000");
    ASSERT_EQ(many.exitCode, 0) << many.output;
    EXPECT_TRUE(CorvaleSession::waitForLine(*corvale, "DETECTED #2005 ", 1, 60s))
        << CorvaleSession::count(*corvale, "DETECTED #") << " detected";

    auto hostile = flood("hostile", "10000");
    ASSERT_EQ(hostile.exitCode, 0) << hostile.output;
    // A notification after the hostile traffic still comes through.
    ASSERT_EQ(notifySend({"-a", "Sentinel", "still here", ""}), 0);
    ASSERT_TRUE(CorvaleSession::waitForLine(*corvale, "app=\"Sentinel\"", 1, 120s))
        << "corvale stopped detecting";
    EXPECT_TRUE(corvale->running());

    EXPECT_LT(rssKiB(corvale->pid()), 150 * 1024) << "memory stays bounded";
    auto observed = session.readJson("observedApps.json");
    EXPECT_LE(observed["apps"].size(), 1000u);
    EXPECT_LE(session.readJson("pingHistory.json")["records"].size(), 50u);
    EXPECT_LT(std::filesystem::file_size(session.support / "pingHistory.json"), 2u * 1024 * 1024);
    EXPECT_LT(std::filesystem::file_size(session.support / "observedApps.json"), 1024u * 1024);
    EXPECT_EQ(CorvaleSession::count(*corvale, "[observed] cap of 1000 apps reached"), 1u);
}
