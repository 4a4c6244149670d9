#pragma once

#include "core/Rule.h"

#include <optional>
#include <string>

namespace corvale::test {

// A rule of one app, otherwise as the default rule starts, with a fresh id.
inline Rule appRule(const std::string& app, std::optional<Condition> condition = std::nullopt,
                    std::optional<SoundRef> sound = std::nullopt) {
    Rule rule = Rule::fallback();
    rule.appBundleId = app;
    rule.appDisplayName = app;
    rule.condition = std::move(condition);
    if (sound) {
        rule.sound = std::move(*sound);
    }
    return rule;
}

} // namespace corvale::test
