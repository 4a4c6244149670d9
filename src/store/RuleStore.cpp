#include "store/RuleStore.h"

#include "core/AtomicFile.h"

#include <algorithm>
#include <nlohmann/json.hpp>

namespace corvale {

using nlohmann::json;

RuleStore::RuleStore(std::filesystem::path fileURL, LogFn log)
    : VersionedJsonStore({fileName, "rules.corrupt.json", "rules", "[rules]", " rule(s)"},
                         std::move(fileURL), std::move(log)) {}

std::filesystem::path RuleStore::defaultFileURL(const std::filesystem::path& supportFolder) {
    return supportFolder / fileName;
}

std::vector<Rule> rulesFromJson(const json& list) {
    std::vector<Rule> rules;
    rules.reserve(list.size());
    for (const auto& object : list) {
        rules.push_back(ruleFromJson(object));
    }
    return rules;
}

void RuleStore::installDecoded(const json& list) {
    rules_ = rulesFromJson(list);
    makeIdsUnique(rules_, [](const Rule& r) { return r.appDisplayName; });
}

void RuleStore::checkDecodes(const json& list) const {
    rulesFromJson(list);
}

json RuleStore::encodeList() const {
    json list = json::array();
    for (const auto& rule : rules_) {
        list.push_back(toJson(rule));
    }
    return list;
}

void RuleStore::startEmpty() {
    rules_.clear();
}

void RuleStore::seedDefault() {
    rules_ = {Rule::fallback()};
    save();
}

void RuleStore::onMissingFile() {
    log("[rules] no file at " + path() + " - seeding default");
    seedDefault();
}

void RuleStore::onLoaded(std::int64_t version) {
    if (rules_.empty()) {
        log("[rules] file had 0 rules - seeding default");
        seedDefault();
        return;
    }
    enforceSingleDefault();
    VersionedJsonStore::onLoaded(version);
}

void RuleStore::onBackedUp(const std::string& error) {
    log("[rules] could not read " + path() + " (" + error + ") - backed up and seeded default");
    seedDefault();
}

void RuleStore::onBackupFailed(const std::string& error) {
    rules_ = {Rule::fallback()};
    log("[rules] CORRUPT file at " + path() + " could NOT be backed up (" + error + ") - " +
        "serving default in memory; NOT writing to disk to avoid destroying it");
}

void RuleStore::enforceSingleDefault() {
    auto defaults =
        std::count_if(rules_.begin(), rules_.end(), [](const Rule& r) { return r.isDefault(); });
    if (defaults < 2) {
        return;
    }
    auto last =
        std::find_if(rules_.rbegin(), rules_.rend(), [](const Rule& r) { return r.isDefault(); });
    Uuid kept = last->id;
    std::erase_if(rules_, [&](const Rule& r) { return r.isDefault() && r.id != kept; });
    log("[rules] collapsed " + std::to_string(defaults) + " default (*) rules to 1");
}

bool RuleStore::upsert(const Rule& rule) {
    if (rule.isDefault()) {
        std::erase_if(rules_, [&](const Rule& r) { return r.isDefault() && r.id != rule.id; });
    }
    auto existing =
        std::find_if(rules_.begin(), rules_.end(), [&](const Rule& r) { return r.id == rule.id; });
    if (existing != rules_.end()) {
        *existing = rule;
    } else {
        rules_.push_back(rule);
    }
    return save();
}

bool RuleStore::remove(const Uuid& id) {
    auto existing =
        std::find_if(rules_.begin(), rules_.end(), [&](const Rule& r) { return r.id == id; });
    if (existing == rules_.end()) {
        return false;
    }
    rules_.erase(existing);
    return save();
}

bool RuleStore::replaceAll(std::vector<Rule> rules, std::chrono::system_clock::time_point now,
                           std::filesystem::path& kept, std::string& error) {
    if (persistenceDisabled()) {
        error = "the rules file could not be read, so it is left untouched until Corvale restarts";
        return false;
    }
    std::error_code ec;
    if (std::filesystem::exists(fileURL(), ec) &&
        !keepDatedCopy(fileURL(), "rules.before-import", now, kept, error)) {
        log("[rules] import refused: could not keep the rules in place (" + error + ")");
        return false;
    }
    rules_ = std::move(rules);
    makeIdsUnique(rules_, [](const Rule& r) { return r.appDisplayName; });
    enforceSingleDefault();
    if (rules_.empty()) {
        rules_ = {Rule::fallback()};
    }
    if (!save()) {
        error = saveError();
        return false;
    }
    return true;
}

RuleStore::Reload RuleStore::reload() {
    std::string bytes;
    std::string error;
    std::vector<Rule> decoded;
    std::int64_t version = 0;
    bool readable = readWholeFile(fileURL(), bytes, error);
    if (readable && bytes == lastBytes()) {
        // Only touched: noted, so a save does not read it again.
        setLastBytes(std::move(bytes));
        return Reload::unchanged;
    }
    if (readable) {
        try {
            decoded = rulesFromJson(decodeWrapper(bytes, version));
        } catch (const std::exception& e) {
            readable = false;
            error = e.what();
        }
    }
    if (!readable) {
        const std::string line = "[rules] could not reload " + path() + " (" + error +
                                 ") - keeping the " + std::to_string(rules_.size()) +
                                 " rule(s) in use";
        log(line);
        notice(line);
        return Reload::failed;
    }
    setLastBytes(std::move(bytes));
    if (decoded.empty()) {
        log("[rules] file had 0 rules - seeding default");
        seedDefault();
        return Reload::reloaded;
    }
    rules_ = std::move(decoded);
    makeIdsUnique(rules_, [](const Rule& r) { return r.appDisplayName; });
    enforceSingleDefault();
    log("[rules] reloaded " + std::to_string(rules_.size()) + " rule(s) (schema v" +
        std::to_string(version) + ") from " + path());
    return Reload::reloaded;
}

std::optional<Rule> RuleStore::defaultRule() const {
    auto found =
        std::find_if(rules_.begin(), rules_.end(), [](const Rule& r) { return r.isDefault(); });
    if (found == rules_.end()) {
        return std::nullopt;
    }
    return *found;
}

bool RuleStore::migrateSupportDir(const std::filesystem::path& from,
                                  const std::filesystem::path& to, const LogFn& log) {
    namespace fs = std::filesystem;
    auto say = [&](const std::string& line) {
        if (log) {
            log(line);
        }
    };
    std::error_code ec;
    if (fs::exists(to / fileName, ec) || !fs::exists(from / fileName, ec)) {
        return false;
    }
    fs::create_directories(to, ec);
    if (!ec) {
        fs::rename(from / fileName, to / fileName, ec);
    }
    if (ec) {
        say("[rules] support-dir migration FAILED to move rules.json (" + ec.message() +
            ") - legacy data left intact");
        return false;
    }
    bool everythingMoved = true;
    for (const char* item : {"Sounds", "rules.corrupt.json"}) {
        std::error_code itemEc;
        if (!fs::exists(fs::symlink_status(from / item, itemEc)) ||
            fs::exists(fs::symlink_status(to / item, itemEc))) {
            continue;
        }
        fs::rename(from / item, to / item, itemEc);
        if (itemEc) {
            everythingMoved = false;
            say(std::string("[rules] migration: could not move ") + item + " (" + itemEc.message() +
                ")");
        }
    }
    rewriteFileSoundPaths(to / fileName, from, to, log);
    // An item that could not be moved stays where it was, so the legacy folder must stay too.
    if (everythingMoved) {
        fs::remove_all(from, ec);
    }
    say("[rules] migrated support dir: " + from.string() + " \u2192 " + to.string());
    return true;
}

void RuleStore::rewriteFileSoundPaths(const std::filesystem::path& rulesFile,
                                      const std::filesystem::path& from,
                                      const std::filesystem::path& to, const LogFn& log) {
    auto say = [&](const std::string& line) {
        if (log) {
            log(line);
        }
    };
    try {
        std::string bytes;
        std::string error;
        if (!readWholeFile(rulesFile, bytes, error)) {
            throw DecodeError(error);
        }
        json wrapper = json::parse(bytes);
        if (!wrapper.is_object() || !wrapper.contains("version") ||
            !wrapper["version"].is_number_integer() || !wrapper.contains("rules") ||
            !wrapper["rules"].is_array()) {
            throw DecodeError("not a rules file");
        }
        auto rules = rulesFromJson(wrapper["rules"]);
        const std::string oldFolder = from.string();
        const std::string oldPrefix = oldFolder + "/";
        int changed = 0;
        for (auto& rule : rules) {
            auto* file = std::get_if<SoundRef::File>(&rule.sound.value);
            if (file && file->url.path().starts_with(oldPrefix)) {
                rule.sound = SoundRef::file(
                    FileUrl::fromPath(to.string() + file->url.path().substr(oldFolder.size())));
                ++changed;
            }
        }
        if (changed == 0) {
            return;
        }
        json list = json::array();
        for (const auto& rule : rules) {
            list.push_back(toJson(rule));
        }
        if (!writeFileAtomically(
                rulesFile, encodeWrapper("rules", list, wrapper["version"].get<std::int64_t>()),
                error)) {
            throw DecodeError(error);
        }
        say("[rules] migration: rewrote " + std::to_string(changed) +
            " imported-sound path(s) to " + to.filename().string());
    } catch (const std::exception& e) {
        say(std::string("[rules] migration: could not rewrite imported-sound paths (") + e.what() +
            ")");
    }
}

} // namespace corvale
