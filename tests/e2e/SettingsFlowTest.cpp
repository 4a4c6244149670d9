// A user sets Corvale up through its settings window alone: the real corvale on a private X
// server with a private audio server, driven with the mouse through xdotool (the keyboard only
// types text). Controls are found as a screen reader finds them, through the accessibility tree
// (AT-SPI), by role and accessible name; after every change a notification shows that the next
// alert follows it.
//
// CORVALE_E2E_SCREENSHOTS=FOLDER keeps a screenshot of each step and of a failure there.

#include "e2e/CorvaleSession.h"

#include "support/PrivateDisplay.h"
#include "support/PrivatePulse.h"
#include "support/WavWriter.h"

#include <cstdlib>
#include <regex>
#include <sstream>

using namespace corvale::test;
using namespace std::chrono_literals;

namespace {

constexpr const char* app = "Wrenly Chat";
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

// A control as the accessibility helper reports it.
struct Spot {
    enum class Kind { missing, at, scroll } kind = Kind::missing;
    int x = 0;
    int y = 0;
    bool down = false;
    std::string name;
    std::string states;
    std::string text;
    int left = 0, top = 0, width = 0, height = 0;
    std::string why;

    bool has(const std::string& state) const {
        return (" " + states + " ").find(" " + state + " ") != std::string::npos;
    }
};

Spot parseSpot(const CommandResult& result) {
    Spot spot;
    std::istringstream lines(result.output);
    std::string line;
    while (std::getline(lines, line)) {
        std::istringstream words(line);
        std::string word;
        words >> word;
        const auto rest = [&line] {
            const auto at = line.find(": ");
            return at == std::string::npos ? std::string() : line.substr(at + 2);
        };
        if (word == "at" && result.exitCode == 0) {
            spot.kind = Spot::Kind::at;
            words >> spot.x >> spot.y;
        } else if (word == "scroll" && result.exitCode == 0) {
            spot.kind = Spot::Kind::scroll;
            std::string direction;
            words >> spot.x >> spot.y >> direction;
            spot.down = direction == "down";
        } else if (word == "name:") {
            spot.name = rest();
        } else if (word == "states:") {
            spot.states = rest();
        } else if (word == "text:") {
            spot.text = rest();
        } else if (word == "extents:") {
            words >> spot.left >> spot.top >> spot.width >> spot.height;
        }
    }
    if (spot.kind == Spot::Kind::missing) {
        spot.why = result.output.empty() ? "the helper failed" : result.output;
    }
    return spot;
}

std::string joined(const std::vector<std::string>& steps) {
    std::string text;
    for (const auto& step : steps) {
        text += (text.empty() ? "" : " / ") + step;
    }
    return text;
}

// A log line without its time stamp.
std::string withoutTime(const std::string& line) {
    const auto at = line.find("  [");
    return at == std::string::npos ? line : line.substr(at + 2);
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
        ASSERT_TRUE(CorvaleSession::waitForLine(*corvale,
                                                "[attach] OK pid=" + std::to_string(server->pid())))
            << corvale->output() << corvale->errors();
        ASSERT_TRUE(CorvaleSession::waitForLine(*corvale, "[bus] owns com.talvo.corvale"))
            << corvale->output();
    }

    void TearDown() override {
        if (HasFailure() && corvale && display) {
            shot("failure");
            std::cerr << "What corvale showed at the end:\n"
                      << dump() << "\nIts log:\n"
                      << corvale->output() << corvale->errors();
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
                                       const std::function<bool(const Spot&)>& holds = {},
                                       std::chrono::milliseconds timeout = 20s) {
        Spot last;
        if (waitUntil(
                [&] {
                    last = find(steps);
                    return last.kind != Spot::Kind::missing && (!holds || holds(last));
                },
                timeout)) {
            return ::testing::AssertionSuccess();
        }
        return ::testing::AssertionFailure()
               << "waited in vain for " << joined(steps) << ": " << last.why << " (name \""
               << last.name << "\", states " << last.states << ", text \"" << last.text << "\")\n"
               << dump();
    }

    ::testing::AssertionResult waitGone(const std::vector<std::string>& steps,
                                        std::chrono::milliseconds timeout = 20s) {
        if (waitUntil([&] { return find(steps).kind == Spot::Kind::missing; }, timeout)) {
            return ::testing::AssertionSuccess();
        }
        return ::testing::AssertionFailure() << joined(steps) << " is still on the screen";
    }

    void xdotool(std::vector<std::string> words) {
        words.insert(words.begin(), "xdotool");
        ASSERT_EQ(display->run(words).exitCode, 0) << joined(words);
    }

    // Scrolls the control into view with the mouse wheel and clicks its centre once it has held
    // still for two looks (a window that is still being laid out moves its controls).
    ::testing::AssertionResult click(const std::vector<std::string>& steps,
                                     std::chrono::milliseconds timeout = 20s) {
        Spot last;
        Spot previous;
        const bool clicked = waitUntil(
            [&] {
                last = find(steps);
                if (last.kind == Spot::Kind::scroll) {
                    previous = {};
                    display->run({"xdotool", "mousemove", std::to_string(last.x),
                                  std::to_string(last.y), "click", "--repeat", "2", "--delay", "30",
                                  last.down ? "5" : "4"});
                    return false;
                }
                const bool still = last.kind == Spot::Kind::at && previous.kind == Spot::Kind::at &&
                                   previous.x == last.x && previous.y == last.y;
                previous = last;
                if (!still) {
                    return false;
                }
                display->run({"xdotool", "mousemove", std::to_string(last.x),
                              std::to_string(last.y), "click", "1"});
                return true;
            },
            timeout);
        if (clicked) {
            return ::testing::AssertionSuccess();
        }
        return ::testing::AssertionFailure()
               << "could not click " << joined(steps) << ": " << last.why << "\n"
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
            if (waitFor(inList, {}, 5s)) {
                return click(inList);
            }
        }
        return ::testing::AssertionFailure()
               << "the item " << item << " never showed in " << joined(popUp) << "\n"
               << dump();
    }

    // Clicks into a text field and types, then waits until the field holds what was typed.
    ::testing::AssertionResult typeInto(const std::vector<std::string>& field,
                                        const std::string& text) {
        if (auto clicked = click(field); !clicked) {
            return clicked;
        }
        if (!waitFor(
                field, [](const Spot& s) { return s.has("focused"); }, 10s)) {
            return ::testing::AssertionFailure() << joined(field) << " did not take the focus";
        }
        display->run({"xdotool", "type", "--delay", "20", text});
        return waitFor(
            field, [&](const Spot& s) { return s.text.find(text) != std::string::npos; }, 10s);
    }

    // Clicks a dialog's button until the dialog goes: the first click may only close the
    // file-name completion list that typing opened, as it does for a user.
    ::testing::AssertionResult clickToClose(const std::string& window, const std::string& button) {
        for (int attempt = 0; attempt < 3; ++attempt) {
            if (auto clicked = click({"window=" + window, "push button=" + button}); !clicked) {
                return clicked;
            }
            if (waitGone({"window=" + window}, 5s)) {
                return ::testing::AssertionSuccess();
            }
        }
        return ::testing::AssertionFailure() << window << " stayed open\n" << dump();
    }

    ::testing::AssertionResult line(const std::string& text, size_t times = 1) {
        if (CorvaleSession::waitForLine(*corvale, text, times, 20s)) {
            return ::testing::AssertionSuccess();
        }
        return ::testing::AssertionFailure() << "missing: " << text << "\n" << corvale->output();
    }

    // Sends a notification and returns what corvale did about its sound: the first "[action]"
    // or "[muted]" line after its detection.
    std::string nextAlert(const std::string& from, const std::string& title) {
        const size_t before = CorvaleSession::count(*corvale, "DETECTED #");
        EXPECT_EQ(session.run({"notify-send", "-a", from, title, "body"}).exitCode, 0);
        const std::string detected = "DETECTED #" + std::to_string(before + 1) + " ";
        std::string found;
        waitUntil(
            [&] {
                const std::string out = corvale->output();
                auto at = out.find(detected);
                if (at == std::string::npos) {
                    return false;
                }
                std::istringstream lines(out.substr(at));
                std::string line;
                while (std::getline(lines, line)) {
                    const auto text = withoutTime(line);
                    if (text.rfind("[action] ", 0) == 0 || text.rfind("[muted] ", 0) == 0) {
                        found = text;
                        return true;
                    }
                }
                return false;
            },
            20s);
        return found;
    }

    static std::string played(const std::string& sound, const std::string& volume) {
        return "[action] app=\"" + std::string(app) + "\" \u2192 rule \"" + app + "\": " + sound +
               " @ vol " + volume + " (engine)";
    }

    void openSettings() {
        auto opened = session.run({CORVALE_BINARY, "settings"});
        ASSERT_EQ(opened.exitCode, 0) << opened.output;
        ASSERT_EQ(display
                      ->run({"xdotool", "search", "--sync", "--onlyvisible", "--name",
                             "^Corvale Settings$"},
                            20s)
                      .exitCode,
                  0)
            << "the settings window did not appear";
        ASSERT_TRUE(waitFor({settingsWindow}));
    }
};

TEST_F(SettingsFlow, anAppIsAddedAndGivenItsSoundsAndAKeywordRuleWithTheMouse) {
    const auto knock = session.home / "Knock.wav";
    ASSERT_TRUE(
        writeWav(knock, sineTone(880, 0.3, 0.5, PrivatePulse::rate), PrivatePulse::rate, 1));
    const auto song = session.home / "Song.wav";
    ASSERT_TRUE(writeWav(song, sineTone(440, 0.2, 10.0, 44100), 44100, 1));
    openSettings();

    // The app comes from the installed applications.
    ASSERT_TRUE(click({settingsWindow, "list item=Add App\u2026"}));
    ASSERT_TRUE(click({"window=Add an app to Corvale", "list item=Wrenly Chat"}));
    shot("add-app");
    ASSERT_TRUE(click({"window=Add an app to Corvale", "push button=Add"}));
    ASSERT_TRUE(line("[rule] added app Wrenly Chat"));
    ASSERT_TRUE(waitFor({settingsWindow, "check box=Custom sound"}, [](const Spot& s) {
        return s.has("checked");
    })) << "the new app's editor is shown, its own sound on";
    EXPECT_EQ(nextAlert(app, "hello"), played("builtin \"Submarine\"", "1.0"))
        << "an added app starts with the default sound, under its own rule";

    // Its sound and volume.
    const std::vector<std::string> sound{settingsWindow, "labelled=Sound:"};
    const std::vector<std::string> volume{settingsWindow, "labelled=Volume:"};
    ASSERT_TRUE(choose(sound, "Glass"));
    ASSERT_TRUE(line("[rule] Wrenly Chat \u2192 sound Glass"));
    EXPECT_EQ(nextAlert(app, "hello"), played("builtin \"Glass\"", "1.0"));
    ASSERT_TRUE(choose(volume, "150%"));
    ASSERT_TRUE(line("[rule] Wrenly Chat \u2192 volume 150%"));
    EXPECT_EQ(nextAlert(app, "hello"), played("builtin \"Glass\"", "1.5"));
    shot("sound-and-volume");

    // A keyword rule through the rule sheet: its own sound, the volume taken from the app's.
    ASSERT_TRUE(click({settingsWindow, "push button=Add rule\u2026"}));
    const std::string sheet = "window=New rule for Wrenly Chat";
    ASSERT_TRUE(
        waitFor({sheet, "labelled=Volume:"}, [](const Spot& s) { return s.name == "150%"; }));
    ASSERT_TRUE(typeInto({sheet, "text=Keyword"}, "urgent"));
    ASSERT_TRUE(choose({sheet, "labelled=Sound:"}, "Pop"));
    shot("rule-sheet");
    ASSERT_TRUE(click({sheet, "push button=Save"}));
    ASSERT_TRUE(waitGone({sheet}));
    ASSERT_TRUE(line("[rule] Wrenly Chat + content rule titleContains(\"urgent\") \u2192 Pop"));
    EXPECT_TRUE(waitFor({settingsWindow, "label=Title: \u201Curgent\u201D \u2192 Pop"}))
        << "the rule is listed in the app's editor";
    EXPECT_EQ(nextAlert(app, "urgent: call me"), played("builtin \"Pop\"", "1.5"));
    EXPECT_EQ(nextAlert(app, "lunch?"), played("builtin \"Glass\"", "1.5"))
        << "other notifications keep the app's sound";

    // A sound file of the user's, picked in the file chooser by typing its path.
    ASSERT_TRUE(choose(sound, "Choose custom file\u2026"));
    ASSERT_TRUE(typeInto({"window=Choose a sound file", "text=File name:"}, knock.string()));
    shot("file-chooser");
    ASSERT_TRUE(clickToClose("Choose a sound file", "Choose"));
    ASSERT_TRUE(line("[sound] imported Knock.wav \u2192 "));
    std::smatch imported;
    const std::string log = corvale->output();
    ASSERT_TRUE(std::regex_search(
        log, imported,
        std::regex("\\[sound\\] imported Knock\\.wav \u2192 (\\S+\\.wav) for Wrenly Chat")))
        << log;
    EXPECT_TRUE(std::filesystem::exists(session.support / "Sounds" / imported[1].str()));
    EXPECT_TRUE(waitFor(sound, [](const Spot& s) { return s.name == "Knock"; }))
        << "the pop-up shows the imported sound by its name";
    EXPECT_EQ(nextAlert(app, "hello"), played("file " + imported[1].str(), "1.5"));
    EXPECT_EQ(nextAlert(app, "urgent again"), played("builtin \"Pop\"", "1.5"));

    // Three seconds of a song, moved two seconds in by dragging the selection, named and used.
    ASSERT_TRUE(choose(sound, "Clip from a song\u2026"));
    ASSERT_TRUE(typeInto({"window=Choose a song to clip", "text=File name:"}, song.string()));
    ASSERT_TRUE(clickToClose("Choose a song to clip", "Choose"));
    const std::string editor = "window=Clip a sound";
    ASSERT_TRUE(waitFor({editor, "label~0:00.0 \u2013 0:03.0"}))
        << "a new clip starts as the song's first three seconds";
    const Spot lane = find({editor, "filler=Waveform"});
    ASSERT_EQ(lane.kind, Spot::Kind::at) << lane.why;
    const int grab = lane.left + lane.width * 15 / 100;
    const int drop = grab + lane.width * 20 / 100;
    const std::string y = std::to_string(lane.top + lane.height / 2);
    xdotool({"mousemove", std::to_string(grab), y, "mousedown", "1", "mousemove",
             std::to_string((grab + drop) / 2), y, "mousemove", std::to_string(drop), y, "mouseup",
             "1"});
    ASSERT_TRUE(waitFor({editor, "label~\u00B7  3.0 s"}, [](const Spot& s) {
        return s.name.rfind("0:00.0", 0) != 0;
    })) << "the drag moves the selection and keeps its length";
    ASSERT_TRUE(typeInto({editor, "text=Name"}, "Chorus"));
    shot("clip-editor");
    ASSERT_TRUE(click({editor, "push button=Save"}));
    ASSERT_TRUE(line("[clip] set Wrenly Chat \u2192 "));
    std::smatch clip;
    const std::string clipLog = corvale->output();
    ASSERT_TRUE(std::regex_search(
        clipLog, clip,
        std::regex("\\[clip\\] exported Song\\.wav \\[0:0[123]\\+3\\.0s\\] \u2192 (\\S+\\.m4a)")))
        << clipLog;
    ASSERT_TRUE(line("[sounds] library + Chorus"));
    ASSERT_TRUE(waitGone({editor}));
    EXPECT_TRUE(waitFor(sound, [](const Spot& s) { return s.name == "Chorus"; }));
    EXPECT_EQ(nextAlert(app, "hello"), played("file " + clip[1].str(), "1.5"));
    shot("done");
}

} // namespace
