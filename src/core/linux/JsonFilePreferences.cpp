#include "core/linux/JsonFilePreferences.h"

#include "core/AtomicFile.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <nlohmann/json.hpp>
#include <sys/file.h>
#include <unistd.h>

namespace corvale {

using nlohmann::json;

namespace {

bool sameFile(const struct stat& a, const struct stat& b) {
    return a.st_ino == b.st_ino && a.st_dev == b.st_dev && a.st_size == b.st_size &&
           a.st_mtim.tv_sec == b.st_mtim.tv_sec && a.st_mtim.tv_nsec == b.st_mtim.tv_nsec;
}

std::optional<PrefValue> fromJson(const json& value) {
    if (value.is_boolean()) {
        return value.get<bool>();
    }
    if (value.is_number_integer()) {
        return value.get<std::int64_t>();
    }
    if (value.is_number_float()) {
        return value.get<double>();
    }
    if (value.is_string()) {
        return value.get<std::string>();
    }
    return std::nullopt; // arrays, objects and nulls are not preference values
}

json toJson(const PrefValue& value) {
    return std::visit([](const auto& v) { return json(v); }, value);
}

// An exclusive lock on the lock file for the life of the object; writers in other processes wait.
class FileLock {
public:
    explicit FileLock(const std::filesystem::path& path) {
        fd_ = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
        if (fd_ >= 0) {
            while (::flock(fd_, LOCK_EX) != 0 && errno == EINTR) {
            }
        }
    }
    ~FileLock() {
        if (fd_ >= 0) {
            ::close(fd_);
        }
    }
    FileLock(const FileLock&) = delete;
    FileLock& operator=(const FileLock&) = delete;

private:
    int fd_ = -1;
};

} // namespace

JsonFilePreferences::JsonFilePreferences(std::filesystem::path file, LogFn log, LogFn notice)
    : file_(std::move(file)), log_(std::move(log)), notice_(std::move(notice)) {
    lockFile_ = file_.parent_path() / "preferences.lock";
    refreshIfChanged();
}

std::filesystem::path JsonFilePreferences::defaultFile(const std::filesystem::path& configFolder) {
    return configFolder / "preferences.json";
}

std::map<std::string, PrefValue> JsonFilePreferences::readFile() {
    std::map<std::string, PrefValue> values;
    std::string bytes;
    std::string error;
    std::error_code ec;
    if (!std::filesystem::exists(file_, ec)) {
        return values;
    }
    json object;
    bool readable = readWholeFile(file_, bytes, error);
    if (readable) {
        object = json::parse(bytes, nullptr, false);
        readable = object.is_object();
        if (!readable) {
            error = "not a JSON object";
        }
    }
    if (!readable) {
        auto move = moveCorruptFileAside(file_, "preferences.corrupt.json",
                                         std::chrono::system_clock::now());
        if (log_) {
            log_("[prefs] could not read " + file_.string() + " (" + error + ") - " +
                 (move.moved ? "moved to " + move.backup.string() + "; "
                             : "could not move it aside (" + move.error + "); ") +
                 "using defaults");
        }
        if (notice_ && move.moved) {
            notice_("[prefs] could not read " + file_.string() + " (" + error + "); moved it to " +
                    move.backup.string());
        }
        return values;
    }
    for (const auto& [key, value] : object.items()) {
        if (auto converted = fromJson(value)) {
            values[key] = *converted;
        }
    }
    return values;
}

void JsonFilePreferences::refreshIfChanged() {
    struct stat now {};
    if (::stat(file_.c_str(), &now) != 0) {
        if (haveSeen_ || values_.size() > 0) {
            values_.clear();
        }
        haveSeen_ = false;
        return;
    }
    if (haveSeen_ && sameFile(now, seen_)) {
        return;
    }
    values_ = readFile();
    haveSeen_ = ::stat(file_.c_str(), &seen_) == 0;
}

std::optional<PrefValue> JsonFilePreferences::value(const std::string& key) {
    refreshIfChanged();
    auto found = values_.find(key);
    if (found == values_.end()) {
        return std::nullopt;
    }
    return found->second;
}

void JsonFilePreferences::set(const std::string& key, const PrefValue& value) {
    change(key, value);
}

void JsonFilePreferences::remove(const std::string& key) {
    change(key, std::nullopt);
}

// Keeps a change for this run when the disk refused it.
void JsonFilePreferences::keepInMemory(const std::string& key,
                                       const std::optional<PrefValue>& value) {
    if (value) {
        values_[key] = *value;
    } else {
        values_.erase(key);
    }
}

void JsonFilePreferences::change(const std::string& key, const std::optional<PrefValue>& value) {
    std::error_code ec;
    std::filesystem::create_directories(file_.parent_path(), ec);
    FileLock lock(lockFile_);
    // Another process may have written since we last looked: start from what is on disk now, but
    // keep the whole raw object so keys we do not know (or of other types) survive.
    json object = json::object();
    if (std::filesystem::exists(file_, ec)) {
        std::string bytes;
        std::string error;
        auto parsed =
            readWholeFile(file_, bytes, error) ? json::parse(bytes, nullptr, false) : json();
        if (parsed.is_object()) {
            object = std::move(parsed);
        } else {
            readFile(); // moves the unreadable file aside
            if (std::filesystem::exists(file_, ec)) {
                if (log_) {
                    log_("[prefs] not writing \"" + key + "\": " + file_.string() +
                         " is unreadable and could not be moved aside");
                }
                keepInMemory(key, value);
                return;
            }
        }
    }
    if (value) {
        object[key] = toJson(*value);
    } else {
        object.erase(key);
    }
    std::string error;
    if (!writeFileAtomically(
            file_, object.dump(2, ' ', false, json::error_handler_t::replace) + "\n", error)) {
        if (log_) {
            log_("[prefs] could not write " + file_.string() + ": " + error);
        }
        keepInMemory(key, value);
        return;
    }
    values_.clear();
    for (const auto& [k, v] : object.items()) {
        if (auto converted = fromJson(v)) {
            values_[k] = *converted;
        }
    }
    haveSeen_ = ::stat(file_.c_str(), &seen_) == 0;
}

} // namespace corvale
