#pragma once

#include "core/Rule.h"

#include <optional>
#include <string>
#include <vector>

// What the app editor's controls show, read from the stored rules.
namespace corvale::AppEditorState {

// The app's base rule; for the default pane (no app) the "*" rule; else the built-in default
// rule, whose values a pane without a rule shows.
Rule effectiveRule(const std::optional<std::string>& app, const std::vector<Rule>& rules);

// The "Custom sound" switch: the app has rules and they are enabled.
bool customSoundOn(const std::string& app, const std::vector<Rule>& rules);

// The colour swatches matter only while one of the flashes is on.
inline bool colorMatters(const Rule& rule) {
    return rule.flashMenuBar || rule.flashScreen;
}

} // namespace corvale::AppEditorState
