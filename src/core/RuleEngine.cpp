#include "core/RuleEngine.h"

#include "core/Text.h"

#include <memory>
#include <unicode/regex.h>
#include <unicode/unistr.h>
#include <unicode/utypes.h>

namespace corvale {

namespace {

// The one way a condition's pattern is compiled, for matching and for the editor's check alike.
std::unique_ptr<icu::RegexPattern> compileCondition(const std::string& pattern,
                                                    UParseError& parseError, UErrorCode& status) {
    auto compiled = std::unique_ptr<icu::RegexPattern>(icu::RegexPattern::compile(
        icu::UnicodeString::fromUTF8(pattern), UREGEX_CASE_INSENSITIVE, parseError, status));
    if (U_FAILURE(status)) {
        compiled.reset();
    }
    return compiled;
}

} // namespace

std::optional<RuleEngine::RegexProblem> RuleEngine::regexProblem(const std::string& pattern) {
    UErrorCode status = U_ZERO_ERROR;
    UParseError parseError{};
    parseError.offset = -1;
    if (compileCondition(pattern, parseError, status) && U_SUCCESS(status)) {
        return std::nullopt;
    }
    RegexProblem problem{u_errorName(status), std::nullopt};
    if (U_SUCCESS(status)) {
        problem.errorName = u_errorName(U_MEMORY_ALLOCATION_ERROR);
    }
    if (parseError.offset >= 0) {
        problem.offset = parseError.offset;
    }
    return problem;
}

RuleEngine::RuleEngine(RulesProvider rulesProvider, LogFn log)
    : rulesProvider_(std::move(rulesProvider)), log_(std::move(log)) {}

bool RuleEngine::conditionPasses(const std::optional<Condition>& condition,
                                 const ObservedNotification& notification) const {
    if (!condition) {
        return true;
    }
    switch (condition->type) {
    case Condition::Type::titleContains:
        return containsIgnoringCase(notification.title, condition->value);
    case Condition::Type::bodyContains:
        return containsIgnoringCase(notification.body, condition->value);
    case Condition::Type::regex:
        return regexPasses(condition->value, notification);
    }
    return false;
}

bool RuleEngine::regexPasses(const std::string& pattern,
                             const ObservedNotification& notification) const {
    std::string text;
    for (const std::string* part :
         {&notification.title, &notification.subtitle, &notification.body}) {
        if (part->empty()) {
            continue;
        }
        if (!text.empty()) {
            text += '\n';
        }
        text += *part;
    }
    UErrorCode status = U_ZERO_ERROR;
    UParseError parseError;
    auto compiled = compileCondition(pattern, parseError, status);
    if (!compiled) {
        return false;
    }
    icu::UnicodeString subject = icu::UnicodeString::fromUTF8(text);
    auto matcher = std::unique_ptr<icu::RegexMatcher>(compiled->matcher(subject, status));
    if (U_FAILURE(status) || !matcher) {
        return false;
    }
    matcher->setTimeLimit(regexTimeLimit, status);
    bool found = matcher->find(status);
    if (status == U_REGEX_TIME_OUT) {
        if (log_) {
            log_("[match] regex timed out app=\"" + notification.appName +
                 "\" - condition not passed");
        }
        return false;
    }
    // Any other failure (stack overflow, bad input) does not pass either.
    return U_SUCCESS(status) && found;
}

std::optional<Rule> RuleEngine::resolve(const ObservedNotification& notification) const {
    static const std::vector<Rule> none;
    const std::vector<Rule>& rules = rulesProvider_ ? rulesProvider_() : none;
    const std::string appKey = nameKey(notification.appName);
    const std::string entryKey = nameKey(notification.desktopEntryName);

    const Rule* firstBase = nullptr;
    const Rule* firstEntryBase = nullptr;
    for (const Rule& rule : rules) {
        if (!rule.enabled || rule.isDefault()) {
            continue;
        }
        const auto key = nameKey(rule.appDisplayName);
        const bool byName = !appKey.empty() && key == appKey;
        if (!byName && (entryKey.empty() || key != entryKey)) {
            continue;
        }
        if (!conditionPasses(rule.condition, notification)) {
            continue;
        }
        // A content rule beats the base rule wherever it stands in the list.
        if (rule.condition) {
            return rule;
        }
        auto& base = byName ? firstBase : firstEntryBase;
        if (!base) {
            base = &rule;
        }
    }
    // The name the notification carries is the more particular one.
    if (firstBase || firstEntryBase) {
        return firstBase ? *firstBase : *firstEntryBase;
    }
    for (const Rule& rule : rules) {
        if (rule.enabled && rule.isDefault() && conditionPasses(rule.condition, notification)) {
            return rule;
        }
    }
    return std::nullopt;
}

} // namespace corvale
