// The screen flash and the tray icon of the real program, checked in screenshots of a private X
// display (with and without a compositing manager) and on a private StatusNotifierItem host.

#include "CorvaleTest.h"
#include "ScreenProbe.h"
#include "support/PrivateDisplay.h"

#include <gtest/gtest.h>

using namespace corvale::test;
using namespace std::chrono_literals;
using json = nlohmann::json;

namespace {

// Bands are 42 px on this screen; the label of an edgeTop flash sits just below the top band.
const Region topBand{100, 6, 800, 30};
const Region belowTopLabel{100, 300, 800, 300};
const Region middleAwayFromLabel{200, 300, 100, 40};

const Rgb red{229, 57, 53};   // #E53935
const Rgb blue{30, 136, 229}; // #1E88E5
const Rgb green{67, 160, 71};

struct ScreenSignals : CorvaleTest {
    PrivateDisplay display;
    std::unique_ptr<ChildProcess> compositor;
    std::unique_ptr<ChildProcess> tray;
    ScreenProbe screen{display.name(), session.home / "out"};

    void SetUp() override {
        CorvaleTest::SetUp();
        ASSERT_TRUE(display.ready()) << display.setupError();
        writeFile(session.config / "preferences.json", "{\"soundsEnabled\": false}");
        writeFile(session.support / "rules.json",
                  json{{"rules",
                        {flashRule("0F8FAD5B-D9CB-469F-A165-70867728950E", "Slack", "edgeTop", red,
                                   true, false),
                         flashRule("7C9E6679-7425-40DE-944B-E07FC1F90AE7", "Mail", "fullScreen",
                                   blue, true, false),
                         flashRule("16FD2706-8BAF-433B-82EB-8C7FADA847DA", "Chat", "fullScreen",
                                   green, false, true)}},
                       {"version", 1}}
                      .dump(2));
    }

    void startCompositor() {
        compositor = display.start({"xcompmgr"});
        // xcompmgr names the window that holds the compositing selection after itself.
        ASSERT_TRUE(display.waitForWindow({"--name", "xcompmgr"})) << "no compositor";
    }

    void startCorvale() { startBoth({{"DISPLAY", display.name()}}); }

    int notify(const std::string& app, const std::string& title) {
        return session.run({"notify-send", "-a", app, title, ""}).exitCode;
    }
};

} // namespace

TEST_F(ScreenSignals, composedFlashShowsBandLabelAndTintAndANewFlashReplacesTheOld) {
    startCompositor();
    startCorvale();
    const Rgb topBefore = screen.mean(topBand);
    const Rgb middleBefore = screen.mean(middleAwayFromLabel);

    // Strong edge flashes peak at full opacity: a red band, the red label just inside it, and
    // nothing red in the rest of the screen.
    ASSERT_EQ(notify("Slack", "deploy"), 0);
    auto edge = screen.waitFrame(Frame()
                                     .mean(topBand, red, 12)
                                     .count({300, 60, 424, 110}, red, 2000, 1 << 30)
                                     .count(belowTopLabel, red, 0, 0));
    ASSERT_EQ(edge.exitCode, 0) << edge.output << corvale->output();

    // The full-screen flash replaces the edge flash at once and tints everything at 0.75.
    ASSERT_EQ(notify("Mail", "inbox"), 0);
    auto full = screen.waitFrame(Frame()
                                     .mean(middleAwayFromLabel, blend(blue, middleBefore, 0.75), 10)
                                     .mean(topBand, blend(blue, topBefore, 0.75), 10));
    EXPECT_EQ(full.exitCode, 0) << "not tinted, or the red band outlived its flash: "
                                << full.output;

    // Long and strong: 0.08 + 0.4 + 0.9 s; after it the screen is as before.
    auto gone = screen.waitFrame(
        Frame().mean(middleAwayFromLabel, middleBefore, 3).mean(topBand, topBefore, 3));
    EXPECT_EQ(gone.exitCode, 0) << gone.output;
}

TEST_F(ScreenSignals, withoutCompositorAFullScreenFlashLeavesTheMiddleUnpainted) {
    startCorvale();
    const Rgb topBefore = screen.mean(topBand);
    const Rgb middleBefore = screen.mean(middleAwayFromLabel);
    ASSERT_EQ(notify("Mail", "inbox"), 0);
    // Bands of every edge and the label at full strength; the middle untouched.
    auto shown = screen.waitFrame(Frame()
                                      .mean(topBand, blue, 12)
                                      .mean({6, 200, 30, 300}, blue, 12)
                                      .count({412, 330, 200, 110}, blue, 1000, 1 << 30)
                                      .mean(middleAwayFromLabel, middleBefore, 3));
    ASSERT_EQ(shown.exitCode, 0) << shown.output << corvale->output();
    auto over = screen.waitFrame(Frame().mean(topBand, topBefore, 3));
    EXPECT_EQ(over.exitCode, 0) << "bands stayed after the flash: " << over.output;
    EXPECT_EQ(CorvaleSession::count(*corvale, "[tray] no system tray on this desktop"), 1u)
        << "without a tray: one line, and the flash still works";
}

// The unread badge on this tray is the menus' test.
TEST_F(ScreenSignals, xembedTrayShowsTheBlink) {
    tray = display.start({"trayer", "--edge", "top", "--align", "left", "--widthtype", "pixel",
                          "--width", "120", "--height", "32", "--tint", "0x303030", "--transparent",
                          "true", "--alpha", "0", "--SetDockType", "true"});
    ASSERT_TRUE(display.waitForWindow({"--class", "trayer"}));
    startCorvale();
    const Region trayArea{0, 0, 120, 32};
    // The blink shows its tinted frames for a third of a second in all.
    auto tinted = screen.watchFor(Frame().count(trayArea, green, 20, 1 << 30, 40));
    ASSERT_EQ(notify("Chat", "one"), 0);
    EXPECT_EQ(tinted->wait(20s), 0) << "no tinted frame: " << tinted->output() << corvale->output();
    auto plain = screen.waitFrame(Frame().count(trayArea, green, 0, 0, 40));
    EXPECT_EQ(plain.exitCode, 0) << "the tint stayed after the blink: " << plain.output;
}

TEST_F(ScreenSignals, statusNotifierItemRegistersAndRedrawsForStateBadgeAndBlink) {
    auto watcher =
        session.bus.start({"/usr/bin/python3", std::string(CORVALE_E2E_DIR) + "/sni_watcher.py"});
    ASSERT_TRUE(CorvaleSession::hasLine(*watcher, "watching"));
    startCorvale();
    ASSERT_TRUE(CorvaleSession::waitForLine(*watcher, "registered")) << corvale->output();
    ASSERT_TRUE(CorvaleSession::hasLine(*watcher, "icon 1 "));

    ASSERT_EQ(notify("Chat", "one"), 0);
    ASSERT_EQ(notify("Chat", "two"), 0);
    ASSERT_EQ(notify("Chat", "three"), 0);
    auto lines = [&] { return watcher->output(); };
    ASSERT_TRUE(waitUntil([&] { return lines().find("green=") != std::string::npos; }, 5s));
    // Tinted frames during the blink, and the badge in red.
    EXPECT_TRUE(waitUntil(
        [&] {
            std::istringstream in(lines());
            std::string line;
            while (std::getline(in, line)) {
                auto g = line.find("green=");
                if (g != std::string::npos && std::stoi(line.substr(g + 6)) >= 10) {
                    return true;
                }
            }
            return false;
        },
        5s))
        << lines();
    std::string last;
    ASSERT_TRUE(waitUntil(
        [&] {
            std::istringstream in(lines());
            std::string line;
            while (std::getline(in, line)) {
                if (line.rfind("icon ", 0) == 0) {
                    last = line;
                }
            }
            auto r = last.find("red=");
            return r != std::string::npos && std::stoi(last.substr(r + 4)) >= 20 &&
                   last.find(" green=0 ") != std::string::npos;
        },
        5s))
        << "after the blink: the plain glyph with the red badge; last " << last;

    const auto icons = CorvaleSession::count(*watcher, "icon ");
    ASSERT_EQ(session.command({"mute"}).exitCode, 0);
    EXPECT_TRUE(CorvaleSession::waitForLine(*watcher, "icon ", icons + 1))
        << "the muted glyph is a new icon";
}
