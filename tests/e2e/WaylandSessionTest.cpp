// The real program in a Wayland session: headless sway with XWayland, Corvale run as an
// unprivileged user, looked at through the compositor's screenshots, swaybar's tray and sway's IPC.

#include "CorvaleSession.h"
#include "ScreenProbe.h"
#include "support/PrivatePulse.h"
#include "support/PrivateSway.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

namespace corvale::test {
namespace {

using namespace std::chrono_literals;
using json = nlohmann::json;

const Rgb red{229, 57, 53}; // #E53935
const Rgb blue{30, 136, 229};
// On the 1024 × 768 output: inside the 42 px top band, and in the middle away from the label.
const Region topBand{100, 6, 800, 30};
const Region middle{200, 300, 100, 40};

struct WaylandSession : ::testing::Test {
    // The bus is the session user's, as on a desktop, and in the environment before sway starts,
    // so swaybar's tray serves on it.
    CorvaleSession session{PrivateSway::asUser({})};
    std::unique_ptr<ChildProcess> server;
    std::unique_ptr<ChildProcess> corvale;
    std::string binary;

    void SetUp() override {
        ASSERT_TRUE(session.bus.ready()) << session.bus.setupError();
        writeFile(session.support / "rules.json",
                  json{{"rules",
                        {flashRule("0F8FAD5B-D9CB-469F-A165-70867728950E", "Slack", "edgeTop", red,
                                   true, false, {{"type", "builtin"}, {"value", "Tink"}}),
                         flashRule("7C9E6679-7425-40DE-944B-E07FC1F90AE7", "Mail", "fullScreen",
                                   blue, true, false)}},
                       {"version", 1}}
                      .dump(2));
    }

    // Corvale installed where the session's user can read it, running as that user.
    void startCorvale(const PrivateSway& sway,
                      const std::map<std::string, std::optional<std::string>>& extra = {}) {
        sway.giveToUser(session.home.path());
        auto environment = session.env();
        for (const auto& variables : {sway.clientEnvironment(), extra}) {
            for (const auto& [name, value] : variables) {
                environment[name] = value;
            }
        }
        server = session.startNotificationServer();
        binary = sway.install(CORVALE_BINARY).string();
        corvale = sway.start({binary}, environment);
        ASSERT_TRUE(CorvaleSession::hasLine(*corvale, "[attach] OK")) << corvale->errors();
    }

    int notify(const std::string& app) {
        return session.run({"notify-send", "-a", app, "news", ""}).exitCode;
    }
};

TEST_F(WaylandSession, flashFadesByPaintedAlphaAndTheSoundPlaysAsAnUnprivilegedUser) {
    PrivatePulse pulse;
    ASSERT_TRUE(pulse.ready()) << pulse.setupError();
    pulse.shareWithOtherUsers();
    PrivateSway sway;
    if (!sway.ready()) {
        GTEST_SKIP() << sway.setupError();
    }
    startCorvale(sway, pulse.clientEnvironment());
    ScreenProbe screen(sway.waylandSocket(), session.home / "out");
    const Rgb background = screen.mean(middle);
    const Rgb topBefore = screen.mean(topBand);

    // The edge flash: the band at full colour, later half faded, and the middle never touched.
    PrivatePulse::Recording heard(pulse);
    auto middlePainted = screen.watchFor(Frame().count(middle, background, 0, 3999, 3), 4);
    ASSERT_EQ(notify("Slack"), 0);
    auto peak = screen.waitFrame(Frame().mean(topBand, red, 12));
    ASSERT_EQ(peak.exitCode, 0) << peak.output << corvale->output();
    // Any frame well between the two: a loaded machine's screenshots are far apart.
    auto fading = screen.waitFrame(Frame().mean(topBand, blend(red, topBefore, 0.5), 50));
    EXPECT_EQ(fading.exitCode, 0) << "the band does not fade: " << fading.output;
    EXPECT_EQ(middlePainted->wait(10s), 1) << middlePainted->output();
    float loudest = 0;
    for (float sample : heard.finish()) {
        loudest = std::max(loudest, std::fabs(sample));
    }
    EXPECT_GT(loudest, 0.05f) << "nothing heard: " << corvale->output();

    // The full-screen flash tints at 0.75 and never paints the colour itself.
    auto opaque = screen.watchFor(Frame().count(middle, blue, 1, 1 << 30, 2), 4);
    ASSERT_EQ(notify("Mail"), 0);
    auto tinted = screen.waitFrame(Frame().mean(middle, blend(blue, background, 0.75), 10));
    EXPECT_EQ(tinted.exitCode, 0) << tinted.output;
    EXPECT_EQ(opaque->wait(10s), 1) << "painted opaque: " << opaque->output();
}

TEST_F(WaylandSession, trayItemRegistersWithSwaybarAndTheDashboardOpensAtTheTopRightCorner) {
    PrivateSway sway(true);
    if (!sway.ready()) {
        GTEST_SKIP() << sway.setupError();
    }
    startCorvale(sway);

    std::string items;
    ASSERT_TRUE(waitUntil(
        [&] {
            items =
                session
                    .run({"gdbus", "call", "--session", "--dest", "org.kde.StatusNotifierWatcher",
                          "--object-path", "/StatusNotifierWatcher", "--method",
                          "org.freedesktop.DBus.Properties.Get", "org.kde.StatusNotifierWatcher",
                          "RegisteredStatusNotifierItems"})
                    .output;
            return items.find("':") != std::string::npos;
        },
        15s))
        << items << corvale->output();
    const auto name = items.substr(items.find("':") + 1);
    EXPECT_EQ(session.bus.ownerPid(name.substr(0, name.find_first_of("/'"))), corvale->pid())
        << items;

    // The tray gives no icon position, and XWayland no work area: the output's top-right corner.
    const auto outputs =
        json::parse(sway.run({"swaymsg", "-t", "get_outputs"}).output, nullptr, false);
    ASSERT_TRUE(outputs.is_array() && !outputs.empty()) << outputs;
    const auto output = outputs[0]["rect"];
    ASSERT_EQ(sway.run({binary, "dashboard"}, session.env()).exitCode, 0);
    ASSERT_TRUE(CorvaleSession::hasLine(
        *corvale, "[dashboard] opened at the screen's top-right corner, where the panel is"));
    // sway's tree leaves out override-redirect windows such as this popup; XWayland has it.
    auto shell = sway.run({"xdotool", "search", "--sync", "--onlyvisible", "--name",
                           "^Corvale dashboard$", "getwindowgeometry", "--shell"})
                     .output;
    std::map<std::string, int> geometry;
    std::istringstream lines(shell);
    for (std::string line; std::getline(lines, line);) {
        if (auto eq = line.find('='); eq != std::string::npos) {
            geometry[line.substr(0, eq)] = std::atoi(line.c_str() + eq + 1);
        }
    }
    EXPECT_EQ(geometry["X"] + geometry["WIDTH"],
              output["x"].get<int>() + output["width"].get<int>())
        << shell;
    EXPECT_EQ(geometry["Y"], output["y"].get<int>()) << shell;
}

} // namespace
} // namespace corvale::test
