#include "detect/ObservedAppsStore.h"

#include "support/LogRecorder.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

namespace corvale {
namespace {

using nlohmann::json;
using test::LogRecorder;
using test::readFile;
using test::TempDir;
using test::writeFile;

using Names = std::vector<std::string>;

struct ObservedAppsStoreTest : ::testing::Test {
    TempDir dir;
    LogRecorder logs;
    std::filesystem::path file = ObservedAppsStore::defaultFileURL(dir.path());

    std::unique_ptr<ObservedAppsStore> loaded(const std::filesystem::path& at) {
        auto store = std::make_unique<ObservedAppsStore>(at, logs.fn());
        store->load();
        return store;
    }
    std::unique_ptr<ObservedAppsStore> loaded() { return loaded(file); }
    Names appsOnDisk() const { return json::parse(readFile(file))["apps"].get<Names>(); }
};

TEST_F(ObservedAppsStoreTest, keepsTheFirstSpellingOfEachNameKey) {
    auto store = loaded();
    EXPECT_FALSE(store->observe(" \n\t")) << "a blank name is no app";
    EXPECT_FALSE(std::filesystem::exists(file));

    EXPECT_TRUE(store->observe("  Slack\n"));
    EXPECT_TRUE(store->observe("Mail"));
    auto written = readFile(file);
    EXPECT_FALSE(store->observe(" SLACK "));
    EXPECT_EQ(readFile(file), written) << "a known app writes nothing";

    EXPECT_EQ(store->apps(), (Names{"Slack", "Mail"}));
    EXPECT_TRUE(store->contains("slack"));
    EXPECT_FALSE(store->contains("Notes"));
    EXPECT_EQ(loaded()->apps(), (Names{"Slack", "Mail"}));
    EXPECT_TRUE(logs.contains("[observed] no record at " + file.string() + " - starting empty"));
}

TEST_F(ObservedAppsStoreTest, loadCleansDuplicatesAndBlanksWithoutWriting) {
    auto original = R"({"apps": [" Zoom ", "", "zoom", "Teams", "  "], "version": 3})";
    writeFile(file, original);
    auto store = loaded();
    EXPECT_EQ(store->apps(), (Names{"Zoom", "Teams"}));
    EXPECT_TRUE(
        logs.contains("[observed] loaded 2 observed app(s) (schema v3) from " + file.string()));
    EXPECT_EQ(readFile(file), original);

    EXPECT_TRUE(store->observe("Notes"));
    EXPECT_EQ(appsOnDisk(), (Names{"Zoom", "Teams", "Notes"}));
    EXPECT_EQ(json::parse(readFile(file))["version"], 1);
}

TEST_F(ObservedAppsStoreTest, aNameThatIsNotTextMakesTheFileUnreadable) {
    writeFile(file, R"({"apps": ["Slack", 42], "version": 1})");
    auto store = loaded();
    EXPECT_TRUE(store->apps().empty());
    EXPECT_TRUE(std::filesystem::exists(dir / "observedApps.corrupt.json"));
}

TEST_F(ObservedAppsStoreTest, pastTheCapTheEarliestNamesMakeRoom) {
    json apps = json::array();
    for (size_t i = 0; i < ObservedAppsStore::maxApps + 5; ++i) {
        apps.push_back("App " + std::to_string(i));
    }
    writeFile(file, json{{"apps", apps}, {"version", 1}}.dump());
    auto store = loaded();
    ASSERT_EQ(store->apps().size(), ObservedAppsStore::maxApps)
        << "an oversized file keeps its latest names on load";
    EXPECT_EQ(store->apps().front(), "App 5");
    EXPECT_FALSE(store->contains("App 4"));

    EXPECT_TRUE(store->observe("Newcomer"));
    EXPECT_TRUE(store->observe("Another newcomer"));
    EXPECT_FALSE(store->observe("app 10")) << "a known name changes nothing";
    EXPECT_TRUE(store->contains("Newcomer"));
    EXPECT_FALSE(store->contains("App 6"));
    auto onDisk = appsOnDisk();
    ASSERT_EQ(onDisk.size(), ObservedAppsStore::maxApps);
    EXPECT_EQ(onDisk.front(), "App 7") << "the file keeps its first-seen order";
    EXPECT_EQ(onDisk.back(), "Another newcomer");
    EXPECT_EQ(logs.count("[observed] cap of 1000 apps reached - dropping the earliest"), 1u);
}

TEST_F(ObservedAppsStoreTest, aFailedSaveKeepsTheNameInMemory) {
    // The support folder cannot be created while a plain file sits where it should be.
    auto blocked = dir / "Corvale";
    writeFile(blocked, "not a folder");
    auto store = loaded(ObservedAppsStore::defaultFileURL(blocked));

    EXPECT_FALSE(store->observe("Mail"));
    EXPECT_TRUE(logs.contains("[observed] SAVE FAILED to "));
    EXPECT_EQ(store->apps(), (Names{"Mail"}));
    EXPECT_FALSE(store->observe("mail")) << "not retried until another app appears";

    std::filesystem::remove(blocked);
    EXPECT_TRUE(store->observe("Notes"));
    EXPECT_EQ(json::parse(readFile(ObservedAppsStore::defaultFileURL(blocked)))["apps"],
              json(Names{"Mail", "Notes"}));
}

} // namespace
} // namespace corvale
