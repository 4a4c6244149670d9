// Every data file Corvale writes (the four stores and the preferences) under the faults a desktop
// really meets: the writer killed at any moment, a full disk and a read-only data folder. The file
// on disk is always one complete version, and a write that did not happen says so in the log.

#include "core/linux/JsonFilePreferences.h"
#include "detect/ObservedAppsStore.h"
#include "history/PingLogStore.h"
#include "library/CustomSoundStore.h"
#include "store/RuleStore.h"

#include "support/LogRecorder.h"
#include "support/TempDir.h"

#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>
#include <random>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace corvale {
namespace {

using test::LogRecorder;
using test::readFile;
using test::TempDir;
using test::writeFile;

// A text whose length swings between edits, so a torn write could not still parse by chance.
std::string sized(int edit, size_t step) {
    return std::string(1 + static_cast<size_t>(edit % 7) * step,
                       static_cast<char>('a' + edit % 26));
}

// One data file behind the operations the faults need.
class DataFile {
public:
    virtual ~DataFile() = default;
    // One edit a user could make, saved at once; false when the program reported it unsaved.
    virtual bool edit(int n) = 0;
    // The store behind it; none for the preferences.
    virtual const VersionedJsonStore* store() const { return nullptr; }
};

template <class Store> class StoreFile : public DataFile {
public:
    StoreFile(const std::filesystem::path& file, LogFn log) : store_(file, std::move(log)) {
        store_.load();
    }
    const VersionedJsonStore* store() const override { return &store_; }

protected:
    Store store_;
};

class Rules : public StoreFile<RuleStore> {
public:
    using StoreFile::StoreFile;
    bool edit(int n) override {
        Rule rule = Rule::fallback();
        rule.appBundleId = "org.example." + sized(n, 900);
        rule.appDisplayName = sized(n, 900);
        if (store_.rules().size() > 30) {
            store_.remove(store_.rules()[1].id);
        }
        return store_.upsert(rule);
    }
};

class Sounds : public StoreFile<CustomSoundStore> {
public:
    using StoreFile::StoreFile;
    bool edit(int n) override {
        if (store_.sounds().size() > 30) {
            store_.remove(store_.sounds()[0].id);
        }
        return store_.add({Uuid::random(), sized(n, 900),
                           FileUrl::fromPath("/sounds/" + std::to_string(n) + sized(n, 100))});
    }
};

class ObservedApps : public StoreFile<ObservedAppsStore> {
public:
    using StoreFile::StoreFile;
    // Names stay short: the list keeps every one up to its cap.
    bool edit(int n) override { return store_.observe(std::to_string(n) + sized(n, 60)); }
};

class History : public StoreFile<PingLogStore> {
public:
    using StoreFile::StoreFile;
    bool edit(int n) override { return store_.record("App", Clock::now(), sized(n, 900)); }
};

class Prefs : public DataFile {
public:
    Prefs(const std::filesystem::path& file, LogFn log)
        : log_(std::move(log)), prefs_(file, [this](const std::string& line) {
              failed_ = failed_ || line.find("could not write") != std::string::npos;
              if (log_) {
                  log_(line);
              }
          }) {}
    // The preferences report a failed write only in their log.
    bool edit(int n) override {
        failed_ = false;
        prefs_.set("accentTheme", sized(n, 900));
        return !failed_;
    }

private:
    LogFn log_;
    bool failed_ = false;
    JsonFilePreferences prefs_;
};

// Files a data file may have beside it: the preferences' lock, and the test's own filler.
bool belongsBeside(const std::filesystem::path& entry) {
    return entry.filename() == "preferences.lock" || entry.filename() == "filler";
}

struct Kind {
    std::string name;
    std::string fileName;
    // The log line's start when a write failed.
    std::string failureLine;
    std::function<std::unique_ptr<DataFile>(const std::filesystem::path&, LogFn)> open;
    // True when the bytes are a whole file this kind of file reads without moving it aside.
    bool readsWhole(const std::string& bytes) const {
        if (!nlohmann::json::parse(bytes, nullptr, false).is_object()) {
            return false;
        }
        TempDir copy;
        writeFile(copy / fileName, bytes);
        open(copy / fileName, nullptr);
        for (const auto& entry : std::filesystem::directory_iterator(copy.path())) {
            if (entry.path().filename() != fileName && !belongsBeside(entry.path())) {
                return false; // moved aside as unreadable
            }
        }
        return true;
    }
};

template <class T> Kind kind(std::string name, std::string fileName, std::string failureLine) {
    return {std::move(name), std::move(fileName), std::move(failureLine),
            [](const std::filesystem::path& file, LogFn log) -> std::unique_ptr<DataFile> {
                return std::make_unique<T>(file, std::move(log));
            }};
}

const Kind kinds[] = {
    kind<Rules>("Rules", RuleStore::fileName, "[rules] SAVE FAILED to "),
    kind<Sounds>("CustomSounds", CustomSoundStore::fileName, "[sounds] SAVE FAILED to "),
    kind<ObservedApps>("ObservedApps", ObservedAppsStore::fileName, "[observed] SAVE FAILED to "),
    kind<History>("PingHistory", PingLogStore::fileName, "[pinglog] SAVE FAILED to "),
    kind<Prefs>("Preferences", "preferences.json", "[prefs] could not write "),
};

// A file system mounted for one test and detached at its end.
class Mount {
public:
    Mount(const std::filesystem::path& target, const char* source, const char* type,
          unsigned long flags, const char* options)
        : target_(target) {
        mounted_ = ::mount(source, target.c_str(), type, flags, options) == 0;
        error_ = mounted_ ? "" : std::strerror(errno);
    }
    ~Mount() {
        if (mounted_) {
            ::umount2(target_.c_str(), MNT_DETACH);
        }
    }
    Mount(const Mount&) = delete;
    Mount& operator=(const Mount&) = delete;
    bool mounted() const { return mounted_; }
    const std::string& error() const { return error_; }
    bool remountReadOnly() {
        if (::mount(nullptr, target_.c_str(), nullptr, MS_REMOUNT | MS_BIND | MS_RDONLY, nullptr) !=
            0) {
            error_ = std::strerror(errno);
            return false;
        }
        return true;
    }

private:
    std::filesystem::path target_;
    bool mounted_ = false;
    std::string error_;
};

class DataFileFaults : public ::testing::TestWithParam<Kind> {
protected:
    TempDir dir;
    LogRecorder logs;

    // A file of this kind in folder with a few edits in it; returns its bytes.
    std::string seed(const std::filesystem::path& folder) {
        auto data = GetParam().open(folder / GetParam().fileName, nullptr);
        for (int n = 0; n < 3; ++n) {
            EXPECT_TRUE(data->edit(n));
        }
        return readFile(folder / GetParam().fileName);
    }
};

// A writer killed at any moment leaves a file that reads as one complete version, never a mix.
TEST_P(DataFileFaults, fileSurvivesAKillOfTheWriterAtAnyMoment) {
    const auto file = dir / GetParam().fileName;
    seed(dir.path());
    std::mt19937 random(12345);
    for (int round = 0; round < 30; ++round) {
        int ready[2];
        ASSERT_EQ(pipe(ready), 0);
        pid_t child = fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            close(ready[0]);
            auto data = GetParam().open(file, nullptr);
            // Killed only once it writes, so each round cuts into a save rather than the load.
            ssize_t written = write(ready[1], "w", 1);
            (void)written;
            for (int n = round * 1000;; ++n) {
                data->edit(n);
            }
        }
        close(ready[1]);
        char byte = 0;
        ASSERT_EQ(read(ready[0], &byte, 1), 1);
        close(ready[0]);
        std::this_thread::sleep_for(std::chrono::microseconds(random() % 20000));
        kill(child, SIGKILL);
        int status = 0;
        waitpid(child, &status, 0);
        ASSERT_TRUE(GetParam().readsWhole(readFile(file)))
            << "round " << round << ": the file is not one complete version";
    }
}

// On a full disk every save fails cleanly: the old file stays whole and the log says so.
TEST_P(DataFileFaults, aFullDiskKeepsTheOldFileAndSaysSo) {
    const auto folder = dir / "small";
    std::filesystem::create_directories(folder);
    Mount disk(folder, "tmpfs", "tmpfs", 0, "size=64k");
    if (!disk.mounted()) {
        GTEST_SKIP() << "cannot mount a small tmpfs here (" << disk.error()
                     << "); this test needs to run as root";
    }
    const auto before = seed(folder);
    {
        // Fill every block that is left.
        int fd = ::open((folder / "filler").c_str(), O_WRONLY | O_CREAT, 0600);
        ASSERT_GE(fd, 0);
        std::string block(4096, 'f');
        while (::write(fd, block.data(), block.size()) > 0) {
        }
        ::close(fd);
    }
    auto data = GetParam().open(folder / GetParam().fileName, logs.fn());
    for (int n = 10; n < 13; ++n) {
        EXPECT_FALSE(data->edit(n)) << "a save on a full disk reported success";
    }
    EXPECT_EQ(readFile(folder / GetParam().fileName), before);
    EXPECT_TRUE(logs.contains(GetParam().failureLine)) << "no failure line in the log";
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
        EXPECT_TRUE(entry.path().filename() == GetParam().fileName || belongsBeside(entry.path()))
            << entry.path() << " was left behind by a failed save";
    }
}

// A data folder mounted read-only: loading works, every save fails cleanly and says so.
TEST_P(DataFileFaults, aReadOnlyFolderKeepsTheFileAndSaysSo) {
    const auto writable = dir / "writable";
    const auto readOnly = dir / "read-only";
    std::filesystem::create_directories(writable);
    std::filesystem::create_directories(readOnly);
    const auto before = seed(writable);
    Mount bind(readOnly, writable.c_str(), nullptr, MS_BIND, nullptr);
    if (!bind.mounted()) {
        GTEST_SKIP() << "cannot bind-mount here (" << bind.error()
                     << "); this test needs to run as root";
    }
    // Root ignores file modes, so only a read-only mount really refuses the writes.
    ASSERT_TRUE(bind.remountReadOnly()) << bind.error();

    auto data = GetParam().open(readOnly / GetParam().fileName, logs.fn());
    EXPECT_FALSE(data->edit(20)) << "a save to a read-only folder reported success";
    EXPECT_EQ(readFile(writable / GetParam().fileName), before);
    EXPECT_TRUE(logs.contains(GetParam().failureLine)) << "no failure line in the log";
    if (data->store()) {
        EXPECT_EQ(data->store()->saveError(), "Read-only file system") << "what the user is told";
    }
}

// A named pipe in a data file's place is read without waiting for a writer, which would freeze
// the start-up, and the next save leaves a whole regular file there.
TEST_P(DataFileFaults, aNamedPipeInTheFilesPlaceNeitherHangsNorStopsTheNextSave) {
    const auto file = dir / GetParam().fileName;
    ASSERT_EQ(mkfifo(file.c_str(), 0600), 0);
    auto data = GetParam().open(file, logs.fn());
    EXPECT_TRUE(data->edit(1));
    EXPECT_TRUE(std::filesystem::is_regular_file(file));
    EXPECT_TRUE(nlohmann::json::parse(readFile(file), nullptr, false).is_object());
}

// The four data stores, without the preferences.
class DataStoreEdits : public DataFileFaults {};

// A hand edit that does not read is moved aside, as at start-up, before a save replaces it.
TEST_P(DataStoreEdits, aBrokenHandEditIsMovedAsideBeforeTheNextSave) {
    const auto file = dir / GetParam().fileName;
    seed(dir.path());
    auto data = GetParam().open(file, logs.fn());
    ASSERT_NE(data->store(), nullptr);
    const std::string typo = readFile(file) + ",";
    writeFile(file, typo);
    EXPECT_TRUE(data->edit(40));
    const auto backup = file.parent_path() / (file.stem().string() + ".corrupt.json");
    EXPECT_EQ(readFile(backup), typo);
    EXPECT_TRUE(GetParam().readsWhole(readFile(file)));
    ASSERT_EQ(data->store()->movedAside().size(), 1u);
    EXPECT_EQ(data->store()->movedAside()[0].backup, backup);
}

INSTANTIATE_TEST_SUITE_P(EveryDataFile, DataFileFaults, ::testing::ValuesIn(kinds),
                         [](const auto& test) { return test.param.name; });
INSTANTIATE_TEST_SUITE_P(EveryDataStore, DataStoreEdits,
                         ::testing::ValuesIn(std::begin(kinds), std::end(kinds) - 1),
                         [](const auto& test) { return test.param.name; });

} // namespace
} // namespace corvale
