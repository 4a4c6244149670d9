// The screen flash and the tray icon of the real program, checked in screenshots of a private X
// display (with and without a compositing manager) and on a private StatusNotifierItem host.

#include "CorvaleSession.h"
#include "support/PrivateDisplay.h"

#include <gtest/gtest.h>

#include <sstream>

using namespace corvale::test;
using namespace std::chrono_literals;
using json = nlohmann::json;

namespace {

struct Rgb {
    double r = 0, g = 0, b = 0;
};

json rule(const std::string& id, const std::string& app, const std::string& style, Rgb c,
          bool screen, bool menuBar) {
    return {{"id", id},
            {"appBundleId", app},
            {"appDisplayName", app},
            {"enabled", true},
            {"sound", {{"type", "silent"}}},
            {"volume", 1.0},
            {"flashMenuBar", menuBar},
            {"flashScreen", screen},
            {"flashStyle", style},
            {"flashColor", {{"r", c.r / 255}, {"g", c.g / 255}, {"b", c.b / 255}}},
            {"flashIntensity", "strong"},
            {"flashDuration", "long"},
            {"respectFocus", false},
            {"nativeSoundMuted", false}};
}

// A region of the 1024 × 768 screen: x, y, width, height.
struct Region {
    int x, y, w, h;
};

// Bands are 42 px on this screen; the label of an edgeTop flash sits just below the top band.
const Region topBand{100, 6, 800, 30};
const Region belowTopLabel{100, 300, 800, 300};
const Region middleAwayFromLabel{200, 300, 100, 40};

const Rgb red{229, 57, 53};   // #E53935
const Rgb blue{30, 136, 229}; // #1E88E5
const Rgb green{67, 160, 71};

struct ScreenSignals : ::testing::Test {
    CorvaleSession session;
    PrivateDisplay display;
    std::unique_ptr<ChildProcess> compositor;
    std::unique_ptr<ChildProcess> tray;
    std::unique_ptr<ChildProcess> server;
    std::unique_ptr<ChildProcess> corvale;

    void SetUp() override {
        ASSERT_TRUE(session.bus.ready()) << session.bus.setupError();
        ASSERT_TRUE(display.ready()) << display.setupError();
        writeFile(session.config / "preferences.json", "{\"soundsEnabled\": false}");
        writeFile(session.support / "rules.json",
                  json{{"rules",
                        {rule("0F8FAD5B-D9CB-469F-A165-70867728950E", "Slack", "edgeTop", red, true,
                              false),
                         rule("7C9E6679-7425-40DE-944B-E07FC1F90AE7", "Mail", "fullScreen", blue,
                              true, false),
                         rule("16FD2706-8BAF-433B-82EB-8C7FADA847DA", "Chat", "fullScreen", green,
                              false, true)}},
                       {"version", 1}}
                      .dump(2));
    }

    void startCompositor() {
        compositor = display.start({"xcompmgr"});
        // xcompmgr names the window that holds the compositing selection after itself.
        ASSERT_TRUE(waitUntil(
            [&] {
                return display.run({"xdotool", "search", "--name", "xcompmgr"}).exitCode == 0;
            },
            10s))
            << "no compositor";
    }

    void startCorvale() {
        server = session.startNotificationServer();
        corvale = session.startCorvale({{"DISPLAY", display.name()}});
        ASSERT_TRUE(CorvaleSession::hasLine(*corvale, "[attach] OK"));
    }

    int notify(const std::string& app, const std::string& title) {
        return session.run({"notify-send", "-a", app, title, ""}).exitCode;
    }

    CommandResult probe(std::vector<std::string> args) {
        args.insert(args.begin(),
                    {"/usr/bin/python3", std::string(CORVALE_E2E_DIR) + "/screen_probe.py",
                     display.name()});
        return runCommand(args, {}, 60s);
    }

    static std::vector<std::string> where(const Region& r) {
        return {std::to_string(r.x), std::to_string(r.y), std::to_string(r.w), std::to_string(r.h)};
    }

    Rgb mean(const Region& r) {
        auto args = where(r);
        args.insert(args.begin(), "mean");
        std::istringstream out(probe(args).output);
        Rgb c;
        out >> c.r >> c.g >> c.b;
        return c;
    }

    // What one screenshot must show: every clause at once.
    struct Frame {
        std::vector<std::string> words;
        Frame& mean(const Region& r, Rgb c, double tol) { return add("mean", r, c, tol, {}); }
        Frame& count(const Region& r, Rgb c, int low, int high, double tol = 30) {
            return add("count", r, c, tol, {std::to_string(low), std::to_string(high)});
        }
        Frame& add(const char* kind, const Region& r, Rgb c, double tol,
                   std::vector<std::string> tail) {
            words.push_back(kind);
            for (auto& w : where(r)) {
                words.push_back(w);
            }
            for (double v : {c.r, c.g, c.b, tol}) {
                words.push_back(std::to_string(v));
            }
            words.insert(words.end(), tail.begin(), tail.end());
            return *this;
        }
    };

    // Polls screenshots until one shows `frame` or the deadline passes.
    CommandResult waitFrame(const Frame& frame, double seconds = 5) {
        std::vector<std::string> args{"all", std::to_string(seconds)};
        args.insert(args.end(), frame.words.begin(), frame.words.end());
        return probe(args);
    }

    // Starts polling for `frame` now, for what shows only briefly after the next action.
    std::unique_ptr<ChildProcess> watchFor(const Frame& frame, double seconds = 10) {
        std::vector<std::string> args{"/usr/bin/python3",
                                      std::string(CORVALE_E2E_DIR) + "/screen_probe.py",
                                      display.name(), "all", std::to_string(seconds)};
        args.insert(args.end(), frame.words.begin(), frame.words.end());
        auto watcher = std::make_unique<ChildProcess>(
            args, std::map<std::string, std::optional<std::string>>{}, session.home / "out");
        CorvaleSession::waitForLine(*watcher, "watching");
        return watcher;
    }
};

Rgb blend(Rgb over, Rgb under, double alpha) {
    return {over.r * alpha + under.r * (1 - alpha), over.g * alpha + under.g * (1 - alpha),
            over.b * alpha + under.b * (1 - alpha)};
}

} // namespace

TEST_F(ScreenSignals, composedFlashShowsBandLabelAndTintAndANewFlashReplacesTheOld) {
    startCompositor();
    startCorvale();
    const Rgb topBefore = mean(topBand);
    const Rgb middleBefore = mean(middleAwayFromLabel);

    // Strong edge flashes peak at full opacity: a red band, the red label just inside it, and
    // nothing red in the rest of the screen.
    ASSERT_EQ(notify("Slack", "deploy"), 0);
    auto edge = waitFrame(Frame()
                              .mean(topBand, red, 12)
                              .count({300, 60, 424, 110}, red, 2000, 1 << 30)
                              .count(belowTopLabel, red, 0, 0));
    ASSERT_EQ(edge.exitCode, 0) << edge.output << corvale->output();

    // The full-screen flash replaces the edge flash at once and tints everything at 0.75.
    ASSERT_EQ(notify("Mail", "inbox"), 0);
    auto full = waitFrame(Frame()
                              .mean(middleAwayFromLabel, blend(blue, middleBefore, 0.75), 10)
                              .mean(topBand, blend(blue, topBefore, 0.75), 10));
    EXPECT_EQ(full.exitCode, 0) << "not tinted, or the red band outlived its flash: "
                                << full.output;

    // Long and strong: 0.08 + 0.4 + 0.9 s; after it the screen is as before.
    auto gone =
        waitFrame(Frame().mean(middleAwayFromLabel, middleBefore, 3).mean(topBand, topBefore, 3));
    EXPECT_EQ(gone.exitCode, 0) << gone.output;
}

TEST_F(ScreenSignals, withoutCompositorAFullScreenFlashLeavesTheMiddleUnpainted) {
    startCorvale();
    const Rgb topBefore = mean(topBand);
    const Rgb middleBefore = mean(middleAwayFromLabel);
    ASSERT_EQ(notify("Mail", "inbox"), 0);
    // Bands of every edge and the label at full strength; the middle untouched.
    auto shown = waitFrame(Frame()
                               .mean(topBand, blue, 12)
                               .mean({6, 200, 30, 300}, blue, 12)
                               .count({412, 330, 200, 110}, blue, 1000, 1 << 30)
                               .mean(middleAwayFromLabel, middleBefore, 3));
    ASSERT_EQ(shown.exitCode, 0) << shown.output << corvale->output();
    auto over = waitFrame(Frame().mean(topBand, topBefore, 3));
    EXPECT_EQ(over.exitCode, 0) << "bands stayed after the flash: " << over.output;
    EXPECT_EQ(CorvaleSession::count(*corvale, "[tray] no system tray on this desktop"), 1u)
        << "without a tray: one line, and the flash still works";
}

// The unread badge on this tray is the menus' test.
TEST_F(ScreenSignals, xembedTrayShowsTheBlink) {
    tray = display.start({"trayer", "--edge", "top", "--align", "left", "--widthtype", "pixel",
                          "--width", "120", "--height", "32", "--tint", "0x303030", "--transparent",
                          "true", "--alpha", "0", "--SetDockType", "true"});
    ASSERT_TRUE(waitUntil(
        [&] {
            return display.run({"xdotool", "search", "--class", "trayer"}).exitCode == 0;
        },
        10s));
    startCorvale();
    const Region trayArea{0, 0, 120, 32};
    // The blink shows its tinted frames for a third of a second in all.
    auto tinted = watchFor(Frame().count(trayArea, green, 20, 1 << 30, 40));
    ASSERT_EQ(notify("Chat", "one"), 0);
    EXPECT_EQ(tinted->wait(20s), 0) << "no tinted frame: " << tinted->output() << corvale->output();
    auto plain = waitFrame(Frame().count(trayArea, green, 0, 0, 40));
    EXPECT_EQ(plain.exitCode, 0) << "the tint stayed after the blink: " << plain.output;
}

TEST_F(ScreenSignals, statusNotifierItemRegistersAndRedrawsForStateBadgeAndBlink) {
    auto watcher =
        session.bus.start({"/usr/bin/python3", std::string(CORVALE_E2E_DIR) + "/sni_watcher.py"});
    ASSERT_TRUE(CorvaleSession::waitForLine(*watcher, "watching")) << watcher->errors();
    startCorvale();
    ASSERT_TRUE(CorvaleSession::waitForLine(*watcher, "registered")) << corvale->output();
    ASSERT_TRUE(CorvaleSession::waitForLine(*watcher, "icon 1 ")) << watcher->output();

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
    ASSERT_EQ(session.run({CORVALE_BINARY, "mute"}).exitCode, 0);
    EXPECT_TRUE(CorvaleSession::waitForLine(*watcher, "icon ", icons + 1))
        << "the muted glyph is a new icon";
}
