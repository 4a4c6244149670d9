#include "ui/settings/AppEditorState.h"

#include "ui/menubar/MenuModel.h"

namespace corvale::AppEditorState {

Rule effectiveRule(const std::optional<std::string>& app, const std::vector<Rule>& rules) {
    auto rule = app ? MenuModel::baseRule(*app, rules) : MenuModel::defaultRule(rules);
    return rule ? *rule : Rule::fallback();
}

bool customSoundOn(const std::string& app, const std::vector<Rule>& rules) {
    auto first = MenuModel::rule(app, rules);
    return first && first->enabled;
}

} // namespace corvale::AppEditorState
