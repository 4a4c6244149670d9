#pragma once

#include "ui/menubar/ConfigModel.h"

#include <optional>
#include <string>
#include <variant>

namespace corvale {

// The edits of `corvale rules`, made through the config model's operations as the settings window
// makes them (so each logs its line, is saved and announced), in the running program or, when it
// does not run, in the command's own model over the files. Each returns why it was refused, or
// empty text when it was made.
struct RuleEdits {
    // The configured app of a name, as its row is named; none for "All other apps". Refused when
    // no app has rules under that name.
    static std::variant<ConfigModel::App, std::string> findApp(const std::vector<Rule>& rules,
                                                               const std::string& name);
    // A built-in sound, a sound of My Sounds or Silent by its name, without regard to case.
    static std::variant<SoundRef, std::string> soundNamed(const ConfigModel& model,
                                                          const std::string& name);

    // Empty texts are options not given.
    static std::string add(ConfigModel& model, const std::string& app, const std::string& sound,
                           const std::string& volume);
    static std::string set(ConfigModel& model, const std::string& app, const std::string& key,
                           const std::string& value);
    static std::string remove(ConfigModel& model, const std::string& app);
    // Replaces every rule with the file's, after checking all of it; `kept` names the copy of the
    // rules it replaced.
    static std::string importRules(ConfigModel& model, const std::string& text, std::string& kept);
};

} // namespace corvale
