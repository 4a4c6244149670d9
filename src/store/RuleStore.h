#pragma once

#include "core/Rule.h"
#include "store/VersionedJsonStore.h"

#include <chrono>
#include <filesystem>
#include <optional>
#include <vector>

namespace corvale {

// The per-application rules in "rules.json". Never empty after a load: a missing, empty or
// unreadable file yields the default rule.
class RuleStore : public VersionedJsonStore {
public:
    static constexpr const char* fileName = "rules.json";

    RuleStore(std::filesystem::path fileURL, LogFn log);
    static std::filesystem::path defaultFileURL(const std::filesystem::path& supportFolder);

    const std::vector<Rule>& rules() const { return rules_; }
    bool upsert(const Rule& rule);
    bool remove(const Uuid& id);
    std::optional<Rule> defaultRule() const;

    // Replaces every rule (an import). The file in place is first copied beside it as
    // "rules.before-import-<date>-<time>.json", named in `kept`; when that copy cannot be made,
    // nothing changes. False with the reason in `error` when the copy or the save failed.
    bool replaceAll(std::vector<Rule> rules, std::chrono::system_clock::time_point now,
                    std::filesystem::path& kept, std::string& error);

    enum class Reload { unchanged, reloaded, failed };
    // Reads the file again after a change from outside (a hand edit). Bytes equal to what this
    // store last read or wrote are its own and change nothing. A file that does not read or decode
    // is left as it is, neither moved aside nor replaced: the rules in use stay.
    Reload reload();

    // Moves the data of an earlier release's folder into the current one; run before any store.
    static bool migrateSupportDir(const std::filesystem::path& from,
                                  const std::filesystem::path& to, const LogFn& log);
    static void rewriteFileSoundPaths(const std::filesystem::path& rulesFile,
                                      const std::filesystem::path& from,
                                      const std::filesystem::path& to, const LogFn& log);

protected:
    void installDecoded(const nlohmann::json& list) override;
    void checkDecodes(const nlohmann::json& list) const override;
    nlohmann::json encodeList() const override;
    void startEmpty() override;
    size_t count() const override { return rules_.size(); }
    void onMissingFile() override;
    void onLoaded(std::int64_t version) override;
    void onBackedUp(const std::string& error) override;
    void onBackupFailed(const std::string& error) override;

private:
    void enforceSingleDefault();
    void seedDefault();

    std::vector<Rule> rules_;
};

// Decodes a list of rules; throws DecodeError when any rule fails.
std::vector<Rule> rulesFromJson(const nlohmann::json& list);

} // namespace corvale
