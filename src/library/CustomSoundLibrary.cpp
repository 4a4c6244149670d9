#include "library/CustomSoundLibrary.h"

#include "core/Text.h"

#include <algorithm>
#include <filesystem>
#include <system_error>

namespace corvale {

namespace {

// Whether the file lies inside the folder once links and ".." are resolved: a library entry may
// name any file (a hand edit, an older release), but only those in the Sounds folder are ours.
bool insideFolder(const std::filesystem::path& file, const std::filesystem::path& folder) {
    std::error_code ec;
    const auto realFile = std::filesystem::weakly_canonical(file, ec);
    if (ec) {
        return false;
    }
    const auto realFolder = std::filesystem::weakly_canonical(folder, ec);
    if (ec) {
        return false;
    }
    auto [inFolder, inFile] =
        std::mismatch(realFolder.begin(), realFolder.end(), realFile.begin(), realFile.end());
    return inFolder == realFolder.end() && inFile != realFile.end();
}

} // namespace

std::string CustomSoundLibrary::keptFileNote(const std::string& name, const std::string& path) {
    return "\u201C" + isolated(name) +
           "\u201D is no longer in My Sounds. Its file stays where it is (" + isolated(path) +
           "): Corvale deletes only the files in its own Sounds folder.";
}

bool CustomSoundLibrary::ownsFile(const CustomSound& sound) const {
    return insideFolder(sound.fileURL.path(), sounds_.soundsFolder());
}

CustomSoundLibrary::CustomSoundLibrary(CustomSoundStore& sounds, const RuleStore& rules,
                                       NotificationCenter& center, LogFn log)
    : sounds_(sounds), rules_(rules), center_(center), log_(std::move(log)) {}

void CustomSoundLibrary::addCustomSound(const std::string& name, const FileUrl& url) {
    // FileUrl compares standardised paths, so "." and ".." segments do not make a new file.
    const auto& list = sounds_.sounds();
    if (std::any_of(list.begin(), list.end(),
                    [&](const CustomSound& s) { return s.fileURL == url; })) {
        return;
    }
    // A failed save is logged by the store; the entry stays for this run either way.
    note_.clear();
    sounds_.add({Uuid::random(), name, url});
    if (log_) {
        log_("[sounds] library + " + name);
    }
    announce();
}

void CustomSoundLibrary::renameCustomSound(const Uuid& id, const std::string& name) {
    std::string newName = trimmed(name);
    if (newName.empty()) {
        return;
    }
    const auto& list = sounds_.sounds();
    if (std::none_of(list.begin(), list.end(), [&](const CustomSound& s) { return s.id == id; })) {
        return;
    }
    note_.clear();
    sounds_.rename(id, std::move(newName));
    announce();
}

void CustomSoundLibrary::removeCustomSound(const Uuid& id) {
    const auto& list = sounds_.sounds();
    auto found =
        std::find_if(list.begin(), list.end(), [&](const CustomSound& s) { return s.id == id; });
    if (found == list.end()) {
        return;
    }
    const CustomSound removed = *found;
    note_.clear();
    sounds_.remove(id);

    const bool ours = ownsFile(removed);
    const bool usedByRule = anyRuleUses(removed.fileURL);
    // A library file read from disk is not checked for duplicates, so another entry may share it.
    const auto& rest = sounds_.sounds();
    const bool sharedWithEntry = std::any_of(rest.begin(), rest.end(), [&](const CustomSound& s) {
        return s.fileURL == removed.fileURL;
    });
    if (ours && !usedByRule && !sharedWithEntry) {
        std::error_code ignored;
        std::filesystem::remove(removed.fileURL.path(), ignored);
    }
    std::string kept;
    if (!ours) {
        kept = " (file kept \u2014 not in Corvale's Sounds folder)";
        note_ = keptFileNote(removed.name, removed.fileURL.path());
    } else if (usedByRule) {
        kept = " (file kept \u2014 still used by a rule)";
    }
    if (log_) {
        log_("[sounds] library \u2212 " + removed.name + kept);
    }
    announce();
}

std::optional<std::string> CustomSoundLibrary::nameForFile(const FileUrl& url) const {
    for (const auto& sound : sounds_.sounds()) {
        if (sound.fileURL == url) {
            return sound.name;
        }
    }
    return std::nullopt;
}

bool CustomSoundLibrary::anyRuleUses(const FileUrl& url) const {
    const auto& rules = rules_.rules();
    return std::any_of(rules.begin(), rules.end(), [&](const Rule& rule) {
        const auto* file = std::get_if<SoundRef::File>(&rule.sound.value);
        return file && file->url == url;
    });
}

void CustomSoundLibrary::announce() {
    if (onChange) {
        onChange();
    }
    center_.post(notes::soundDidChange);
}

} // namespace corvale
