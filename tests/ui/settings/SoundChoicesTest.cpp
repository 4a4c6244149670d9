#include "ui/settings/SoundChoices.h"

#include "support/TempDir.h"

#include <cmath>
#include <gtest/gtest.h>
#include <limits>

using namespace corvale;
using namespace corvale::SoundChoices;

namespace {

TEST(SoundChoices, volumeShowsTheNearestChoiceAndTheEarlierOnATie) {
    const auto& choices = volumeChoices();
    ASSERT_EQ(choices.size(), 7u);
    EXPECT_EQ(choices.front().title, "25%");
    EXPECT_EQ(choices.back().title, "200%");
    struct Case {
        std::optional<double> volume;
        std::string shown;
    } cases[] = {
        {0.9, "100%"},  {0.375, "25%"}, // halfway between 25 % and 50 %
        {0.625, "50%"}, {1.75, "150%"},         {1.0, "100%"},
        {1.3, "125%"},  {0.0, "25%"},           {-3.0, "25%"},
        {9.0, "200%"},  {std::nullopt, "100%"}, {std::numeric_limits<double>::quiet_NaN(), "100%"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(choices[nearestVolumeIndex(c.volume)].title, c.shown)
            << (c.volume ? std::to_string(*c.volume) : "none");
    }
}

std::vector<std::string> titles(const Menu& menu) {
    std::vector<std::string> out;
    for (const auto& item : menu.items) {
        out.push_back((item.startsGroup ? "| " : "") + item.title);
    }
    return out;
}

TEST(SoundChoices, menuListsBuiltinsLibrarySilentThenActions) {
    test::TempDir dir;
    test::writeFile(dir / "cash.m4a", "x");
    std::vector<CustomSound> library{
        {Uuid::random(), "Cash register", FileUrl::fromPath((dir / "cash.m4a").string())},
        {Uuid::random(), "Gone clip", FileUrl::fromPath((dir / "gone.m4a").string())}};
    const std::vector<std::string> builtins{"Glass", "Submarine"};

    auto menu = soundMenu(builtins, library, SoundRef::builtin("submarine"), true);
    EXPECT_EQ(titles(menu),
              (std::vector<std::string>{"Glass", "Submarine", "| Cash register", "Gone clip",
                                        "| Silent", "The app\u2019s own sound",
                                        "| Choose custom file\u2026", "Clip from a song\u2026"}));
    EXPECT_EQ(menu.selected, 1u) << "named sounds are found without regard to case";
    EXPECT_EQ(menu.items[6].kind, Item::Kind::chooseFile);
    EXPECT_EQ(menu.items[7].kind, Item::Kind::clipFromSong);
    EXPECT_FALSE(menu.items[6].sound);
    menu = soundMenu(builtins, library, SoundRef::builtin("Glass"), true, true);
    EXPECT_EQ(menu.items[menu.selected].kind, Item::Kind::appSound) << "it shows over the sound";

    // A library file is its library entry, even when the file has gone.
    menu = soundMenu(builtins, library, SoundRef::file(library[1].fileURL), false);
    EXPECT_EQ(menu.items[menu.selected].title, "Gone clip");
    EXPECT_EQ(menu.items.size(), 6u) << "the sheet's menu has no actions";

    menu = soundMenu(builtins, library, SoundRef::silent(), false);
    EXPECT_EQ(menu.items[menu.selected].title, "Silent");
}

TEST(SoundChoices, aSoundTheListsLackIsShownAndSelected) {
    test::TempDir dir;
    test::writeFile(dir / "own.ogg", "x");
    const std::vector<std::string> builtins{"Glass"};
    struct Case {
        SoundRef sound;
        std::string shown;
    } cases[] = {
        {SoundRef::file(FileUrl::fromPath((dir / "own.ogg").string())), "Custom: own.ogg"},
        {SoundRef::file(FileUrl::fromPath((dir / "lost.ogg").string())),
         "Custom: lost.ogg (missing)"},
        {SoundRef::builtin("Basso"), "Basso"},
    };
    for (const auto& c : cases) {
        auto menu = soundMenu(builtins, {}, c.sound, true);
        ASSERT_LT(menu.selected, menu.items.size());
        EXPECT_EQ(menu.items[menu.selected].title, c.shown);
        EXPECT_EQ(menu.items[menu.selected].sound, c.sound) << "choosing it again changes nothing";
        EXPECT_EQ(menu.items.back().kind, Item::Kind::clipFromSong);
    }
}

TEST(SoundChoices, soundNameUsesTheLibraryName) {
    auto url = FileUrl::fromPath("/data/Sounds/ABC.m4a");
    std::vector<CustomSound> library{{Uuid::random(), "Cash register", url}};
    EXPECT_EQ(soundName(SoundRef::file(FileUrl::fromPath("/data/Sounds/./ABC.m4a")), library),
              "Cash register");
    EXPECT_EQ(soundName(SoundRef::file(FileUrl::fromPath("/else/x.ogg")), library), "x.ogg");
    EXPECT_EQ(soundName(SoundRef::silent(), library), "Silent");
}

} // namespace
