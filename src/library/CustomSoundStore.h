#pragma once

#include "library/CustomSound.h"
#include "store/VersionedJsonStore.h"

#include <filesystem>
#include <string>
#include <vector>

namespace corvale {

// The "My Sounds" library in "customSounds.json", in the order the entries were added.
class CustomSoundStore : public VersionedJsonStore {
public:
    static constexpr const char* fileName = "customSounds.json";

    CustomSoundStore(std::filesystem::path fileURL, LogFn log);
    static std::filesystem::path defaultFileURL(const std::filesystem::path& supportFolder);
    // Where imported files and saved clips are copied: "Sounds" beside the rules file.
    static std::filesystem::path soundsFolder(const std::filesystem::path& supportFolder);
    std::filesystem::path soundsFolder() const { return soundsFolder(fileURL().parent_path()); }

    const std::vector<CustomSound>& sounds() const { return sounds_; }

    // Appends and saves; false without a change when an entry already points at the same file.
    bool add(CustomSound sound);
    // Both save and return the save's result; false without saving when no entry has the id.
    bool rename(const Uuid& id, std::string name);
    bool remove(const Uuid& id);

protected:
    void installDecoded(const nlohmann::json& list) override;
    void checkDecodes(const nlohmann::json& list) const override;
    nlohmann::json encodeList() const override;
    void startEmpty() override { sounds_.clear(); }
    size_t count() const override { return sounds_.size(); }
    void onMissingFile() override;

private:
    std::vector<CustomSound> sounds_;
};

} // namespace corvale
