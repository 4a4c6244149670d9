#include "library/CustomSoundLibrary.h"

#include "support/AppRule.h"
#include "support/LogRecorder.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

namespace corvale {
namespace {

using test::LogRecorder;
using test::readFile;
using test::TempDir;
using test::writeFile;

struct CustomSoundLibraryTest : ::testing::Test {
    TempDir dir;
    LogRecorder logs;
    CustomSoundStore sounds{CustomSoundStore::defaultFileURL(dir.path()), logs.fn()};
    RuleStore rules{RuleStore::defaultFileURL(dir.path()), logs.fn()};
    NotificationCenter center;
    CustomSoundLibrary library{sounds, rules, center, logs.fn()};
    std::vector<std::string> events;
    Subscription observer;
    std::filesystem::path soundsFolder = dir / "Sounds";

    void SetUp() override {
        sounds.load();
        rules.load();
        library.onChange = [this] { events.push_back("change"); };
        observer = center.observe(notes::soundDidChange, [this] { events.push_back("posted"); });
    }
    FileUrl soundFile(const std::string& name) {
        writeFile(soundsFolder / name, "audio of " + name);
        return FileUrl::fromPath((soundsFolder / name).string());
    }
    void useInRule(const std::string& app, const FileUrl& file) {
        ASSERT_TRUE(rules.upsert(test::appRule(app, std::nullopt, SoundRef::file(file))));
    }
    size_t libraryLines() const { return logs.count("[sounds] library"); }
};

TEST_F(CustomSoundLibraryTest, addAppendsOnceAnnouncesAndIgnoresTheSameFileAgain) {
    const auto bell = soundFile("A.m4a");
    library.addCustomSound("Bell", bell);
    ASSERT_EQ(sounds.sounds().size(), 1u);
    EXPECT_EQ(sounds.sounds()[0].name, "Bell");
    EXPECT_EQ(sounds.sounds()[0].fileURL, bell);
    EXPECT_TRUE(logs.contains("[sounds] library + Bell"));
    EXPECT_EQ(events, (std::vector<std::string>{"change", "posted"}))
        << "observers hear of it first, then the notification is posted";

    events.clear();
    library.addCustomSound("Bell copy",
                           FileUrl::fromPath(soundsFolder.string() + "/../Sounds/A.m4a"));
    EXPECT_EQ(sounds.sounds().size(), 1u) << "the same file under another spelling is ignored";
    EXPECT_TRUE(events.empty()) << "an ignored add announces nothing";
    EXPECT_EQ(libraryLines(), 1u) << "and logs nothing";

    library.addCustomSound("Bell", soundFile("B.m4a"));
    EXPECT_EQ(sounds.sounds().size(), 2u) << "the same name for another file is a new entry";
    EXPECT_EQ(sounds.sounds()[1].fileURL.path(), (soundsFolder / "B.m4a").string())
        << "new entries go to the end";
}

TEST_F(CustomSoundLibraryTest, renameTrimsAndIgnoresBlankNamesAndUnknownEntries) {
    library.addCustomSound("Bell", soundFile("A.m4a"));
    const Uuid id = sounds.sounds()[0].id;
    events.clear();
    const size_t linesBefore = logs.lines.size();

    library.renameCustomSound(id, " \n\t ");
    EXPECT_EQ(sounds.sounds()[0].name, "Bell") << "a blank name changes nothing";
    library.renameCustomSound(Uuid::random(), "Gong");
    EXPECT_TRUE(events.empty()) << "neither a blank name nor an unknown id announces a change";

    library.renameCustomSound(id, "  Church bell \n");
    EXPECT_EQ(sounds.sounds()[0].name, "Church bell");
    EXPECT_EQ(events, (std::vector<std::string>{"change", "posted"}));
    EXPECT_TRUE(std::filesystem::exists(soundsFolder / "A.m4a")) << "the file keeps its name";
    EXPECT_EQ(libraryLines(), 1u) << "a rename is not logged";
    EXPECT_EQ(logs.lines.size(), linesBefore);
}

TEST_F(CustomSoundLibraryTest, removeDeletesTheFileOnlyWhenNoRuleUsesIt) {
    const auto used = soundFile("used.m4a");
    const auto unused = soundFile("unused.m4a");
    library.addCustomSound("Bell", used);
    library.addCustomSound("Horn", unused);
    // The rule spells the path differently; standardised, it is the same file.
    useInRule("Slack", FileUrl::fromPath(soundsFolder.string() + "/x/../used.m4a"));
    events.clear();

    library.removeCustomSound(sounds.sounds()[0].id);
    ASSERT_EQ(sounds.sounds().size(), 1u);
    EXPECT_EQ(sounds.sounds()[0].name, "Horn");
    EXPECT_TRUE(std::filesystem::exists(used.path())) << "a rule still plays this file";
    EXPECT_TRUE(
        logs.contains("[sounds] library \u2212 Bell (file kept \u2014 still used by a rule)"));
    EXPECT_EQ(events, (std::vector<std::string>{"change", "posted"}));
    const auto& slack = rules.rules().back();
    EXPECT_EQ(slack.sound, SoundRef::file(FileUrl::fromPath(used.path())))
        << "the rule is not changed";

    library.removeCustomSound(sounds.sounds()[0].id);
    EXPECT_TRUE(sounds.sounds().empty());
    EXPECT_FALSE(std::filesystem::exists(unused.path())) << "nothing uses it any more";
    EXPECT_EQ(logs.lines.back(), "[sounds] library \u2212 Horn");

    events.clear();
    library.removeCustomSound(Uuid::random());
    EXPECT_TRUE(events.empty()) << "an unknown id does nothing";
    EXPECT_EQ(libraryLines(), 4u);
}

TEST_F(CustomSoundLibraryTest, removeKeepsAFileAnotherEntryStillListsAndSurvivesMissingFiles) {
    // Two entries for one file can only come from a file written elsewhere: loads do not check.
    const auto shared = soundFile("shared.m4a");
    const auto a = Uuid::random();
    const auto b = Uuid::random();
    writeFile(CustomSoundStore::defaultFileURL(dir.path()),
              R"({"version":1,"sounds":[{"id":")" + a.str() + R"(","name":"One","fileURL":")" +
                  shared.str() + R"("},{"id":")" + b.str() + R"(","name":"Two","fileURL":")" +
                  shared.str() + R"("}]})");
    sounds.load();
    ASSERT_EQ(sounds.sounds().size(), 2u);

    library.removeCustomSound(a);
    EXPECT_TRUE(std::filesystem::exists(shared.path())) << "entry Two still lists the file";
    EXPECT_EQ(logs.lines.back(), "[sounds] library \u2212 One");
    library.removeCustomSound(b);
    EXPECT_FALSE(std::filesystem::exists(shared.path()));

    const auto gone = FileUrl::fromPath((soundsFolder / "gone.m4a").string());
    library.addCustomSound("Gone", gone);
    library.removeCustomSound(sounds.sounds()[0].id);
    EXPECT_TRUE(sounds.sounds().empty()) << "a missing file does not stop the removal";
    EXPECT_EQ(logs.lines.back(), "[sounds] library \u2212 Gone");
}

// An entry may name any file (a hand edit); only files in the Sounds folder are ours to delete,
// however the path reaches them.
TEST_F(CustomSoundLibraryTest, removeKeepsFilesOutsideTheSoundsFolderAndSaysSo) {
    writeFile(dir / "Music" / "precious.mp3", "the user's own");
    std::filesystem::create_directories(soundsFolder);
    std::filesystem::create_directory_symlink(dir / "Music", soundsFolder / "linked");
    const auto own = FileUrl::fromPath((dir / "Music" / "precious.mp3").string());
    library.addCustomSound("Precious", own);
    library.addCustomSound("Dotted", FileUrl::fromPath(soundsFolder.string() + "/../Music/a.mp3"));
    library.addCustomSound("Linked", FileUrl::fromPath((soundsFolder / "linked" / "b").string()));
    writeFile(dir / "Music" / "a.mp3", "a");
    writeFile(dir / "Music" / "b", "b");

    library.removeCustomSound(sounds.sounds()[0].id);
    EXPECT_EQ(readFile(own.path()), "the user's own");
    EXPECT_EQ(logs.lines.back(),
              "[sounds] library \u2212 Precious (file kept \u2014 not in Corvale's Sounds folder)");
    EXPECT_EQ(library.note(), CustomSoundLibrary::keptFileNote("Precious", own.path()));
    library.removeCustomSound(sounds.sounds()[0].id);
    library.removeCustomSound(sounds.sounds()[0].id);
    EXPECT_TRUE(sounds.sounds().empty());
    EXPECT_TRUE(std::filesystem::exists(dir / "Music" / "a.mp3"));
    EXPECT_TRUE(std::filesystem::exists(dir / "Music" / "b")) << "a link out of the folder";

    library.addCustomSound("Ours", soundFile("ours.m4a"));
    EXPECT_EQ(library.note(), "") << "the next change clears the note";
    library.removeCustomSound(sounds.sounds()[0].id);
    EXPECT_FALSE(std::filesystem::exists(soundsFolder / "ours.m4a"));
}

TEST_F(CustomSoundLibraryTest, nameForFileFindsTheFirstEntryByStandardisedPath) {
    const auto bell = soundFile("A.m4a");
    library.addCustomSound("Bell", bell);
    library.addCustomSound("Horn", soundFile("B.m4a"));
    EXPECT_EQ(library.nameForFile(FileUrl::fromPath(soundsFolder.string() + "/./A.m4a")), "Bell");
    EXPECT_EQ(library.nameForFile(FileUrl::fromPath((soundsFolder / "B.m4a").string())), "Horn");
    EXPECT_EQ(library.nameForFile(FileUrl::fromPath((soundsFolder / "C.m4a").string())),
              std::nullopt);
}

} // namespace
} // namespace corvale
