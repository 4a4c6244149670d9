#pragma once

#include "core/Rule.h"
#include "core/Subscription.h"
#include "library/CustomSound.h"
#include "ui/settings/views/SettingsContext.h"
#include "ui/settings/views/SettingsForm.h"

#include <optional>
#include <string>
#include <vector>

namespace corvale::settings {

class RuleSheet;

// The editor of one application's rules, or, without an application, of the default rule for all
// other apps. Each control calls the config model's operation for its field; the pane rebuilds
// itself from the stored rules shortly after every change the model announces.
class AppEditorPane : public FormPane {
public:
    AppEditorPane(SettingsContext& context, std::optional<std::string> appName,
                  QWidget* parent = nullptr);

    const std::optional<std::string>& appName() const { return app_; }
    // Opens the rule sheet for a new content rule, or for the rule to edit.
    RuleSheet* openRuleSheet(const std::optional<Rule>& editing);

protected:
    void build() override;

private:
    void buildHeading();
    void buildNotDetected();
    void buildSound(const Rule& rule);
    void buildRules();
    void buildAlerts(const Rule& rule);
    void buildNativeSound(const Rule& rule);
    void buildRemoveApp();
    void confirmRemoveApp();
    void confirmRemoveRule(const Rule& rule);
    // Whether the model holds something other than what the pane was built from. Alerts change
    // the model too, by the thousand in a burst; they leave the pane as it is.
    bool showsOutdated() const;

    SettingsContext& context_;
    std::optional<std::string> app_;
    // The name texts and the title show.
    std::string label_;
    // The name as the pane's titles and notes show it: cut short, so no name widens the window.
    std::string shown_;
    Subscription changes_;
    std::vector<Rule> shownRules_;
    std::vector<CustomSound> shownSounds_;
    bool shownUnconfirmed_ = false;
};

} // namespace corvale::settings
