#pragma once

#include "store/VersionedJsonStore.h"

#include <filesystem>
#include <string>
#include <string_view>
#include <unordered_set>
#include <vector>

namespace corvale {

// The names of the apps ever seen posting banners, in "observedApps.json": each kept as first seen
// (trimmed), one per name key, in first-seen order.
class ObservedAppsStore : public VersionedJsonStore {
public:
    static constexpr const char* fileName = "observedApps.json";
    // Any program can post under any name, so the list must not grow without bound: a new name
    // past the cap takes the place of the earliest one.
    static constexpr size_t maxApps = 1000;

    ObservedAppsStore(std::filesystem::path fileURL, LogFn log);
    static std::filesystem::path defaultFileURL(const std::filesystem::path& supportFolder);

    const std::vector<std::string>& apps() const { return apps_; }
    bool contains(std::string_view name) const;

    // Records one sighting; true only when a new app was added and saved.
    bool observe(std::string_view name);

protected:
    void installDecoded(const nlohmann::json& list) override;
    void checkDecodes(const nlohmann::json& list) const override;
    nlohmann::json encodeList() const override;
    void startEmpty() override;
    size_t count() const override { return apps_.size(); }

private:
    // Installs a list read from the file: trimmed, without blanks and repeated keys, and past the
    // cap only the latest names.
    void setApps(const std::vector<std::string>& names);

    std::vector<std::string> apps_;
    std::unordered_set<std::string> keys_;
    bool capLogged_ = false;
};

} // namespace corvale
