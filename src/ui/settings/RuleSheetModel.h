#pragma once

#include "core/Rule.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

// The content-rule sheet's decisions: the condition kinds it offers, what it starts with, and
// whether what the user typed may be saved.
namespace corvale::RuleSheetModel {

struct KindChoice {
    ConditionKind kind;
    std::string title;
};
// "Title contains", "Body contains", "Matches regex": every condition kind but "any".
const std::vector<KindChoice>& kindChoices();
// The position of a kind in kindChoices(); the first for "any".
std::size_t kindIndex(ConditionKind kind);

// The longest keyword or pattern the field takes; no longer one can be meant, and a field of a
// book's length makes every key slower.
inline constexpr int maxKeywordLength = 1000;
inline constexpr int maxPatternLength = 1000;
int maxOperandLength(ConditionKind kind);

struct Values {
    ConditionKind kind = ConditionKind::titleContains;
    std::string operand;
    SoundRef sound = SoundRef::defaultTone();
    double volume = 1.0;
    bool useAppSound = false;
};
// The edited rule's own values; for a new rule "Title contains", no keyword, and the sound (with
// the app's own sound choice) and volume of the app's base rule, else of the default rule, else
// "Submarine" at 100 %.
Values initialValues(const std::optional<Rule>& editing, std::string_view app,
                     const std::vector<Rule>& rules);

// The outcome of pressing Save.
struct Verdict {
    // Set when the sheet may close and store it; the operand is trimmed.
    std::optional<Condition> condition;
    // Refused without words (nothing typed): the desktop's warning sound.
    bool beep = false;
    // Refused with a reason to show under the field.
    std::string error;
};
Verdict check(ConditionKind kind, std::string_view keyword);

} // namespace corvale::RuleSheetModel
