#pragma once

#include "core/FlashColor.h"
#include "core/FlashValues.h"
#include "core/Rule.h"

#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace corvale {

// One value of `corvale rules set`, as the app editor offers it.
struct RuleSetting {
    enum class Key {
        sound,
        volume,
        enabled,
        flash,
        blink,
        flashColor,
        flashStyle,
        flashIntensity,
        flashDuration,
        flashRepeat,
        useAppSound,
        respectFocus,
        respectSuppressSound,
        nativeSoundMuted
    };
    Key key = Key::sound;
    // sound: the name as typed; whether the library has it is the model's to tell.
    std::string sound;
    double volume = 1.0;
    // The switches: enabled, flash, blink, useAppSound, respectFocus, respectSuppressSound,
    // nativeSoundMuted.
    bool on = false;
    // flashColor: none is "Automatic".
    std::optional<FlashColor> color;
    FlashStyle style = FlashStyle::fullScreen;
    // The overrides: none follows the global setting ("default").
    std::optional<FlashIntensity> intensity;
    std::optional<FlashDuration> duration;
    std::optional<int> repeat;
};

struct RulesRequest {
    enum class Action { help, list, show, add, set, remove, exportRules, importRules };
    Action action = Action::help;
    // The app as the settings window names it (show, add, set, remove).
    std::string app;
    // add: the options given, as typed.
    std::optional<std::string> sound;
    std::optional<std::string> volume;
    // set: the key and its value, as typed (both checked by setting()).
    std::string key;
    std::string value;
    // export: the file to write, empty for standard output; import: the file to read.
    std::string file;
    bool json = false;
};

// `corvale rules ...`: reading the words, the values the app editor offers, the rules file's
// text both ways, and the tables that list and show print.
struct RulesCommand {
    // What `corvale rules --help` prints.
    static const char* const usage;
    // The name of the default rule's row, as the settings window shows it.
    static constexpr const char* allOtherApps = "All other apps";

    struct Parsed {
        std::optional<RulesRequest> request;
        std::string error;
        // 2 for words that are not a rules command, 1 for a value that is refused.
        int exitCode = 0;
    };
    // `words` follow "rules".
    static Parsed parse(const std::vector<std::string>& words);

    // The setting a key and a value stand for, or why they do not.
    static std::variant<RuleSetting, std::string> setting(const std::string& key,
                                                          const std::string& value);
    // A volume typed in percent, 25 to 200 ("150" or "150%"), as a fraction.
    static std::optional<double> volumeFromPercent(std::string_view text);

    // A rules file's text decoded whole, every regular expression compiled as matching compiles
    // it; nothing when any part fails, with the reason (and the line and column of a JSON error).
    struct Decoded {
        std::vector<Rule> rules;
        std::string error;
    };
    static Decoded decode(const std::string& text);
    // The rules file's text for these rules, as the rule store writes it.
    static std::string encode(const std::vector<Rule>& rules);
    // The rules as a JSON array of the file's rule objects, one line per element's line.
    static std::string jsonArray(const std::vector<Rule>& rules);

    // One row per app, the default rule's row first.
    static std::string table(const std::vector<Rule>& rules);
    // Every key of an app's base rule (or of the default rule, app none) and its content rules.
    static std::string details(const std::optional<std::string>& app,
                               const std::vector<Rule>& rules);
};

} // namespace corvale
