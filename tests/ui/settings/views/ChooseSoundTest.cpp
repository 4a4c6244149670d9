#include "ui/settings/views/SoundChoosersFixture.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace corvale {
namespace {

namespace fs = std::filesystem;

struct ChooseCase {
    const char* name;
    std::optional<std::string> app;
    bool cancel = false;
    bool undecodable = false;
    bool folderBlocked = false; // a file stands where the "Sounds" folder would be made
    const char* alertText = nullptr;
};

TEST(ChooseSound, importsTheChosenFileForTheAppOrSaysWhyNot) {
    const ChooseCase cases[] = {
        {"imported for an app", "Slack"},
        {"imported for all other apps", std::nullopt},
        {"cancelled", "Slack", true},
        {"not audio", "Slack", false, true, false,
         "Door Bell.OGG couldn't be imported: the file isn't playable audio: "},
        {"no folder", "Slack", false, false, true,
         "Door Bell.OGG couldn't be imported: the folder \""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        test::SoundChoosersFixture f;
        const fs::path source = f.dir / "music" / "Door Bell.OGG";
        test::writeFile(source, "ogg");
        if (c.undecodable) {
            f.decoder.broken.insert(source.string());
        }
        if (c.folderBlocked) {
            test::writeFile(f.soundsFolder, "not a folder");
        }
        f.dialogs.openPanelAnswers.push_back(c.cancel ? std::nullopt : std::optional(source));
        const auto before = f.soundOnDisk(c.app);

        f.model->onChooseFile(c.app);

        ASSERT_EQ(f.dialogs.openPanels.size(), 1u);
        const auto& panel = f.dialogs.openPanels[0];
        EXPECT_EQ(panel.title, "Choose a sound file");
        EXPECT_NE(panel.message.find(c.app ? "for Slack." : "for all other apps."),
                  std::string::npos)
            << panel.message;
        for (const char* extension : {"ogg", "oga", "mp3", "wav", "m4a"}) {
            EXPECT_NE(std::find(panel.extensions.begin(), panel.extensions.end(), extension),
                      panel.extensions.end())
                << extension;
        }

        const bool imported = !c.cancel && !c.alertText;
        if (imported) {
            const fs::path copy = f.soundsFolder / "CLIP-1.OGG";
            EXPECT_TRUE(fs::exists(copy)) << "copied under a fresh name, extension kept";
            EXPECT_TRUE(fs::exists(source)) << "the original stays";
            EXPECT_EQ(f.soundOnDisk(c.app), SoundRef::file(FileUrl::fromPath(copy.string())));
            ASSERT_EQ(f.sounds.sounds().size(), 1u);
            EXPECT_EQ(f.sounds.sounds()[0].name, "Door Bell");
            EXPECT_TRUE(f.log.contains("[sound] imported Door Bell.OGG \u2192 CLIP-1.OGG for " +
                                       c.app.value_or("All other apps")));
        } else {
            EXPECT_EQ(f.soundOnDisk(c.app), before) << "the rule is unchanged";
            EXPECT_TRUE(f.sounds.sounds().empty());
        }
        if (c.alertText) {
            ASSERT_EQ(f.dialogs.alerts.size(), 1u);
            EXPECT_EQ(f.dialogs.alerts[0].message, "Couldn't use that sound");
            EXPECT_EQ(f.dialogs.alerts[0].text.rfind(c.alertText, 0), 0u)
                << f.dialogs.alerts[0].text;
            EXPECT_EQ(f.dialogs.alerts[0].buttons, std::vector<std::string>{"OK"});
            EXPECT_TRUE(f.log.contains("[sound] import failed for " + source.string() + ": "));
        } else {
            EXPECT_TRUE(f.dialogs.alerts.empty());
        }
        if (c.cancel) {
            EXPECT_FALSE(f.log.contains("[sound]")) << "a cancelled panel logs nothing";
        }
    }
}

} // namespace
} // namespace corvale
