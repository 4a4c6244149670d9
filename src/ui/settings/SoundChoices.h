#pragma once

#include "core/Rule.h"
#include "library/CustomSound.h"

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

// What the sound and volume pop-ups of the app editor and the rule sheet offer, and which item
// shows a rule's current value.
namespace corvale::SoundChoices {

struct Item {
    // appSound: the sound each notification names, the rule's own sound when it names none.
    enum class Kind { sound, appSound, chooseFile, clipFromSong };
    Kind kind = Kind::sound;
    std::string title;
    // The sound this item stores; only for Kind::sound.
    std::optional<SoundRef> sound;
    // A separator goes before this item.
    bool startsGroup = false;
};

struct Menu {
    std::vector<Item> items;
    // The item showing the current sound; a Kind::sound or Kind::appSound item.
    std::size_t selected = 0;
};

inline constexpr const char* silent = "Silent";
inline constexpr const char* appSound = "The app\u2019s own sound";
inline constexpr const char* chooseFile = "Choose custom file\u2026";
inline constexpr const char* clipFromSong = "Clip from a song\u2026";

// The built-in sounds, the library's sounds, "Silent", "The app's own sound" (selected when
// `usesAppSound`), then the current sound when none of those is it ("Custom: <file name>", with
// " (missing)" once the file is gone), then, when `withActions`, the two actions that bring in a
// new file.
Menu soundMenu(const std::vector<std::string>& builtinNames,
               const std::vector<CustomSound>& library, const SoundRef& current, bool withActions,
               bool usesAppSound = false);

// How a rule's sound is named in the editor's lists: a library file by its library name.
std::string soundName(const SoundRef& sound, const std::vector<CustomSound>& library);
// The same for a rule, which may play the app's own sound.
std::string soundName(const Rule& rule, const std::vector<CustomSound>& library);

struct Volume {
    double value;
    std::string title;
};
// 25 % to 200 %, titled "25%" … "200%".
const std::vector<Volume>& volumeChoices();
// The choice nearest to the volume, the earlier one on a tie; 100 % without a volume.
std::size_t nearestVolumeIndex(const std::optional<double>& volume);

} // namespace corvale::SoundChoices
