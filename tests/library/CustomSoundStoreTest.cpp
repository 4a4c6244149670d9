#include "library/CustomSoundStore.h"

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

struct CustomSoundStoreTest : ::testing::Test {
    TempDir dir;
    LogRecorder logs;
    std::filesystem::path file = CustomSoundStore::defaultFileURL(dir.path());

    std::unique_ptr<CustomSoundStore> loaded() {
        auto store = std::make_unique<CustomSoundStore>(file, logs.fn());
        store->load();
        return store;
    }
    CustomSound sound(const std::string& name, const std::string& path) {
        return {Uuid::random(), name, FileUrl::fromPath(path)};
    }
};

TEST_F(CustomSoundStoreTest, entriesRoundTripWithEncodedPaths) {
    auto store = loaded();
    EXPECT_TRUE(logs.contains("[sounds] no library at " + file.string() + " - starting empty"));
    EXPECT_FALSE(std::filesystem::exists(file));

    auto bell = sound("Kirchenglocke", "/home/me/My Sounds/Kl\u00E4nge/Bell ring.m4a");
    ASSERT_TRUE(store->add(bell));
    auto onDisk = json::parse(readFile(file));
    EXPECT_EQ(onDisk["sounds"][0]["fileURL"],
              "file:///home/me/My%20Sounds/Kl%C3%A4nge/Bell%20ring.m4a");
    EXPECT_EQ(onDisk["sounds"][0]["id"], bell.id.str());
    EXPECT_EQ(onDisk["sounds"][0]["name"], "Kirchenglocke");

    auto reloaded = loaded();
    ASSERT_EQ(reloaded->sounds().size(), 1u);
    EXPECT_EQ(reloaded->sounds()[0].fileURL.path(), bell.fileURL.path());
    EXPECT_EQ(reloaded->sounds()[0], bell);
    EXPECT_TRUE(
        logs.contains("[sounds] loaded 1 custom sound(s) (schema v1) from " + file.string()));
}

TEST_F(CustomSoundStoreTest, duplicateIdsAreRenewedOnLoadSoAnEditReachesOneEntry) {
    auto bell = sound("Bell", "/s/bell.m4a");
    auto horn = sound("Horn", "/s/horn.m4a");
    horn.id = bell.id;
    writeFile(file, json{{"sounds", {toJson(bell), toJson(horn)}}, {"version", 1}}.dump());
    auto store = loaded();
    ASSERT_EQ(store->sounds().size(), 2u);
    EXPECT_NE(store->sounds()[1].id, bell.id);
    EXPECT_EQ(
        logs.count("[sounds] duplicate id " + bell.id.str() + " (Horn) - given the fresh id "), 1u);
    EXPECT_TRUE(store->rename(store->sounds()[1].id, "Horn 2"));
    EXPECT_EQ(loaded()->sounds()[0], bell);
}

TEST_F(CustomSoundStoreTest, aSecondEntryForTheSameFileIsIgnored) {
    auto store = loaded();
    EXPECT_TRUE(store->add(sound("Bell", "/data/Sounds/bell.m4a")));
    auto written = readFile(file);
    EXPECT_FALSE(store->add(sound("Bell again", "/data/Sounds/./bell.m4a")));
    EXPECT_FALSE(store->add(sound("Bell too", "/data/Other/../Sounds/bell.m4a")));
    EXPECT_EQ(store->sounds().size(), 1u);
    EXPECT_EQ(readFile(file), written);

    EXPECT_TRUE(store->add(sound("Bell", "/data/Sounds/bell-2.m4a"))) << "same name, other file";
    EXPECT_EQ(store->sounds().back().fileURL.path(), "/data/Sounds/bell-2.m4a");
}

TEST_F(CustomSoundStoreTest, renameAndRemoveFindEntriesById) {
    auto store = loaded();
    auto bell = sound("Bell", "/data/Sounds/bell.m4a");
    auto horn = sound("Horn", "/data/Sounds/horn.m4a");
    store->add(bell);
    store->add(horn);
    auto written = readFile(file);

    EXPECT_FALSE(store->rename(Uuid::random(), "Gong"));
    EXPECT_FALSE(store->remove(Uuid::random()));
    EXPECT_EQ(readFile(file), written) << "an unknown id writes nothing";

    EXPECT_TRUE(store->rename(horn.id, "Fog horn"));
    EXPECT_TRUE(store->remove(bell.id));
    auto reloaded = loaded();
    ASSERT_EQ(reloaded->sounds().size(), 1u);
    EXPECT_EQ(reloaded->sounds()[0].name, "Fog horn");
    EXPECT_EQ(reloaded->sounds()[0].id, horn.id);
}

TEST_F(CustomSoundStoreTest, anEntryThatDoesNotDecodeMakesTheFileUnreadable) {
    const std::string id = "0F8FAD5B-D9CB-469F-A165-70867728950E";
    for (const std::string& entry : std::vector<std::string>{
             R"({"id": ")" + id + R"(", "name": "Bell"})",
             R"({"fileURL": "file:///a.m4a", "name": "Bell"})",
             R"({"fileURL": "file:///a.m4a", "id": ")" + id + R"("})",
             R"({"fileURL": "/a.m4a", "id": ")" + id + R"(", "name": "Bell"})",
             R"({"fileURL": "file:///a%2.m4a", "id": ")" + id + R"(", "name": "Bell"})",
             R"({"fileURL": "file:///a.m4a", "id": "not-a-uuid", "name": "Bell"})",
             R"({"fileURL": "file:///a.m4a", "id": ")" + id + R"(", "name": 5})",
         }) {
        auto contents = R"({"sounds": [{"fileURL": "file:///ok.m4a", "id": ")" + id +
                        R"(", "name": "Fine"}, )" + entry + R"(], "version": 1})";
        writeFile(file, contents);
        auto store = loaded();
        EXPECT_TRUE(store->sounds().empty()) << entry;
        EXPECT_EQ(readFile(dir / "customSounds.corrupt.json"), contents) << entry;
    }
}

} // namespace
} // namespace corvale
