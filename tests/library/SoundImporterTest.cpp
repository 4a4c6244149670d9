#include "library/SoundImporter.h"
#include "library/ChooseSoundFlow.h"
#include "library/ClipFromSongFlow.h"
#include "library/CustomSoundLibrary.h"

#include "support/FakeAudio.h"
#include "support/FakeMediaTools.h"
#include "support/LogRecorder.h"
#include "support/ManualScheduler.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

namespace corvale {
namespace {

namespace fs = std::filesystem;
using test::LogRecorder;
using test::readFile;
using test::TempDir;
using test::writeFile;

std::vector<fs::path> filesIn(const fs::path& folder) {
    std::vector<fs::path> files;
    if (fs::exists(folder)) {
        for (const auto& entry : fs::directory_iterator(folder)) {
            files.push_back(entry.path());
        }
    }
    std::sort(files.begin(), files.end());
    return files;
}

TEST(SoundImporter, copiesUnderTheGivenNameKeepingTheExtensionExactly) {
    TempDir dir;
    writeFile(dir / "Bell.M4A", "bell");
    const auto folder = dir / "support" / "Corvale" / "Sounds";
    auto result = SoundImporter::importSound(dir / "Bell.M4A", folder, "NAME");
    ASSERT_TRUE(result.file) << result.error;
    EXPECT_EQ(*result.file, folder / "NAME.M4A") << "the extension's case is kept";
    EXPECT_EQ(readFile(*result.file), "bell");
    EXPECT_EQ(readFile(dir / "Bell.M4A"), "bell") << "the source is left alone";

    writeFile(dir / "chime", "chime");
    result = SoundImporter::importSound(dir / "chime", folder, "PLAIN");
    ASSERT_TRUE(result.file) << result.error;
    EXPECT_EQ(*result.file, folder / "PLAIN") << "no extension, no dot";

    writeFile(dir / "Bell.M4A", "a newer bell");
    result = SoundImporter::importSound(dir / "Bell.M4A", folder, "NAME");
    ASSERT_TRUE(result.file) << result.error;
    EXPECT_EQ(readFile(folder / "NAME.M4A"), "a newer bell") << "an older file is replaced";
    EXPECT_EQ(filesIn(folder).size(), 2u);

    EXPECT_EQ(SoundImporter::extensionOf("song.tar.gz"), "gz");
    EXPECT_EQ(SoundImporter::extensionOf(".chime"), "") << "a leading dot starts the name";
    EXPECT_EQ(SoundImporter::extensionOf("Bell."), "");
    EXPECT_EQ(SoundImporter::nameWithoutExtension("/x/Bell.M4A"), "Bell");
    EXPECT_EQ(SoundImporter::nameWithoutExtension("/x/song.tar.gz"), "song.tar");
    EXPECT_EQ(SoundImporter::nameWithoutExtension("/x/chime"), "chime");
}

TEST(SoundImporter, reportsEveryFailureAsTextAndLeavesNoCopy) {
    TempDir dir;
    const auto folder = dir / "Sounds";
    auto result = SoundImporter::importSound(dir / "missing.wav", folder, "A");
    EXPECT_FALSE(result.file);
    EXPECT_NE(result.error.find("missing.wav"), std::string::npos) << result.error;
    EXPECT_TRUE(filesIn(folder).empty());

    fs::create_directories(dir / "album.wav");
    result = SoundImporter::importSound(dir / "album.wav", folder, "B");
    EXPECT_FALSE(result.file) << "a folder is not a sound file";
    EXPECT_TRUE(filesIn(folder).empty());

    writeFile(dir / "bell.wav", "bell");
    writeFile(dir / "blocker", "a file where the folder should be");
    result = SoundImporter::importSound(dir / "bell.wav", dir / "blocker" / "Sounds", "C");
    EXPECT_FALSE(result.file);
    EXPECT_NE(result.error.find("couldn't be created"), std::string::npos) << result.error;

    fs::create_directories(folder / "D.wav" / "inside");
    result = SoundImporter::importSound(dir / "bell.wav", folder, "D");
    EXPECT_FALSE(result.file) << "a folder in the way that cannot be removed";
    EXPECT_NE(result.error.find("couldn't be removed"), std::string::npos) << result.error;

    using Trouble = SoundImporter::FileTrouble;
    writeFile(dir / "empty.wav", "");
    EXPECT_EQ(SoundImporter::troubleReading(dir / "missing.wav"), Trouble::missing);
    EXPECT_EQ(SoundImporter::troubleReading(dir / "empty.wav"), Trouble::empty);
    EXPECT_EQ(SoundImporter::troubleReading(dir / "bell.wav"), Trouble::none);
    // A source swapped for a named pipe is told at once, never opened to wait for a writer.
    ASSERT_EQ(mkfifo((dir / "pipe.wav").c_str(), 0600), 0);
    EXPECT_EQ(SoundImporter::troubleReading(dir / "pipe.wav"), Trouble::unreadable);
}

struct ChooseSoundFlowTest : ::testing::Test {
    TempDir dir;
    LogRecorder logs;
    test::FakeAudioDecoder decoder;
    fs::path soundsFolder = dir / "Corvale" / "Sounds";
    std::vector<std::pair<SoundRef, std::optional<std::string>>> soundsSet;
    std::vector<std::pair<std::string, FileUrl>> added;
    std::vector<std::pair<std::string, std::string>> alerts;

    test::ManualBackgroundTasks background;
    test::ManualScheduler scheduler;
    ChooseSoundFlow flow{
        decoder,
        background,
        scheduler,
        soundsFolder,
        logs.fn(),
        {[this](const SoundRef& s, const std::optional<std::string>& app) {
             soundsSet.emplace_back(s, app);
         },
         [this](const std::string& name, const FileUrl& f) { added.emplace_back(name, f); },
         [this](const std::string& m, const std::string& i) { alerts.emplace_back(m, i); },
         [] { return "FIXED"; }}};

    // Chooses a file and lets the background check finish; whether it was imported.
    bool choose(const std::optional<fs::path>& file, const std::optional<std::string>& app) {
        bool imported = false;
        flow.fileChosen(file, app, [&](bool answer) { imported = answer; });
        background.runAll();
        return imported;
    }
};

TEST_F(ChooseSoundFlowTest, importsTheChosenFileForTheRuleAndTheLibrary) {
    writeFile(dir / "Bell.M4A", "bell");
    EXPECT_TRUE(choose(dir / "Bell.M4A", "Slack"));
    const auto copy = FileUrl::fromPath((soundsFolder / "FIXED.M4A").string());
    ASSERT_EQ(soundsSet.size(), 1u);
    EXPECT_EQ(soundsSet[0].first, SoundRef::file(copy));
    EXPECT_EQ(soundsSet[0].second, "Slack");
    ASSERT_EQ(added.size(), 1u);
    EXPECT_EQ(added[0].first, "Bell") << "listed under the file's name without extension";
    EXPECT_EQ(added[0].second, copy);
    EXPECT_EQ(logs.lines,
              (std::vector<std::string>{"[sound] imported Bell.M4A \u2192 FIXED.M4A for Slack"}));
    EXPECT_TRUE(alerts.empty());
    EXPECT_EQ(decoder.opened, (std::vector<std::string>{(dir / "Bell.M4A").string()}))
        << "the file is checked for playable audio first";

    EXPECT_TRUE(choose(dir / "Bell.M4A", std::nullopt));
    EXPECT_EQ(soundsSet.back().second, std::nullopt) << "no app: the default rule";
    EXPECT_EQ(logs.lines.back(), "[sound] imported Bell.M4A \u2192 FIXED.M4A for All other apps");

    const size_t lines = logs.lines.size();
    EXPECT_FALSE(choose(std::nullopt, "Slack"));
    EXPECT_EQ(logs.lines.size(), lines) << "a cancelled panel leaves no trace";
    EXPECT_EQ(soundsSet.size(), 2u);
    EXPECT_TRUE(alerts.empty());

    decoder.duration = 3600;
    EXPECT_TRUE(choose(dir / "Bell.M4A", "Slack")) << "a long sound is taken";
    ASSERT_EQ(alerts.size(), 1u);
    EXPECT_EQ(alerts[0].first, "This sound will be cut to 30 seconds");
    EXPECT_EQ(alerts[0].second, "Bell.M4A is longer than 30 seconds; alerts play only its first 30 "
                                "seconds. To use another part of it, choose \u201cClip from a "
                                "song\u2026\u201d.");
}

TEST_F(ChooseSoundFlowTest, aFileThatIsNotAudioOrCannotBeCopiedChangesNothing) {
    writeFile(dir / "notes.txt", "not a sound");
    decoder.broken.insert((dir / "notes.txt").string());
    EXPECT_FALSE(choose(dir / "notes.txt", "Slack"));
    EXPECT_EQ(logs.lines.back(), "[sound] import failed for " + (dir / "notes.txt").string() +
                                     ": the file isn't playable audio: Invalid data found when "
                                     "processing input");
    ASSERT_EQ(alerts.size(), 1u);
    EXPECT_EQ(alerts[0].first, "Couldn't use that sound");
    EXPECT_EQ(alerts[0].second, "notes.txt couldn't be imported: the file isn't playable audio")
        << "the decoder's words stay in the log";
    EXPECT_TRUE(filesIn(soundsFolder).empty()) << "nothing was copied";

    writeFile(dir / "empty.mp3", "");
    decoder.broken.insert((dir / "empty.mp3").string());
    EXPECT_FALSE(choose(dir / "empty.mp3", "Slack"));
    EXPECT_EQ(alerts.back().second, "empty.mp3 couldn't be imported: the file is empty");

    writeFile(dir / "bell.wav", "bell");
    writeFile(dir / "Corvale", "a file where the support folder should be");
    EXPECT_FALSE(choose(dir / "bell.wav", std::nullopt));
    EXPECT_TRUE(logs.lines.back().starts_with("[sound] import failed for " +
                                              (dir / "bell.wav").string() + ": "))
        << logs.lines.back();
    ASSERT_EQ(alerts.size(), 3u);
    EXPECT_TRUE(alerts[2].second.starts_with("bell.wav couldn't be imported: "))
        << alerts[2].second;
    EXPECT_TRUE(soundsSet.empty()) << "the rule is unchanged";
    EXPECT_TRUE(added.empty()) << "and so is the library";

    // A named pipe would block the check and the copy until something is written to it.
    ASSERT_EQ(mkfifo((dir / "pipe.wav").c_str(), 0600), 0);
    decoder.opened.clear();
    EXPECT_FALSE(choose(dir / "pipe.wav", "Slack"));
    EXPECT_EQ(logs.lines.back(),
              "[sound] import failed for " + (dir / "pipe.wav").string() + ": not a regular file");
    EXPECT_EQ(alerts.back().second, "pipe.wav couldn't be imported: not a regular file");
    EXPECT_TRUE(decoder.opened.empty()) << "never opened";
}

TEST_F(ChooseSoundFlowTest, aFileThatDoesNotOpenInTimeIsRefusedAndItsLateAnswerIgnored) {
    writeFile(dir / "Bell.wav", "bell");
    std::optional<bool> imported;
    flow.fileChosen(dir / "Bell.wav", "Slack", [&](bool answer) { imported = answer; });
    EXPECT_TRUE(decoder.opened.empty()) << "the file was read on the main thread";
    EXPECT_FALSE(imported.has_value());

    scheduler.advance(ChooseSoundFlow::openDeadline);
    EXPECT_EQ(imported, false);
    EXPECT_EQ(logs.lines.back(), "[sound] import failed for " + (dir / "Bell.wav").string() +
                                     ": it didn't open within 10 seconds");
    ASSERT_EQ(alerts.size(), 1u);
    EXPECT_EQ(alerts[0].second, "Bell.wav couldn't be imported: it didn't open within 10 seconds");

    background.runAll();
    EXPECT_EQ(alerts.size(), 1u) << "the late answer is dropped";
    EXPECT_TRUE(soundsSet.empty());
    EXPECT_TRUE(added.empty());
    EXPECT_TRUE(filesIn(soundsFolder).empty());
}

TEST_F(ChooseSoundFlowTest, importingTheSameFileTwiceMakesTwoCopiesAndTwoEntries) {
    CustomSoundStore store(CustomSoundStore::defaultFileURL(dir.path()), logs.fn());
    store.load();
    RuleStore rules(RuleStore::defaultFileURL(dir.path()), logs.fn());
    rules.load();
    NotificationCenter center;
    CustomSoundLibrary library(store, rules, center, logs.fn());
    ChooseSoundFlow realNames(
        decoder, background, scheduler, soundsFolder, logs.fn(),
        {{},
         [&](const std::string& name, const FileUrl& file) { library.addCustomSound(name, file); },
         {},
         {}});
    writeFile(dir / "Bell.wav", "bell");
    realNames.fileChosen(dir / "Bell.wav", "Mail");
    realNames.fileChosen(dir / "Bell.wav", "Mail");
    background.runAll();

    const auto copies = filesIn(soundsFolder);
    ASSERT_EQ(copies.size(), 2u);
    for (const auto& copy : copies) {
        EXPECT_EQ(copy.extension(), ".wav");
        EXPECT_TRUE(Uuid::parse(copy.stem().string())) << copy << " is named by a fresh UUID";
        EXPECT_EQ(copy.stem().string().size(), 36u);
    }
    ASSERT_EQ(store.sounds().size(), 2u);
    EXPECT_EQ(store.sounds()[0].name, "Bell");
    EXPECT_EQ(store.sounds()[1].name, "Bell");
    EXPECT_NE(store.sounds()[0].fileURL, store.sounds()[1].fileURL);
}

TEST(SoundLibraryFlows, aSavedClipBecomesTheRulesSoundJoinsTheLibraryAndClosesTheEditor) {
    LogRecorder logs;
    std::vector<std::string> calls;
    ClipFromSongFlow flow(logs.fn(),
                          {[&](const SoundRef& sound, const std::optional<std::string>& app) {
                               EXPECT_EQ(sound, SoundRef::file(FileUrl::fromPath("/s/U.m4a")));
                               calls.push_back("sound for " + app.value_or("-"));
                           },
                           [&](const std::string& name, const FileUrl& file) {
                               EXPECT_EQ(file.path(), "/s/U.m4a");
                               calls.push_back("library " + name);
                           },
                           [&] { calls.push_back("close"); }});
    flow.clipSaved("/s/U.m4a", "Song (1:05\u20131:08)", std::nullopt);
    EXPECT_EQ(calls,
              (std::vector<std::string>{"sound for -", "library Song (1:05\u20131:08)", "close"}));
    EXPECT_EQ(logs.lines, (std::vector<std::string>{"[clip] set All other apps \u2192 U.m4a"}));
}

} // namespace
} // namespace corvale
