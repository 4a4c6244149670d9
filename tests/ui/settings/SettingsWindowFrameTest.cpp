#include "ui/settings/SettingsWindowFrame.h"

#include <gtest/gtest.h>

using namespace corvale;
namespace frame = corvale::SettingsWindowFrame;

TEST(SettingsWindowFrame, storedTextReadsBackAndRefusesAnythingElse) {
    const WindowRect rect{-1920, 24, 900, 600};
    EXPECT_EQ(frame::fromStoredText(frame::storedText(rect)), rect);
    EXPECT_EQ(frame::fromStoredText(" 10  20 840 560 "), (WindowRect{10, 20, 840, 560}));
    for (const char* bad :
         {"", "10 20 840", "10 20 840 560 7", "10 20 0 560", "10 20 840 -5", "a b c d",
          "10,20,840,560", "10 20 840 99999999999999", "{{10, 20}, {840, 560}}"}) {
        EXPECT_EQ(frame::fromStoredText(bad), std::nullopt) << bad;
    }
}

TEST(SettingsWindowFrame, aFrameNoScreenShowsOpensCentredOnTheMainScreen) {
    // The main screen is the second one listed, to the right of a laptop panel.
    const std::vector<WindowRect> screens{{0, 0, 1366, 768}, {1366, 0, 2560, 1440}};
    const std::size_t primary = 1;
    const WindowRect centred{1366 + (2560 - 840) / 2, (1440 - 560) / 2, 840, 560};
    struct Case {
        const char* what;
        std::optional<WindowRect> saved;
        WindowRect expected;
    };
    const Case cases[] = {
        {"nothing saved: default size, centred", std::nullopt, centred},
        {"saved on the laptop panel: kept", WindowRect{100, 50, 840, 560},
         WindowRect{100, 50, 840, 560}},
        {"saved on a monitor now unplugged: centred", WindowRect{4200, 100, 840, 560}, centred},
        {"only a sliver left on screen: centred", WindowRect{3900, 100, 840, 560}, centred},
        {"title bar above every screen: centred", WindowRect{200, -400, 840, 560}, centred},
        {"partly off the edge but reachable: kept", WindowRect{3500, 900, 840, 560},
         WindowRect{3500, 900, 840, 560}},
        {"too large: held to the maximum", WindowRect{0, 0, 5000, 3000},
         WindowRect{0, 0, 1400, 1000}},
        {"too small: held to the minimum, still centred when lost", WindowRect{-900, 0, 100, 100},
         WindowRect{1366 + (2560 - 814) / 2, (1440 - 440) / 2, 814, 440}},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(frame::placement(c.saved, screens, primary), c.expected) << c.what;
    }
}

TEST(SettingsWindowFrame, oddScreenListsStillGiveAFrame) {
    EXPECT_EQ(frame::placement(std::nullopt, {}, 0), (WindowRect{0, 0, 840, 560}))
        << "no screens known: the default frame";
    EXPECT_EQ(frame::placement(std::nullopt, {{0, 0, 800, 480}}, 7), (WindowRect{0, 0, 840, 560}))
        << "a primary index out of range means the first screen; a window larger than it starts "
           "at its corner";
}
