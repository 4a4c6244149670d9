#include "store/RuleStore.h"

#include "core/AtomicFile.h"

#include "support/AppRule.h"
#include "support/LogRecorder.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>
#include <set>

using namespace corvale;
using namespace corvale::test;
using nlohmann::json;

namespace {

std::string wrapper(const json& rules, const json& version = 1) {
    return json{{"rules", rules}, {"version", version}}.dump();
}

// A folder so deep that the backup's longer name passes the system's path limit: the one move a
// store cannot make, whoever runs the test (root included).
std::filesystem::path folderWhereBackupIsImpossible(const std::filesystem::path& base) {
    auto folder = base;
    std::string segment(200, 'd');
    while (folder.string().size() + 1 + segment.size() + 1 + std::string("rules.json").size() <
           4080) {
        folder /= segment;
    }
    size_t pad = 4094 - (folder.string().size() + 1 + std::string("rules.json").size()) - 1;
    folder /= std::string(std::max<size_t>(pad, 1), 'p');
    std::filesystem::create_directories(folder);
    return folder;
}

struct RuleStoreTest : ::testing::Test {
    TempDir dir;
    LogRecorder log;
};
using RuleStoreMigration = RuleStoreTest;

} // namespace

TEST_F(RuleStoreTest, missingOrEmptyFileIsSeededWithTheDefaultRule) {
    auto file = dir / "sub" / "rules.json";
    RuleStore store(file, log.fn());
    store.load();
    ASSERT_EQ(store.rules().size(), 1u);
    EXPECT_TRUE(store.rules()[0].isDefault());
    EXPECT_TRUE(log.contains("[rules] no file at " + file.string() + " - seeding default"));
    json written = json::parse(readFile(file));
    EXPECT_EQ(written["version"], 1);
    EXPECT_EQ(written["rules"].size(), 1u);
    EXPECT_LT(readFile(file).find("\"rules\""), readFile(file).find("\"version\""))
        << "keys sorted";

    writeFile(file, wrapper(json::array()));
    RuleStore empty(file, log.fn());
    empty.load();
    EXPECT_EQ(empty.rules().size(), 1u);
    EXPECT_TRUE(log.contains("[rules] file had 0 rules - seeding default"));
    EXPECT_EQ(json::parse(readFile(file))["rules"].size(), 1u);
}

// Ids are made unique first: a default sharing an id with another must still collapse, and an
// edit of one app's rule must never replace another's.
TEST_F(RuleStoreTest, duplicateIdsAreRenewedAndDuplicateDefaultsCollapseToTheLastWithoutWriting) {
    Rule a = Rule::fallback(), b = Rule::fallback(), c = Rule::fallback(), slack = appRule("Slack");
    Rule mail = appRule("Mail");
    mail.id = slack.id;
    b.id = a.id;
    std::string contents =
        wrapper({toJson(a), toJson(slack), toJson(b), toJson(mail), toJson(c)}, 7);
    writeFile(dir / "rules.json", contents);
    RuleStore store(dir / "rules.json", log.fn());
    store.load();
    ASSERT_EQ(store.rules().size(), 3u);
    EXPECT_EQ(store.rules()[0].id, slack.id) << "the first keeps its id";
    EXPECT_EQ(store.rules()[1].appDisplayName, "Mail");
    EXPECT_NE(store.rules()[1].id, slack.id);
    EXPECT_EQ(store.rules()[2].id, c.id);
    EXPECT_EQ(log.count("[rules] duplicate id " + slack.id.str() + " (Mail) - given the fresh id "),
              1u);
    EXPECT_EQ(log.count("[rules] duplicate id "), 2u) << "one line per renewed id";
    EXPECT_TRUE(log.contains("[rules] collapsed 3 default (*) rules to 1"));
    EXPECT_TRUE(log.contains("[rules] loaded 3 rule(s) (schema v7) from "));
    EXPECT_EQ(readFile(dir / "rules.json"), contents) << "unchanged until the next save";

    Rule editedMail = store.rules()[1];
    editedMail.volume = 0.25;
    store.upsert(editedMail);
    RuleStore reloaded(dir / "rules.json", nullptr);
    reloaded.load();
    ASSERT_EQ(reloaded.rules().size(), 3u);
    EXPECT_EQ(reloaded.rules()[0], slack) << "Slack's rule is not overwritten by Mail's edit";
    EXPECT_EQ(reloaded.rules()[1], editedMail);
    EXPECT_EQ(json::parse(readFile(dir / "rules.json"))["version"], 1);
}

TEST_F(RuleStoreTest, upsertAndRemoveKeepOrderAndASingleDefault) {
    RuleStore store(dir / "rules.json", nullptr);
    store.load();
    Rule original = store.rules()[0];
    Rule slack = appRule("Slack");
    EXPECT_TRUE(store.upsert(slack));
    Rule edited = original;
    edited.volume = 0.5;
    EXPECT_TRUE(store.upsert(edited));
    ASSERT_EQ(store.rules().size(), 2u);
    EXPECT_EQ(store.rules()[0].volume, 0.5) << "replaced in place";

    Rule newDefault = Rule::fallback();
    EXPECT_TRUE(store.upsert(newDefault));
    ASSERT_EQ(store.rules().size(), 2u);
    EXPECT_EQ(store.rules()[0].id, slack.id);
    EXPECT_EQ(store.defaultRule()->id, newDefault.id);

    std::string before = readFile(dir / "rules.json");
    EXPECT_FALSE(store.remove(Uuid::random()));
    EXPECT_EQ(readFile(dir / "rules.json"), before);
    EXPECT_TRUE(store.remove(newDefault.id));
    EXPECT_FALSE(store.defaultRule());

    RuleStore reloaded(dir / "rules.json", nullptr);
    reloaded.load();
    EXPECT_EQ(reloaded.rules(), store.rules()) << "a file without default loads unchanged";
}

// Every file that went bad is still on disk: the newest as "rules.corrupt.json", the ones before
// it under dated names, of which the five newest are kept.
TEST_F(RuleStoreTest, unreadableFilesAreBackedUpWithoutLosingEarlierBackups) {
    LogRecorder notices;
    auto file = dir / "rules.json";
    std::vector<std::string> bad = {"{\"rules\": []}", "not json", wrapper({{{"id", "x"}}}),
                                    wrapper(json::array(), "1")};
    for (int i = 0; i < 4; ++i) {
        bad.push_back(wrapper({{{"id", "x"}, {"n", i}}}));
    }
    for (const auto& text : bad) {
        writeFile(file, text);
        RuleStore store(file, log.fn());
        store.setNotice(notices.fn());
        store.load();
        EXPECT_EQ(readFile(dir / "rules.corrupt.json"), text);
        EXPECT_EQ(store.rules().size(), 1u);
        EXPECT_FALSE(store.persistenceDisabled());
        EXPECT_EQ(json::parse(readFile(file))["rules"].size(), 1u) << "a fresh file is written";
    }
    std::multiset<std::string> dated;
    for (const auto& entry : std::filesystem::directory_iterator(dir.path())) {
        const auto name = entry.path().filename().string();
        if (name.starts_with("rules.corrupt-")) {
            dated.insert(readFile(entry.path()));
        }
    }
    // The eight files came in one test run, maybe within one second: then counters tell them apart.
    EXPECT_EQ(dated, std::multiset<std::string>(bad.begin() + 2, bad.end() - 1))
        << "the five backups before the newest are kept, the oldest two dropped";

    EXPECT_TRUE(
        log.contains("[rules] corrupt file backed up to " + (dir / "rules.corrupt.json").string()));
    EXPECT_TRUE(log.contains(" - backed up and seeded default"));
    ASSERT_EQ(notices.lines.size(), bad.size()) << "one line the user sees per file moved";
    EXPECT_EQ(notices.lines[1].rfind("[rules] could not read " + file.string() + " (", 0), 0u);
    EXPECT_NE(notices.lines[1].find("; moved it to " + (dir / "rules.corrupt.json").string()),
              std::string::npos)
        << notices.lines[1];
}

TEST_F(RuleStoreTest, datedBackupsTakeACounterAndForeignFilesAreNeverPruned) {
    auto when = std::chrono::system_clock::now();
    // Not ours, though they look close: the pruning must leave them alone.
    for (const char* name : {"rules.corrupt-notes.json", "rules.corrupt-2025.json",
                             "other.corrupt-20250101-000000.json"}) {
        writeFile(dir / name, name);
    }
    for (int i = 0; i < 8; ++i) {
        writeFile(dir / "rules.json", std::to_string(i));
        auto move = moveCorruptFileAside(dir / "rules.json", "rules.corrupt.json", when);
        ASSERT_TRUE(move.moved) << move.error;
        EXPECT_EQ(move.backup, dir / "rules.corrupt.json");
    }
    std::set<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(dir.path())) {
        names.insert(entry.path().filename().string());
    }
    std::string stamp;
    for (const auto& name : names) {
        if (name.starts_with("rules.corrupt-2") && name.ends_with("-7.json")) {
            stamp = name.substr(0, name.size() - 7);
        }
    }
    ASSERT_EQ(stamp.size(), std::string("rules.corrupt-20250314-093012").size()) << stamp;
    EXPECT_EQ(names,
              (std::set<std::string>{"rules.corrupt.json", stamp + "-3.json", stamp + "-4.json",
                                     stamp + "-5.json", stamp + "-6.json", stamp + "-7.json",
                                     "rules.corrupt-notes.json", "rules.corrupt-2025.json",
                                     "other.corrupt-20250101-000000.json"}));
    EXPECT_EQ(readFile(dir / "rules.corrupt.json"), "7");
    EXPECT_EQ(readFile(dir / (stamp + "-7.json")), "6");
    EXPECT_EQ(readFile(dir / (stamp + "-3.json")), "2");
}

TEST_F(RuleStoreTest, corruptFileThatCannotBeMovedIsNeverOverwritten) {
    auto file = folderWhereBackupIsImpossible(dir.path()) / "rules.json";
    const std::string corrupt = "{\"rules\": [ {\"half\": ";
    writeFile(file, corrupt);
    ASSERT_EQ(readFile(file), corrupt);

    RuleStore store(file, log.fn());
    store.load();
    EXPECT_TRUE(store.persistenceDisabled());
    EXPECT_EQ(store.rules().size(), 1u) << "the default rule is served from memory";
    EXPECT_TRUE(log.contains("[rules] could not back up corrupt file: "));
    EXPECT_TRUE(log.contains("could NOT be backed up"));
    EXPECT_FALSE(store.upsert(appRule("Slack")));
    EXPECT_TRUE(log.contains(
        "[rules] persistence disabled (corrupt file un-backed-up) - refusing to write " +
        file.string()));
    EXPECT_EQ(readFile(file), corrupt);

    // The same for a hand edit that breaks a file read well at start-up.
    writeFile(file, wrapper(json::array()));
    RuleStore edited(file, log.fn());
    edited.load();
    ASSERT_FALSE(edited.persistenceDisabled());
    writeFile(file, corrupt);
    EXPECT_FALSE(edited.upsert(appRule("Slack")));
    EXPECT_TRUE(edited.persistenceDisabled());
    EXPECT_EQ(readFile(file), corrupt);
    EXPECT_FALSE(edited.saveError().empty());
}

TEST_F(RuleStoreTest, saveFailureIsReportedAndKeepsRulesInMemory) {
    writeFile(dir / "blocker", "a file where the folder should be");
    RuleStore store(dir / "blocker" / "rules.json", log.fn());
    store.load();
    EXPECT_TRUE(log.contains("[rules] SAVE FAILED to "));
    EXPECT_FALSE(store.upsert(appRule("Slack")));
    EXPECT_EQ(store.rules().size(), 2u);
}

TEST_F(RuleStoreMigration, movesLegacyDataAndRewritesImportedSoundPaths) {
    auto legacy = dir / "Ostrel";
    auto current = dir / "Corvale";
    Rule withSound = appRule("Slack");
    withSound.sound =
        SoundRef::file(FileUrl::fromPath((legacy / "Sounds" / "My Tone.m4a").string()));
    Rule elsewhere = appRule("Mail");
    elsewhere.sound = SoundRef::file(FileUrl::fromPath("/music/Ostrel/x.wav"));
    writeFile(legacy / "rules.json", wrapper({toJson(withSound), toJson(elsewhere)}, 3));
    writeFile(legacy / "Sounds" / "My Tone.m4a", "audio");
    writeFile(legacy / "rules.corrupt.json", "old");

    EXPECT_TRUE(RuleStore::migrateSupportDir(legacy, current, log.fn()));
    EXPECT_FALSE(std::filesystem::exists(legacy));
    EXPECT_EQ(readFile(current / "Sounds" / "My Tone.m4a"), "audio");
    EXPECT_EQ(readFile(current / "rules.corrupt.json"), "old");
    json moved = json::parse(readFile(current / "rules.json"));
    EXPECT_EQ(moved["version"], 3) << "the rewrite keeps the version it read";
    EXPECT_EQ(moved["rules"][0]["sound"]["value"],
              FileUrl::fromPath((current / "Sounds" / "My Tone.m4a").string()).str());
    EXPECT_EQ(moved["rules"][1]["sound"]["value"], "file:///music/Ostrel/x.wav");
    EXPECT_TRUE(log.contains("[rules] migration: rewrote 1 imported-sound path(s) to Corvale"));
    EXPECT_TRUE(log.contains("[rules] migrated support dir: " + legacy.string() + " \u2192 " +
                             current.string()));

    writeFile(legacy / "rules.json", wrapper(json::array()));
    EXPECT_FALSE(RuleStore::migrateSupportDir(legacy, current, log.fn()))
        << "rules.json in both: nothing to do";
    EXPECT_TRUE(std::filesystem::exists(legacy / "rules.json"));
    EXPECT_FALSE(RuleStore::migrateSupportDir(dir / "None", dir / "Other", log.fn()));
}

TEST_F(RuleStoreMigration, itemThatCannotMoveKeepsTheLegacyFolder) {
    auto legacy = dir / "Ostrel";
    // In this folder "rules.json" fits the path limit but "rules.corrupt.json" does not.
    auto current = folderWhereBackupIsImpossible(dir / "deep");
    writeFile(legacy / "rules.json", wrapper(json::array()));
    writeFile(legacy / "rules.corrupt.json", "precious");

    EXPECT_TRUE(RuleStore::migrateSupportDir(legacy, current, log.fn()));
    EXPECT_TRUE(log.contains("[rules] migration: could not move rules.corrupt.json ("));
    EXPECT_EQ(readFile(legacy / "rules.corrupt.json"), "precious") << "nothing is lost";
    EXPECT_TRUE(std::filesystem::exists(current / "rules.json"));
}
