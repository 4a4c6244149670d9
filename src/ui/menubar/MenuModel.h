#pragma once

#include "core/FileUrl.h"
#include "core/FlashColor.h"
#include "core/FlashValues.h"
#include "core/Rule.h"
#include "store/StarterPresets.h"

#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <type_traits>
#include <vector>

namespace corvale {

// The pure rule-editing functions behind every view: finding an application's rules, the rule to
// store after one edit, and the rows shown to the user. Nothing here touches a store.
//
// An application parameter that is none means the default rule for all other apps ("*"). A rule
// belongs to an application when it is not the default rule and its display name equals the
// trimmed application name without regard to case.
namespace MenuModel {

using Rules = std::vector<Rule>;
using App = std::optional<std::string>;

// The label of the default rule's row and of log lines about it.
inline constexpr const char* allOtherApps = "All other apps";

bool belongsTo(const Rule& rule, std::string_view app);

// The first rule of the application, with or without a condition; none for a blank name.
std::optional<Rule> rule(std::string_view forApp, const Rules& rules);
std::vector<Rule> rulesForApp(std::string_view app, const Rules& rules);
// The first rule of the application without a condition.
std::optional<Rule> baseRule(std::string_view forApp, const Rules& rules);
std::vector<Rule> conditionalRules(std::string_view forApp, const Rules& rules);
// The rule with key "*", if the list has one.
std::optional<Rule> defaultRule(const Rules& rules);

// The rule an edit of one field starts from: the application's base rule, else a new rule for it;
// for the default row the "*" rule, else the built-in default rule.
Rule ruleToEdit(const App& app, const Rules& rules);

// The flash palette's colour for an application name; the same name always gets the same colour.
FlashColor paletteColor(std::string_view app);

// A new rule for an application that has none: its names, "Submarine" at 100 %, no flashes, the
// application's palette colour.
Rule newRuleTemplate(std::string_view app);

// The rule to store after one field changes: the application's base rule (or the default rule)
// with that field replaced, or a new rule when there is none. Volumes are held within 0…2; a repeat
// count other than 1, 2 or 3 means the global setting.
Rule ruleAfterSettingSound(const SoundRef& sound, const App& app, const Rules& rules);
Rule ruleAfterSettingVolume(double volume, const App& app, const Rules& rules);
Rule ruleAfterSettingFlashMenuBar(bool on, const App& app, const Rules& rules);
Rule ruleAfterSettingFlashScreen(bool on, const App& app, const Rules& rules);
Rule ruleAfterSettingFlashColor(const std::optional<FlashColor>& color, const App& app,
                                const Rules& rules);
Rule ruleAfterSettingFlashStyle(FlashStyle style, const App& app, const Rules& rules);
Rule ruleAfterSettingFlashIntensity(const std::optional<FlashIntensity>& intensity, const App& app,
                                    const Rules& rules);
Rule ruleAfterSettingFlashDuration(const std::optional<FlashDuration>& duration, const App& app,
                                   const Rules& rules);
Rule ruleAfterSettingFlashRepeat(const std::optional<int>& repeat, const App& app,
                                 const Rules& rules);

// Whether a name can be an application's: not blank, and not "*", the default rule's key, whose
// rule would replace "All other apps".
bool canBeAppName(std::string_view name);

// The application's existing rule unchanged, else a new rule with the default rule's sound and
// volume.
Rule ruleForAddedApp(std::string_view named, const Rules& rules);

// A content rule; the flash settings are inherited from the base rule when one is given.
Rule newConditionalRule(std::string_view forApp, const Condition& condition, const SoundRef& sound,
                        double volume, const std::optional<Rule>& inheritingFrom);

// A preset counts as applied when its application has any rule; applying never overwrites it.
Rule ruleForPreset(const AppPreset& preset, const Rules& rules);
bool isPresetApplied(const AppPreset& preset, const Rules& rules);

// The names shown as rows: configured apps as their rule writes them, then seen apps not
// configured, one per name key, sorted for people.
std::vector<std::string> appRows(const Rules& rules, const std::vector<std::string>& seen);
// The rows that have at least one enabled rule, in row order (the dashboard's configured apps).
std::vector<std::string> configuredApps(const Rules& rules, const std::vector<std::string>& seen);
std::set<std::string> forgetting(std::string_view name, const std::set<std::string>& seen);
// Display names of the rules whose sound is that file, in rule order.
std::vector<std::string> appsUsingFile(const FileUrl& url, const Rules& rules);

// "Submarine", the file's name, or "Silent".
std::string soundLabel(const SoundRef& sound);
// A condition as log lines write it: titleContains("urgent").
std::string conditionLabel(const Condition& condition);
// A volume fraction as a whole percentage: 1.0 is 100.
long percent(double volume);
// A flash override as log lines and the command line write it: its stored value, or `whenNone`
// where it follows the global setting.
template <typename Value>
std::string overrideText(const std::optional<Value>& value, std::string_view whenNone) {
    if (!value) {
        return std::string(whenNone);
    }
    if constexpr (std::is_same_v<Value, int>) {
        return std::to_string(*value);
    } else {
        return std::string(rawValue(*value));
    }
}
double clampedVolume(double volume);

} // namespace MenuModel
} // namespace corvale
