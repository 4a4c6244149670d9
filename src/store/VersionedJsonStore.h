#pragma once

#include "core/AtomicFile.h"
#include "core/Log.h"
#include "core/NamedObservers.h"
#include "core/Uuid.h"

#include <cstdint>
#include <filesystem>
#include <functional>
#include <nlohmann/json_fwd.hpp>
#include <set>
#include <string>
#include <vector>

namespace corvale {

// The discipline every data file follows: {"<list key>": [...], "version": N}, pretty-printed with
// sorted keys, written whole and atomically after each change; an unreadable file is moved aside
// to its ".corrupt.json" backup (an older backup kept under a dated name), and when that move fails
// nothing is ever written over it. A file changed on disk since the store last read or wrote it
// (a hand edit) that no longer decodes is moved aside the same way before a save replaces it.
class VersionedJsonStore {
public:
    // An unreadable file set aside; without a backup when it could not be moved.
    struct MovedAside {
        std::filesystem::path file;
        std::filesystem::path backup;
    };

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
    // Every file set aside this run, at load or before a save, oldest first.
    const std::vector<MovedAside>& movedAside() const { return movedAside_; }
    // Why the latest save failed, in the system's plain words; empty once a save succeeds.
    const std::string& saveError() const { return saveError_; }
    // Called when a file is set aside or a save's failure begins or ends (not on every save).
    Subscription observeProblems(std::function<void()> onChange) const;

    static constexpr std::int64_t schemaVersion = 1;

protected:
    // Decodes the whole list (throwing DecodeError) and installs it only when all of it decoded.
    virtual void installDecoded(const nlohmann::json& list) = 0;
    // Decodes the list as installDecoded does, throwing DecodeError, and installs nothing.
    virtual void checkDecodes(const nlohmann::json& list) const = 0;
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
    // Setting them notes the file's stamp as well, so a later change on disk is seen without a
    // read.
    const std::string& lastBytes() const { return lastBytes_; }
    void setLastBytes(std::string bytes);
    // Gives every item after the first with an id a fresh id, one log line each: two items with
    // one id (a hand edit, a copied entry) would let an edit of one replace the other.
    template <class Item, class NameOf>
    void makeIdsUnique(std::vector<Item>& items, NameOf nameOf) const {
        std::set<Uuid> seen;
        for (auto& item : items) {
            if (!seen.insert(item.id).second) {
                const Uuid fresh = Uuid::random();
                log(traits_.tag + " duplicate id " + item.id.str() + " (" + nameOf(item) +
                    ") - given the fresh id " + fresh.str());
                item.id = fresh;
                seen.insert(fresh);
            }
        }
    }
    void log(const std::string& line) const;
    void notice(const std::string& line) const;
    std::string path() const { return fileURL_.string(); }
    const Traits& traits() const { return traits_; }

private:
    // Before a save: sets aside a changed file that no longer decodes, or refuses every write
    // when it cannot be moved.
    void setAsideBrokenEdit();
    bool saveFailed(const std::string& error, const std::string& reason);
    void setSaveError(std::string reason);
    void problemsChanged() const;

    Traits traits_;
    std::filesystem::path fileURL_;
    LogFn log_;
    LogFn notice_;
    std::string lastBytes_;
    FileStamp lastStamp_;
    bool persistenceDisabled_ = false;
    std::vector<MovedAside> movedAside_;
    std::string saveError_;
    mutable NamedObservers<> problemObservers_;
};

// Encodes a wrapper the way every store writes it (also used by the migration's rewrite).
std::string encodeWrapper(const std::string& listKey, const nlohmann::json& list,
                          std::int64_t version);

} // namespace corvale
