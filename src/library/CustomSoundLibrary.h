#pragma once

#include "core/FileUrl.h"
#include "core/Log.h"
#include "core/NotificationCenter.h"
#include "core/Uuid.h"
#include "library/CustomSoundStore.h"
#include "store/RuleStore.h"

#include <functional>
#include <optional>
#include <string>

namespace corvale {

// The "My Sounds" operations the config model offers: add, rename and remove entries, and the
// library name of a rule's file. Every change is announced to the model's observers and posted as
// the sound-changed notification, so the library pane and the app editor reload.
class CustomSoundLibrary {
public:
    CustomSoundLibrary(CustomSoundStore& sounds, const RuleStore& rules, NotificationCenter& center,
                       LogFn log);

    // The config model's change announcement; called before the notification is posted.
    std::function<void()> onChange;

    // Ignored without a trace when an entry already points at the same file.
    void addCustomSound(const std::string& name, const FileUrl& url);
    // A name that is empty once trimmed changes nothing.
    void renameCustomSound(const Uuid& id, const std::string& name);
    // Deletes the entry's file too, unless a rule or another entry still uses it or it lies
    // outside the Sounds folder (the user's own file, which is kept and noted).
    void removeCustomSound(const Uuid& id);
    std::optional<std::string> nameForFile(const FileUrl& url) const;
    // What the library pane says after the latest removal kept a file of the user's; empty
    // otherwise, and cleared by the next change of the library.
    const std::string& note() const { return note_; }
    static std::string keptFileNote(const std::string& name, const std::string& path);
    // Whether removing the sound deletes its file: only files in Corvale's Sounds folder are ours.
    bool ownsFile(const CustomSound& sound) const;

private:
    bool anyRuleUses(const FileUrl& url) const;
    void announce();

    CustomSoundStore& sounds_;
    const RuleStore& rules_;
    NotificationCenter& center_;
    LogFn log_;
    std::string note_;
};

} // namespace corvale
