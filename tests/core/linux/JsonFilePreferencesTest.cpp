#include "core/linux/JsonFilePreferences.h"

#include "support/LogRecorder.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>
#include <sys/wait.h>
#include <unistd.h>

using namespace corvale;
using namespace corvale::test;
using nlohmann::json;

TEST(JsonFilePreferences, valuesKeepTheirTypesAndKeysStaySorted) {
    TempDir dir;
    auto file = dir / "Corvale" / "preferences.json";
    JsonFilePreferences prefs(file, nullptr);
    EXPECT_FALSE(prefs.has("soundsEnabled"));
    prefs.set("soundsEnabled", false);
    prefs.set("snoozeDurationMinutes", std::int64_t{60});
    prefs.set("snoozeDeadline", 1'780'000'000.0);
    prefs.set("accentTheme", std::string("custom:#00FF00"));
    prefs.remove("snoozeDurationMinutes");

    JsonFilePreferences reread(file, nullptr);
    EXPECT_EQ(reread.boolValue("soundsEnabled"), false);
    EXPECT_FALSE(reread.has("snoozeDurationMinutes"));
    EXPECT_EQ(reread.doubleValue("snoozeDeadline"), 1'780'000'000.0);
    EXPECT_FALSE(reread.integerValue("accentTheme"));
    json onDisk = json::parse(readFile(file));
    EXPECT_TRUE(onDisk["snoozeDeadline"].is_number_float())
        << "a time stays a floating-point number";
    std::string text = readFile(file);
    EXPECT_LT(text.find("accentTheme"), text.find("soundsEnabled"));
}

TEST(JsonFilePreferences, writersInOtherProcessesAreSeenAndNotLost) {
    TempDir dir;
    auto file = dir / "preferences.json";
    JsonFilePreferences running(file, nullptr);
    running.set("soundsEnabled", true);
    EXPECT_EQ(running.boolValue("focusFilterSilencing"), std::nullopt);

    // Many processes each write their own key at once: the lock keeps every write.
    std::vector<pid_t> children;
    for (int i = 0; i < 8; ++i) {
        pid_t child = fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            JsonFilePreferences other(file, nullptr);
            for (int round = 0; round < 20; ++round) {
                other.set("key" + std::to_string(i), std::int64_t{round});
            }
            _exit(0);
        }
        children.push_back(child);
    }
    for (pid_t child : children) {
        int status = 0;
        waitpid(child, &status, 0);
        ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    }
    for (int i = 0; i < 8; ++i) {
        EXPECT_EQ(running.integerValue("key" + std::to_string(i)), 19) << "key" << i;
    }
    EXPECT_EQ(running.boolValue("soundsEnabled"), true);

    // The running program's own next write keeps what the others wrote.
    running.set("focusFilterSilencing", true);
    EXPECT_EQ(json::parse(readFile(file))["key3"], 19);
}

TEST(JsonFilePreferences, unreadableFileIsMovedAsideNeverOverwritten) {
    TempDir dir;
    LogRecorder log;
    LogRecorder notices;
    auto file = dir / "preferences.json";
    writeFile(file, "{\"soundsEnabled\": fals");
    JsonFilePreferences prefs(file, log.fn(), notices.fn());
    EXPECT_FALSE(prefs.has("soundsEnabled")) << "the defaults apply";
    EXPECT_EQ(readFile(dir / "preferences.corrupt.json"), "{\"soundsEnabled\": fals");
    EXPECT_TRUE(log.contains("moved to"));

    prefs.set("flashRepeat", std::int64_t{2});
    EXPECT_EQ(json::parse(readFile(file)), json({{"flashRepeat", 2}}));

    // Corrupted again behind our back: moved aside again before the next write.
    writeFile(file, "[1, 2");
    prefs.set("flashRepeat", std::int64_t{3});
    EXPECT_EQ(readFile(dir / "preferences.corrupt.json"), "[1, 2");
    EXPECT_EQ(prefs.integerValue("flashRepeat"), 3);

    std::vector<std::string> earlier;
    for (const auto& entry : std::filesystem::directory_iterator(dir.path())) {
        if (entry.path().filename().string().starts_with("preferences.corrupt-")) {
            earlier.push_back(readFile(entry.path()));
        }
    }
    EXPECT_EQ(earlier, std::vector<std::string>{"{\"soundsEnabled\": fals"})
        << "the first bad file survives the second";
    ASSERT_EQ(notices.lines.size(), 2u);
    EXPECT_NE(notices.lines[1].find("; moved it to " + (dir / "preferences.corrupt.json").string()),
              std::string::npos)
        << notices.lines[1];
}
