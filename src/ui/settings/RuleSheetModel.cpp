#include "ui/settings/RuleSheetModel.h"

#include "core/RuleEngine.h"
#include "core/Text.h"
#include "ui/menubar/MenuModel.h"
#include "ui/settings/AppEditorTexts.h"

namespace corvale::RuleSheetModel {

const std::vector<KindChoice>& kindChoices() {
    static const std::vector<KindChoice> choices{{ConditionKind::titleContains, "Title contains"},
                                                 {ConditionKind::bodyContains, "Body contains"},
                                                 {ConditionKind::regex, "Matches regex"}};
    return choices;
}

std::size_t kindIndex(ConditionKind kind) {
    const auto& choices = kindChoices();
    for (std::size_t i = 0; i < choices.size(); ++i) {
        if (choices[i].kind == kind) {
            return i;
        }
    }
    return 0;
}

int maxOperandLength(ConditionKind kind) {
    return kind == ConditionKind::regex ? maxPatternLength : maxKeywordLength;
}

namespace {

ConditionKind kindOf(const Condition& condition) {
    switch (condition.type) {
    case Condition::Type::titleContains:
        return ConditionKind::titleContains;
    case Condition::Type::bodyContains:
        return ConditionKind::bodyContains;
    case Condition::Type::regex:
        return ConditionKind::regex;
    }
    return ConditionKind::titleContains;
}

} // namespace

Values initialValues(const std::optional<Rule>& editing, std::string_view app,
                     const std::vector<Rule>& rules) {
    Values values;
    if (editing) {
        if (editing->condition) {
            values.kind = kindOf(*editing->condition);
            values.operand = editing->condition->value;
        }
        values.sound = editing->sound;
        values.volume = editing->volume;
        values.useAppSound = editing->useAppSound;
        return values;
    }
    auto from = MenuModel::baseRule(app, rules);
    if (!from) {
        from = MenuModel::defaultRule(rules);
    }
    if (from) {
        values.sound = from->sound;
        values.volume = from->volume;
        values.useAppSound = from->useAppSound;
    }
    return values;
}

Verdict check(ConditionKind kind, std::string_view keyword) {
    Verdict verdict;
    auto operand = trimmed(keyword);
    if (operand.empty() || kind == ConditionKind::any) {
        verdict.beep = true;
        return verdict;
    }
    Condition condition{Condition::Type::titleContains, operand};
    switch (kind) {
    case ConditionKind::any:
    case ConditionKind::titleContains:
        break;
    case ConditionKind::bodyContains:
        condition.type = Condition::Type::bodyContains;
        break;
    case ConditionKind::regex:
        condition.type = Condition::Type::regex;
        // A pattern that does not compile would never pass, silently: say so now instead.
        if (auto problem = RuleEngine::regexProblem(operand)) {
            verdict.error = AppEditorTexts::regexRefusal(problem->errorName, problem->offset);
            return verdict;
        }
        break;
    }
    verdict.condition = condition;
    return verdict;
}

} // namespace corvale::RuleSheetModel
