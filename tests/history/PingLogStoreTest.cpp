#include "history/PingLogStore.h"

#include "support/LogRecorder.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

namespace corvale {
namespace {

using namespace std::chrono;
using nlohmann::json;
using test::LogRecorder;
using test::readFile;
using test::TempDir;
using test::writeFile;

TimePoint at(int day, int hour, int minute = 0, int second = 0) {
    return TimePoint(sys_days{2026y / March / day} + hours{hour} + minutes{minute} +
                     seconds{second});
}

std::vector<std::string> names(const std::vector<PingRecord>& records) {
    std::vector<std::string> out;
    for (const auto& r : records) {
        out.push_back(r.appName);
    }
    return out;
}

std::string pingFile(const std::string& records) {
    return R"({"records": [)" + records + R"(], "version": 1})";
}

struct PingLogStoreTest : ::testing::Test {
    TempDir dir;
    LogRecorder logs;
    std::filesystem::path file = PingLogStore::defaultFileURL(dir.path());

    std::unique_ptr<PingLogStore> loaded() {
        auto store = std::make_unique<PingLogStore>(file, logs.fn());
        store->load();
        return store;
    }
};

TEST_F(PingLogStoreTest, keepsTheLast50) {
    auto store = loaded();
    for (int i = 0; i < 51; ++i) {
        ASSERT_TRUE(store->record("App " + std::to_string(i), at(1, 10, i), std::nullopt));
    }
    ASSERT_EQ(store->records().size(), 50u);
    EXPECT_EQ(store->records().front().appName, "App 1");
    EXPECT_EQ(store->records().back().appName, "App 50");
    EXPECT_EQ(json::parse(readFile(file))["records"].size(), 50u);
}

TEST_F(PingLogStoreTest, ageIsMeasuredFromTheNewestRecord) {
    auto store = loaded();
    store->record("Early", at(1, 10), std::nullopt);
    store->record("Late", at(1, 20), std::nullopt);
    store->record("Next day", at(2, 10, 30), std::nullopt);
    EXPECT_EQ(names(store->records()), (std::vector<std::string>{"Late", "Next day"}));

    // An older alert arriving late stays where it was appended when it is within the day...
    store->record("Straggler", at(1, 11), std::nullopt);
    EXPECT_EQ(names(store->records()), (std::vector<std::string>{"Late", "Next day", "Straggler"}));
    // ...and is dropped at once when it is not.
    store->record("Too old", at(1, 10, 29), std::nullopt);
    EXPECT_EQ(names(store->records()), (std::vector<std::string>{"Late", "Next day", "Straggler"}));
    // Exactly 24 hours before the newest is still kept.
    store->record("Boundary", at(1, 10, 30), std::nullopt);
    EXPECT_EQ(store->records().back().appName, "Boundary");
}

TEST_F(PingLogStoreTest, prunedFindsTheNewestAnywhereAndKeepsListOrder) {
    std::vector<PingRecord> records = {
        {"A", at(1, 8, 59), std::nullopt},
        {"Newest", at(2, 9), std::nullopt},
        {"B", at(1, 12), std::nullopt},
        {"C", at(1, 8), std::nullopt},
    };
    EXPECT_EQ(names(PingLogStore::pruned(records, 50, hours{24})),
              (std::vector<std::string>{"Newest", "B"}));
    EXPECT_EQ(names(PingLogStore::pruned(records, 2, hours{48})),
              (std::vector<std::string>{"B", "C"}))
        << "the count limit drops from the front, not the oldest";
    EXPECT_TRUE(PingLogStore::pruned({}, 50, hours{24}).empty());
}

TEST_F(PingLogStoreTest, oldHistoryLoadsWholeAndBlankNamesAreDropped) {
    // A day of alerts a week before "now": age counts from the newest record, not from the clock.
    std::string records;
    for (int hour = 0; hour < 24; ++hour) {
        records += R"({"appName": " Mail ", "timestamp": "2020-01-01T)" +
                   std::string(hour < 10 ? "0" : "") + std::to_string(hour) + R"(:00:00Z"},)";
    }
    records += R"({"appName": " \n ", "timestamp": "2020-01-01T23:30:00Z"})";
    auto original = pingFile(records);
    writeFile(file, original);

    auto store = loaded();
    EXPECT_EQ(store->records().size(), 24u) << "a whole day, long ago; the blank name is dropped";
    EXPECT_EQ(store->records().front().appName, " Mail ") << "stored names are not rewritten";
    EXPECT_TRUE(logs.contains("[pinglog] loaded 24 ping(s) (schema v1) from " + file.string()));
    EXPECT_EQ(readFile(file), original) << "load does not save";
}

TEST_F(PingLogStoreTest, timestampsAreStoredAsWholeUtcSeconds) {
    auto store = loaded();
    store->record("Slack", at(1, 9, 5) + 750ms, std::nullopt);
    store->record("Mail", at(1, 9, 6), "Hello");
    auto onDisk = json::parse(readFile(file));
    EXPECT_EQ(onDisk["records"][0], json::parse(R"({"appName": "Slack",
                                                    "timestamp": "2026-03-01T09:05:00Z"})"))
        << "no preview key when there is no preview";
    EXPECT_EQ(onDisk["records"][1]["preview"], "Hello");

    auto reloaded = loaded();
    ASSERT_EQ(reloaded->records().size(), 2u);
    EXPECT_EQ(reloaded->records()[0].timestamp, at(1, 9, 5));
    EXPECT_EQ(reloaded->records()[1].preview, "Hello");
}

TEST_F(PingLogStoreTest, aTimestampInAnotherFormMakesTheFileUnreadable) {
    auto corrupt = pingFile(R"({"appName": "Slack", "timestamp": "2026-03-01T09:05:00Z"},
                    {"appName": "Mail", "timestamp": "2026-03-01T09:06:00.000Z"})");
    writeFile(file, corrupt);
    auto store = loaded();
    EXPECT_TRUE(store->records().empty()) << "one bad record spoils the whole file";
    EXPECT_EQ(readFile(dir / "pingHistory.corrupt.json"), corrupt);
    EXPECT_TRUE(logs.contains("- backed up and started empty"));
    EXPECT_FALSE(std::filesystem::exists(file));
}

TEST_F(PingLogStoreTest, recordTrimsTheNameAndIgnoresBlankOnes) {
    auto store = loaded();
    EXPECT_FALSE(store->record(" \n\t", at(1, 9), std::nullopt));
    EXPECT_TRUE(store->records().empty());
    EXPECT_FALSE(std::filesystem::exists(file));
    EXPECT_TRUE(store->record("  Slack\n", at(1, 9), std::nullopt));
    EXPECT_EQ(store->records().at(0).appName, "Slack");
}

TEST_F(PingLogStoreTest, forgetMatchesByNameKey) {
    auto store = loaded();
    store->record("Slack", at(1, 9), std::nullopt);
    store->record("Mail", at(1, 10), std::nullopt);
    store->record("SLACK", at(1, 11), std::nullopt);
    writeFile(file, "sentinel");

    EXPECT_TRUE(store->forget("   "));
    EXPECT_TRUE(store->forget("Notes"));
    EXPECT_EQ(readFile(file), "sentinel") << "nothing removed, nothing written";

    EXPECT_TRUE(store->forget("  slack "));
    EXPECT_EQ(names(store->records()), (std::vector<std::string>{"Mail"}));
    EXPECT_EQ(json::parse(readFile(file))["records"].size(), 1u);
}

TEST_F(PingLogStoreTest, clearWritesOnlyWhenThereWasHistory) {
    auto store = loaded();
    EXPECT_TRUE(store->clear());
    EXPECT_FALSE(std::filesystem::exists(file));

    store->record("Slack", at(1, 9), std::nullopt);
    EXPECT_TRUE(store->clear());
    EXPECT_TRUE(store->records().empty());
    EXPECT_EQ(json::parse(readFile(file)), json::parse(pingFile("")));
}

} // namespace
} // namespace corvale
