#pragma once

#include "core/Log.h"
#include "core/ObservedNotification.h"
#include "core/Rule.h"

#include <functional>
#include <optional>
#include <vector>

namespace corvale {

// Decides which rule applies to a notification. Holds no rules: it reads the current list on
// every call, so an edit applies to the next notification.
class RuleEngine {
public:
    using RulesProvider = std::function<std::vector<Rule>()>;

    // A regular expression may run this many ICU match steps (a count of engine operations, about
    // 20 ms here) before it is abandoned: text from any program must not be able to freeze us.
    static constexpr int regexTimeLimit = 100;

    RuleEngine(RulesProvider rulesProvider, LogFn log);

    std::optional<Rule> resolve(const ObservedNotification& notification) const;
    bool conditionPasses(const std::optional<Condition>& condition,
                         const ObservedNotification& notification) const;

private:
    bool regexPasses(const std::string& pattern, const ObservedNotification& notification) const;

    RulesProvider rulesProvider_;
    LogFn log_;
};

} // namespace corvale
