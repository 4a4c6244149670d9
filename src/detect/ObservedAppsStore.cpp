#include "detect/ObservedAppsStore.h"

#include "core/Rule.h"
#include "core/Text.h"

#include <nlohmann/json.hpp>

namespace corvale {

using nlohmann::json;

ObservedAppsStore::ObservedAppsStore(std::filesystem::path fileURL, LogFn log)
    : VersionedJsonStore(
          {fileName, "observedApps.corrupt.json", "apps", "[observed]", " observed app(s)"},
          std::move(fileURL), std::move(log)) {}

std::filesystem::path
ObservedAppsStore::defaultFileURL(const std::filesystem::path& supportFolder) {
    return supportFolder / fileName;
}

bool ObservedAppsStore::contains(std::string_view name) const {
    auto key = nameKey(name);
    return !key.empty() && keys_.contains(key);
}

bool ObservedAppsStore::observe(std::string_view name) {
    // The name goes to a file that must read back: no invalid UTF-8 from outside.
    auto display = trimmed(validUtf8(name));
    auto key = nameKey(display);
    if (key.empty() || keys_.contains(key)) {
        return false;
    }
    if (apps_.size() >= maxApps) {
        if (!capLogged_) {
            capLogged_ = true;
            log("[observed] cap of " + std::to_string(maxApps) +
                " apps reached - dropping the earliest to make room");
        }
        keys_.erase(nameKey(apps_.front()));
        apps_.erase(apps_.begin());
    }
    keys_.insert(key);
    apps_.push_back(std::move(display));
    return save();
}

void ObservedAppsStore::setApps(const std::vector<std::string>& names) {
    startEmpty();
    for (const auto& name : names) {
        auto display = trimmed(name);
        auto key = nameKey(display);
        if (!key.empty() && keys_.insert(key).second) {
            apps_.push_back(std::move(display));
        }
    }
    if (apps_.size() > maxApps) {
        const auto dropped = static_cast<std::ptrdiff_t>(apps_.size() - maxApps);
        for (auto it = apps_.begin(); it != apps_.begin() + dropped; ++it) {
            keys_.erase(nameKey(*it));
        }
        apps_.erase(apps_.begin(), apps_.begin() + dropped);
    }
}

void ObservedAppsStore::startEmpty() {
    apps_.clear();
    keys_.clear();
}

namespace {

std::vector<std::string> namesFromJson(const json& list) {
    std::vector<std::string> names;
    names.reserve(list.size());
    for (const auto& name : list) {
        if (!name.is_string()) {
            throw DecodeError("an observed app is not a string");
        }
        names.push_back(name.get<std::string>());
    }
    return names;
}

} // namespace

void ObservedAppsStore::installDecoded(const json& list) {
    setApps(namesFromJson(list));
}

void ObservedAppsStore::checkDecodes(const json& list) const {
    namesFromJson(list);
}

json ObservedAppsStore::encodeList() const {
    return json(apps_);
}

} // namespace corvale
