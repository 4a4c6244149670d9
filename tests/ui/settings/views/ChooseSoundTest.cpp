#include "ui/settings/views/SoundChoosersFixture.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace corvale {
namespace {

namespace fs = std::filesystem;

// The sound menu's "Choose custom file…" asks for a file and hands it to the import, whose
// outcomes (refused files, blocked folders, a cancel) the flow's own tests go through.
TEST(ChooseSound, asksForASoundFileAndImportsItForTheAppOrAllOtherApps) {
    for (const std::optional<std::string>& app :
         {std::optional<std::string>("Slack"), std::optional<std::string>()}) {
        SCOPED_TRACE(app.value_or("all other apps"));
        test::SoundChoosersFixture f;
        const fs::path source = f.dir / "music" / "Door Bell.OGG";
        test::writeFile(source, "ogg");
        f.dialogs.openPanelAnswers.push_back(source);

        f.model->onChooseFile(app);
        f.background.runAll();

        ASSERT_EQ(f.dialogs.openPanels.size(), 1u);
        const auto& panel = f.dialogs.openPanels[0];
        EXPECT_EQ(panel.title, "Choose a sound file");
        EXPECT_NE(panel.message.find(app ? "for Slack." : "for all other apps."), std::string::npos)
            << panel.message;
        EXPECT_EQ(panel.mediaTypes, std::vector<std::string>{"audio/*"});
        const fs::path copy = f.soundsFolder / "CLIP-1.OGG";
        EXPECT_TRUE(fs::exists(copy)) << "copied under a fresh name, extension kept";
        EXPECT_EQ(f.soundOnDisk(app), SoundRef::file(FileUrl::fromPath(copy.string())));
        ASSERT_EQ(f.sounds.sounds().size(), 1u);
        EXPECT_EQ(f.sounds.sounds()[0].name, "Door Bell");
        EXPECT_TRUE(f.dialogs.alerts.empty());
    }
}

TEST(ChooseSound, aFileThatIsNotAudioIsRefusedInAnAlertAndChangesNothing) {
    test::SoundChoosersFixture f;
    const fs::path source = f.dir / "notes.txt";
    test::writeFile(source, "text");
    f.decoder.broken.insert(source.string());
    f.dialogs.openPanelAnswers.push_back(source);
    const auto before = f.soundOnDisk("Slack");
    f.model->onChooseFile(std::string("Slack"));
    f.background.runAll();
    ASSERT_EQ(f.dialogs.alerts.size(), 1u);
    EXPECT_EQ(f.dialogs.alerts[0].message, "Couldn't use that sound");
    EXPECT_EQ(f.dialogs.alerts[0].text.rfind("notes.txt couldn't be imported: ", 0), 0u);
    EXPECT_EQ(f.soundOnDisk("Slack"), before);
    EXPECT_TRUE(f.sounds.sounds().empty());
}

} // namespace
} // namespace corvale
