#include "library/CustomSoundStore.h"

#include <algorithm>
#include <nlohmann/json.hpp>

namespace corvale {

using nlohmann::json;

CustomSoundStore::CustomSoundStore(std::filesystem::path fileURL, LogFn log)
    : VersionedJsonStore(
          {fileName, "customSounds.corrupt.json", "sounds", "[sounds]", " custom sound(s)"},
          std::move(fileURL), std::move(log)) {}

std::filesystem::path CustomSoundStore::defaultFileURL(const std::filesystem::path& supportFolder) {
    return supportFolder / fileName;
}

std::filesystem::path CustomSoundStore::soundsFolder(const std::filesystem::path& supportFolder) {
    return supportFolder / "Sounds";
}

bool CustomSoundStore::add(CustomSound sound) {
    // FileUrl equality compares standardised paths, so "a/./b" and "a/x/../b" are one file.
    auto same = std::find_if(sounds_.begin(), sounds_.end(),
                             [&](const CustomSound& s) { return s.fileURL == sound.fileURL; });
    if (same != sounds_.end()) {
        return false;
    }
    sounds_.push_back(std::move(sound));
    return save();
}

bool CustomSoundStore::rename(const Uuid& id, std::string name) {
    auto entry = std::find_if(sounds_.begin(), sounds_.end(),
                              [&](const CustomSound& s) { return s.id == id; });
    if (entry == sounds_.end()) {
        return false;
    }
    entry->name = std::move(name);
    return save();
}

bool CustomSoundStore::remove(const Uuid& id) {
    auto entry = std::find_if(sounds_.begin(), sounds_.end(),
                              [&](const CustomSound& s) { return s.id == id; });
    if (entry == sounds_.end()) {
        return false;
    }
    sounds_.erase(entry);
    return save();
}

namespace {

std::vector<CustomSound> soundsFromJson(const json& list) {
    std::vector<CustomSound> decoded;
    decoded.reserve(list.size());
    for (const auto& object : list) {
        decoded.push_back(customSoundFromJson(object));
    }
    return decoded;
}

} // namespace

void CustomSoundStore::installDecoded(const json& list) {
    sounds_ = soundsFromJson(list);
    makeIdsUnique(sounds_, [](const CustomSound& s) { return s.name; });
}

void CustomSoundStore::checkDecodes(const json& list) const {
    soundsFromJson(list);
}

json CustomSoundStore::encodeList() const {
    json list = json::array();
    for (const auto& sound : sounds_) {
        list.push_back(toJson(sound));
    }
    return list;
}

void CustomSoundStore::onMissingFile() {
    log("[sounds] no library at " + path() + " - starting empty");
}

} // namespace corvale
