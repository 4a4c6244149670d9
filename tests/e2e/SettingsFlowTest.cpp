// A user sets Corvale up through its settings window alone: the real corvale on a private X
// server with a private audio server, driven with the mouse through xdotool. Controls are found
// as a screen reader finds them, through the accessibility tree (AT-SPI), by role and accessible
// name; a notification then shows that the next alert follows what was set.
//
// CORVALE_E2E_SCREENSHOTS=FOLDER keeps a screenshot of each step and of a failure there.

#include "e2e/CorvaleSession.h"

#include "support/PrivateDisplay.h"
#include "support/PrivatePulse.h"

#include <cstdlib>
#include <sstream>

using namespace corvale::test;
using namespace std::chrono_literals;

namespace {

constexpr const char* settingsWindow = "window=Corvale Settings";

// Where the accessibility bus launcher lives on Debian and on distributions that keep it in lib.
std::optional<std::string> busLauncher() {
    for (const char* path :
         {"/usr/libexec/at-spi-bus-launcher", "/usr/lib/at-spi2-core/at-spi-bus-launcher",
          "/usr/lib/at-spi2/at-spi-bus-launcher"}) {
        if (std::filesystem::exists(path)) {
            return path;
        }
    }
    return std::nullopt;
}

// A control as the accessibility helper reports it: where to click it, or where to turn the
// wheel to bring it into view.
struct Spot {
    enum class Kind { missing, at, scroll } kind = Kind::missing;
    int x = 0;
    int y = 0;
    bool down = false;
    std::string why;
};

Spot parseSpot(const CommandResult& result) {
    Spot spot;
    std::istringstream lines(result.output);
    std::string line;
    while (std::getline(lines, line)) {
        std::istringstream words(line);
        std::string word;
        words >> word;
        if (word == "at" && result.exitCode == 0) {
            spot.kind = Spot::Kind::at;
            words >> spot.x >> spot.y;
        } else if (word == "scroll" && result.exitCode == 0) {
            spot.kind = Spot::Kind::scroll;
            std::string direction;
            words >> spot.x >> spot.y >> direction;
            spot.down = direction == "down";
        }
    }
    if (spot.kind == Spot::Kind::missing) {
        spot.why = result.output.empty() ? "the helper failed" : result.output;
    }
    return spot;
}

struct SettingsFlow : ::testing::Test {
    CorvaleSession session;
    std::unique_ptr<PrivateDisplay> display;
    std::unique_ptr<PrivatePulse> pulse;
    std::unique_ptr<ChildProcess> accessibility;
    std::unique_ptr<ChildProcess> server;
    std::unique_ptr<ChildProcess> corvale;
    int shots = 0;

    void SetUp() override {
        ASSERT_TRUE(session.bus.ready()) << session.bus.setupError();
        display = std::make_unique<PrivateDisplay>();
        ASSERT_TRUE(display->ready()) << display->setupError();
        pulse = std::make_unique<PrivatePulse>();
        ASSERT_TRUE(pulse->ready()) << pulse->setupError();

        // The application the user adds, installed for this session only.
        writeFile(session.data / "applications" / "org.example.Wrenly.desktop",
                  "[Desktop Entry]\nType=Application\nName=Wrenly Chat\nExec=true\n");

        const auto launcher = busLauncher();
        ASSERT_TRUE(launcher) << "at-spi-bus-launcher is missing (Debian package at-spi2-core)";
        accessibility = session.bus.start({*launcher, "--launch-immediately", "--a11y=1"},
                                          {{"DISPLAY", display->name()},
                                           {"HOME", session.home.path().string()},
                                           {"XDG_RUNTIME_DIR", (session.home / "run").string()}});
        ASSERT_TRUE(
            waitUntil([&] { return session.bus.ownerPid("org.a11y.Bus").has_value(); }, 15s))
            << "the accessibility bus did not start: " << accessibility->errors();

        server = session.startNotificationServer();
        auto environment = pulse->clientEnvironment();
        environment["DISPLAY"] = display->name();
        // Qt offers its widgets to assistive technologies only when asked to.
        environment["QT_LINUX_ACCESSIBILITY_ALWAYS_ON"] = "1";
        corvale = session.startCorvale(environment);
        ASSERT_TRUE(line("[attach] OK pid=" + std::to_string(server->pid())));
        ASSERT_TRUE(line("[bus] owns com.talvo.corvale"));
    }

    void TearDown() override {
        if (HasFailure() && corvale && display) {
            shot("failure");
            std::cerr << "What corvale showed at the end:\n" << dump();
        }
    }

    // Keeps a screenshot when the developer asked for them.
    void shot(const std::string& name) {
        const char* folder = std::getenv("CORVALE_E2E_SCREENSHOTS");
        if (folder == nullptr || folder[0] == '\0') {
            return;
        }
        const auto* test = ::testing::UnitTest::GetInstance()->current_test_info();
        const auto file =
            std::filesystem::path(folder) /
            (std::string(test->name()) + "-" + std::to_string(++shots) + "-" + name + ".png");
        display->run({"/usr/bin/python3", std::string(CORVALE_E2E_DIR) + "/screen_probe.py",
                      display->name(), "save", file.string()});
    }

    CommandResult helper(const std::string& command, const std::vector<std::string>& steps) {
        std::vector<std::string> argv{"/usr/bin/python3",
                                      std::string(CORVALE_E2E_DIR) + "/atspi_find.py", command,
                                      std::to_string(corvale->pid())};
        argv.insert(argv.end(), steps.begin(), steps.end());
        return session.run(argv, 20s);
    }

    Spot find(const std::vector<std::string>& steps) { return parseSpot(helper("find", steps)); }

    std::string dump() { return helper("dump", {}).output; }

    // Waits until the control is on the screen; a failure shows what is on it instead.
    ::testing::AssertionResult waitFor(const std::vector<std::string>& steps,
                                       std::chrono::milliseconds timeout = 20s) {
        Spot last;
        if (waitUntil([&] { return (last = find(steps)).kind != Spot::Kind::missing; }, timeout)) {
            return ::testing::AssertionSuccess();
        }
        return ::testing::AssertionFailure()
               << "waited in vain for " << ::testing::PrintToString(steps) << ": " << last.why
               << "\n"
               << dump();
    }

    // Scrolls the control into view with the mouse wheel and clicks its centre once it has held
    // still for two looks (a window that is still being laid out moves its controls).
    ::testing::AssertionResult click(const std::vector<std::string>& steps) {
        Spot last;
        Spot previous;
        const bool clicked = waitUntil(
            [&] {
                last = find(steps);
                const auto x = std::to_string(last.x);
                const auto y = std::to_string(last.y);
                if (last.kind == Spot::Kind::scroll) {
                    previous = {};
                    display->run({"xdotool", "mousemove", x, y, "click", "--repeat", "2", "--delay",
                                  "30", last.down ? "5" : "4"});
                    return false;
                }
                const bool still = last.kind == Spot::Kind::at && previous.kind == Spot::Kind::at &&
                                   previous.x == last.x && previous.y == last.y;
                previous = last;
                return still &&
                       display->run({"xdotool", "mousemove", x, y, "click", "1"}).exitCode == 0;
            },
            20s);
        if (clicked) {
            return ::testing::AssertionSuccess();
        }
        return ::testing::AssertionFailure()
               << "could not click " << ::testing::PrintToString(steps) << ": " << last.why << "\n"
               << dump();
    }

    // Opens a pop-up menu and picks one of its items.
    ::testing::AssertionResult choose(const std::vector<std::string>& popUp,
                                      const std::string& item) {
        auto inList = popUp;
        inList.push_back("list item=" + item);
        // The pane may be rebuilt under a pop-up that has just opened; then it opens again.
        for (int attempt = 0; attempt < 3; ++attempt) {
            if (auto opened = click(popUp); !opened) {
                return opened;
            }
            if (waitFor(inList, 5s)) {
                return click(inList);
            }
        }
        return ::testing::AssertionFailure() << "the item " << item << " never showed in "
                                             << ::testing::PrintToString(popUp) << "\n"
                                             << dump();
    }

    ::testing::AssertionResult line(const std::string& text) {
        return CorvaleSession::hasLine(*corvale, text, 1, 20s);
    }

    // Sends a notification from the app and waits for the sound its rule plays.
    ::testing::AssertionResult alertPlays(const std::string& sound) {
        EXPECT_EQ(session.run({"notify-send", "-a", "Wrenly Chat", "hello", "body"}).exitCode, 0);
        return line("[action] app=\"Wrenly Chat\" \u2192 rule \"Wrenly Chat\": builtin \"" + sound +
                    "\" @ vol 1.0 (engine)");
    }
};

TEST_F(SettingsFlow, anAppIsAddedFromTheInstalledAppsAndGivenItsOwnSoundWithTheMouse) {
    const auto opened = session.run({CORVALE_BINARY, "settings"});
    ASSERT_EQ(opened.exitCode, 0) << opened.output;
    ASSERT_TRUE(waitFor({settingsWindow}));

    ASSERT_TRUE(click({settingsWindow, "list item=Add App\u2026"}));
    ASSERT_TRUE(click({"window=Add an app to Corvale", "list item=Wrenly Chat"}));
    shot("add-app");
    ASSERT_TRUE(click({"window=Add an app to Corvale", "push button=Add"}));
    ASSERT_TRUE(line("[rule] added app Wrenly Chat"));
    // A pop-up is named by its current item, so its label tells it apart.
    ASSERT_TRUE(choose({settingsWindow, "labelled=Sound:"}, "Glass"));
    ASSERT_TRUE(line("[rule] Wrenly Chat \u2192 sound Glass"));
    shot("sound");
    EXPECT_TRUE(alertPlays("Glass"));
}

} // namespace
