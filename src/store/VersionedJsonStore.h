#pragma once

#include "core/Log.h"

#include <cstdint>
#include <filesystem>
#include <nlohmann/json_fwd.hpp>
#include <string>

namespace corvale {

// The discipline every data file follows: {"<list key>": [...], "version": N}, pretty-printed with
// sorted keys, written whole and atomically after each change; an unreadable file is moved aside
// to its ".corrupt.json" backup (an older backup kept under a dated name), and when that move fails
// nothing is ever written over it.
class VersionedJsonStore {
public:
    struct Traits {
        std::string fileName;   // "rules.json"
        std::string backupName; // "rules.corrupt.json"
        std::string listKey;    // "rules"
        std::string tag;        // "[rules]"
        std::string noun;       // " rule(s)"
    };

    VersionedJsonStore(Traits traits, std::filesystem::path fileURL, LogFn log);
    virtual ~VersionedJsonStore() = default;
    VersionedJsonStore(const VersionedJsonStore&) = delete;
    VersionedJsonStore& operator=(const VersionedJsonStore&) = delete;

    // Where a line goes that the user must see without the debug log (standard error and the
    // journal in the program): that a data file was moved aside. Set before load().
    void setNotice(LogFn notice) { notice_ = std::move(notice); }

    void load();
    bool save();

    const std::filesystem::path& fileURL() const { return fileURL_; }
    bool persistenceDisabled() const { return persistenceDisabled_; }

    static constexpr std::int64_t schemaVersion = 1;

protected:
    // Decodes the whole list (throwing DecodeError) and installs it only when all of it decoded.
    virtual void installDecoded(const nlohmann::json& list) = 0;
    virtual nlohmann::json encodeList() const = 0;
    virtual void startEmpty() = 0;
    virtual size_t count() const = 0;

    // The load outcomes; the defaults log the common lines, the rule store seeds instead.
    virtual void onMissingFile();
    virtual void onLoaded(std::int64_t version);
    virtual void onBackedUp(const std::string& error);
    virtual void onBackupFailed(const std::string& error);

    bool backupCorruptFile(const std::string& readError);
    // The list of a file's bytes, checked as load() checks it; throws DecodeError.
    nlohmann::json decodeWrapper(const std::string& bytes, std::int64_t& version) const;
    // The bytes last read from or written to the file: a change on disk that equals them is ours.
    const std::string& lastBytes() const { return lastBytes_; }
    void setLastBytes(std::string bytes) { lastBytes_ = std::move(bytes); }
    void log(const std::string& line) const;
    void notice(const std::string& line) const;
    std::string path() const { return fileURL_.string(); }
    const Traits& traits() const { return traits_; }

private:
    Traits traits_;
    std::filesystem::path fileURL_;
    LogFn log_;
    LogFn notice_;
    std::string lastBytes_;
    bool persistenceDisabled_ = false;
};

// Encodes a wrapper the way every store writes it (also used by the migration's rewrite).
std::string encodeWrapper(const std::string& listKey, const nlohmann::json& list,
                          std::int64_t version);

} // namespace corvale
