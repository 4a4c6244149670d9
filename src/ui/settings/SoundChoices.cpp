#include "ui/settings/SoundChoices.h"

#include "core/Text.h"
#include "ui/menubar/MenuModel.h"

#include <cmath>
#include <filesystem>

namespace corvale::SoundChoices {

namespace {

// Named sounds are looked up without regard to case, so "glass" in the file is the "Glass" item.
bool shows(const SoundRef& item, const SoundRef& current) {
    const auto* a = std::get_if<SoundRef::Builtin>(&item.value);
    const auto* b = std::get_if<SoundRef::Builtin>(&current.value);
    if (a && b) {
        return caseFolded(a->name) == caseFolded(b->name);
    }
    return item == current;
}

constexpr std::size_t fullVolume = 3;

} // namespace

Menu soundMenu(const std::vector<std::string>& builtinNames,
               const std::vector<CustomSound>& library, const SoundRef& current, bool withActions,
               bool usesAppSound) {
    Menu menu;
    std::optional<std::size_t> selected;
    auto add = [&](Item item) {
        if (item.sound && !selected && shows(*item.sound, current)) {
            selected = menu.items.size();
        }
        menu.items.push_back(std::move(item));
    };
    for (const auto& name : builtinNames) {
        add({Item::Kind::sound, name, SoundRef::builtin(name), false});
    }
    // A named sound the folders no longer list (a hand edit, a removed theme) is still the
    // rule's sound; the player may find it, so it is shown under its own name.
    if (const auto* named = std::get_if<SoundRef::Builtin>(&current.value); named && !selected) {
        add({Item::Kind::sound, named->name, current, false});
    }
    bool firstOfGroup = true;
    for (const auto& entry : library) {
        add({Item::Kind::sound, entry.name, SoundRef::file(entry.fileURL), firstOfGroup});
        firstOfGroup = false;
    }
    add({Item::Kind::sound, silent, SoundRef::silent(), true});
    if (usesAppSound) {
        selected = menu.items.size();
    }
    menu.items.push_back({Item::Kind::appSound, appSound, std::nullopt, false});
    if (const auto* file = std::get_if<SoundRef::File>(&current.value); file && !selected) {
        std::string title =
            "Custom: " + std::filesystem::path(file->url.path()).filename().string();
        std::error_code ec;
        if (!std::filesystem::exists(file->url.path(), ec)) {
            title += " (missing)";
        }
        add({Item::Kind::sound, title, current, false});
    }
    if (withActions) {
        menu.items.push_back({Item::Kind::chooseFile, chooseFile, std::nullopt, true});
        menu.items.push_back({Item::Kind::clipFromSong, clipFromSong, std::nullopt, false});
    }
    menu.selected = selected.value_or(0);
    return menu;
}

std::string soundName(const SoundRef& sound, const std::vector<CustomSound>& library) {
    if (const auto* file = std::get_if<SoundRef::File>(&sound.value)) {
        for (const auto& entry : library) {
            if (entry.fileURL == file->url) {
                return entry.name;
            }
        }
    }
    return MenuModel::soundLabel(sound);
}

std::string soundName(const Rule& rule, const std::vector<CustomSound>& library) {
    return rule.useAppSound ? std::string(appSound) : soundName(rule.sound, library);
}

const std::vector<Volume>& volumeChoices() {
    static const std::vector<Volume> choices{{0.25, "25%"}, {0.5, "50%"},   {0.75, "75%"},
                                             {1.0, "100%"}, {1.25, "125%"}, {1.5, "150%"},
                                             {2.0, "200%"}};
    return choices;
}

std::size_t nearestVolumeIndex(const std::optional<double>& volume) {
    const auto& choices = volumeChoices();
    if (!volume || !std::isfinite(*volume)) {
        return fullVolume;
    }
    std::size_t best = 0;
    for (std::size_t i = 1; i < choices.size(); ++i) {
        // Strictly nearer only, so a tie keeps the earlier choice.
        if (std::abs(choices[i].value - *volume) < std::abs(choices[best].value - *volume)) {
            best = i;
        }
    }
    return best;
}

} // namespace corvale::SoundChoices
