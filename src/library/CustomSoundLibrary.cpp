#include "library/CustomSoundLibrary.h"

#include "core/Text.h"

#include <algorithm>
#include <filesystem>
#include <system_error>

namespace corvale {

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
    sounds_.remove(id);

    const bool usedByRule = anyRuleUses(removed.fileURL);
    // A library file read from disk is not checked for duplicates, so another entry may share it.
    const auto& rest = sounds_.sounds();
    const bool sharedWithEntry = std::any_of(rest.begin(), rest.end(), [&](const CustomSound& s) {
        return s.fileURL == removed.fileURL;
    });
    if (!usedByRule && !sharedWithEntry) {
        std::error_code ignored;
        std::filesystem::remove(removed.fileURL.path(), ignored);
    }
    if (log_) {
        log_("[sounds] library \u2212 " + removed.name +
             (usedByRule ? " (file kept \u2014 still used by a rule)" : ""));
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
