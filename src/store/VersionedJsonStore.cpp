#include "store/VersionedJsonStore.h"

#include "core/AtomicFile.h"
#include "core/Rule.h"

#include <nlohmann/json.hpp>

namespace corvale {

using nlohmann::json;

namespace {

constexpr const char* problemsName = "problems";

// The system's words at the end of an error ("...: Read-only file system"), without the paths the
// log line carries.
std::string plainReason(const std::string& error) {
    auto colon = error.rfind(": ");
    return colon == std::string::npos ? error : error.substr(colon + 2);
}

} // namespace

VersionedJsonStore::VersionedJsonStore(Traits traits, std::filesystem::path fileURL, LogFn log)
    : traits_(std::move(traits)), fileURL_(std::move(fileURL)), log_(std::move(log)) {}

void VersionedJsonStore::log(const std::string& line) const {
    if (log_) {
        log_(line);
    }
}

void VersionedJsonStore::notice(const std::string& line) const {
    if (notice_) {
        notice_(line);
    }
}

Subscription VersionedJsonStore::observeProblems(std::function<void()> onChange) const {
    return problemObservers_.observe(problemsName, std::move(onChange));
}

void VersionedJsonStore::problemsChanged() const {
    problemObservers_.post(problemsName);
}

void VersionedJsonStore::setLastBytes(std::string bytes) {
    lastBytes_ = std::move(bytes);
    lastStamp_ = fileStamp(fileURL_);
}

std::string encodeWrapper(const std::string& listKey, const json& list, std::int64_t version) {
    // nlohmann's objects are ordered maps, so every object's keys come out sorted.
    json wrapper = {{listKey, list}, {"version", version}};
    return wrapper.dump(2, ' ', false, json::error_handler_t::replace) + "\n";
}

json VersionedJsonStore::decodeWrapper(const std::string& bytes, std::int64_t& version) const {
    json wrapper;
    try {
        wrapper = json::parse(bytes);
    } catch (const json::exception& e) {
        throw DecodeError(e.what());
    }
    if (!wrapper.is_object()) {
        throw DecodeError("the file is not a JSON object");
    }
    auto versionIt = wrapper.find("version");
    if (versionIt == wrapper.end() || !versionIt->is_number_integer()) {
        throw DecodeError("key \"version\" missing or not an integer");
    }
    version = versionIt->get<std::int64_t>();
    auto listIt = wrapper.find(traits_.listKey);
    if (listIt == wrapper.end() || !listIt->is_array()) {
        throw DecodeError("key \"" + traits_.listKey + "\" missing or not an array");
    }
    return std::move(*listIt);
}

void VersionedJsonStore::load() {
    std::error_code ec;
    if (!std::filesystem::exists(std::filesystem::symlink_status(fileURL_, ec))) {
        startEmpty();
        onMissingFile();
        return;
    }
    std::string error;
    std::int64_t version = 0;
    try {
        std::string bytes;
        if (!readWholeFile(fileURL_, bytes, error)) {
            throw DecodeError(error);
        }
        json list = decodeWrapper(bytes, version);
        installDecoded(list);
        setLastBytes(std::move(bytes));
    } catch (const std::exception& e) {
        error = e.what();
        startEmpty();
        if (backupCorruptFile(error)) {
            onBackedUp(error);
        } else {
            persistenceDisabled_ = true;
            onBackupFailed(error);
        }
        return;
    }
    onLoaded(version);
}

void VersionedJsonStore::onMissingFile() {
    log(traits_.tag + " no record at " + path() + " - starting empty");
}

void VersionedJsonStore::onLoaded(std::int64_t version) {
    log(traits_.tag + " loaded " + std::to_string(count()) + traits_.noun + " (schema v" +
        std::to_string(version) + ") from " + path());
}

void VersionedJsonStore::onBackedUp(const std::string& error) {
    log(traits_.tag + " could not read " + path() + " (" + error +
        ") - backed up and started empty");
}

void VersionedJsonStore::onBackupFailed(const std::string& error) {
    log(traits_.tag + " CORRUPT file at " + path() + " could NOT be backed up (" + error + ") - " +
        "empty in memory; NOT writing to disk to avoid destroying it");
}

bool VersionedJsonStore::backupCorruptFile(const std::string& readError) {
    auto move =
        moveCorruptFileAside(fileURL_, traits_.backupName, std::chrono::system_clock::now());
    movedAside_.push_back({fileURL_, move.moved ? move.backup : std::filesystem::path()});
    problemsChanged();
    if (!move.moved) {
        log(traits_.tag + " could not back up corrupt file: " + move.error);
        notice(traits_.tag + " could not read " + path() + " (" + readError +
               ") and could not move it aside (" + move.error +
               "); it is left as it is and nothing is saved until Corvale restarts");
        return false;
    }
    log(traits_.tag + " corrupt file backed up to " + move.backup.string());
    notice(traits_.tag + " could not read " + path() + " (" + readError + "); moved it to " +
           move.backup.string());
    return true;
}

void VersionedJsonStore::setAsideBrokenEdit() {
    const FileStamp now = fileStamp(fileURL_);
    if (!now.exists || now == lastStamp_) {
        return;
    }
    std::string bytes;
    std::string error;
    if (readWholeFile(fileURL_, bytes, error)) {
        if (bytes == lastBytes_) {
            lastStamp_ = now;
            return;
        }
        try {
            std::int64_t version = 0;
            checkDecodes(decodeWrapper(bytes, version));
            return;
        } catch (const std::exception& e) {
            error = e.what();
        }
    }
    log(traits_.tag + " " + path() + " changed on disk and does not read (" + error +
        ") - moving it aside before saving");
    if (!backupCorruptFile(error)) {
        persistenceDisabled_ = true;
    }
}

void VersionedJsonStore::setSaveError(std::string reason) {
    if (saveError_ != reason) {
        saveError_ = std::move(reason);
        problemsChanged();
    }
}

bool VersionedJsonStore::saveFailed(const std::string& error, const std::string& reason) {
    log(traits_.tag + " SAVE FAILED to " + path() + ": " + error);
    setSaveError(reason);
    return false;
}

bool VersionedJsonStore::save() {
    if (!persistenceDisabled_) {
        setAsideBrokenEdit();
    }
    if (persistenceDisabled_) {
        log(traits_.tag + " persistence disabled (corrupt file un-backed-up) - refusing to write " +
            path());
        setSaveError("it could not be read, so it is left untouched until Corvale restarts");
        return false;
    }
    std::string error;
    std::error_code ec;
    std::filesystem::create_directories(fileURL_.parent_path(), ec);
    if (ec) {
        return saveFailed(ec.message(), ec.message());
    }
    try {
        auto bytes = encodeWrapper(traits_.listKey, encodeList(), schemaVersion);
        if (!writeFileAtomically(fileURL_, bytes, error)) {
            return saveFailed(error, plainReason(error));
        }
        setLastBytes(std::move(bytes));
    } catch (const std::exception& e) {
        return saveFailed(e.what(), e.what());
    }
    setSaveError({});
    return true;
}

} // namespace corvale
