#pragma once

#include "core/Log.h"
#include "core/ObservedNotification.h"
#include "core/Rule.h"

#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace corvale {

// Decides which rule applies to a notification. Holds no rules: it reads the current list on
// every call, so an edit applies to the next notification.
class RuleEngine {
public:
    // The list must stay as it is while resolve() runs.
    using RulesProvider = std::function<const std::vector<Rule>&()>;

    // A regular expression may run this many ICU match steps (a count of engine operations, about
    // 20 ms here) before it is abandoned: text from any program must not be able to freeze us.
    static constexpr int regexTimeLimit = 100;

    RuleEngine(RulesProvider rulesProvider, LogFn log);

    // Why a pattern cannot be used as a condition: ICU's error name and, when ICU knows it, the
    // position (in characters, from 0) where the pattern went wrong.
    struct RegexProblem {
        std::string errorName;
        std::optional<int> offset;
        friend bool operator==(const RegexProblem&, const RegexProblem&) = default;
    };
    // None when the pattern compiles exactly as matching compiles it.
    static std::optional<RegexProblem> regexProblem(const std::string& pattern);

    std::optional<Rule> resolve(const ObservedNotification& notification) const;
    bool conditionPasses(const std::optional<Condition>& condition,
                         const ObservedNotification& notification) const;

private:
    bool regexPasses(const std::string& pattern, const ObservedNotification& notification) const;

    RulesProvider rulesProvider_;
    LogFn log_;
};

} // namespace corvale
