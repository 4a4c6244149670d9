#pragma once

#include "core/Subscription.h"
#include "history/PingRecord.h"
#include "ui/settings/views/SettingsContext.h"
#include "ui/settings/views/SettingsForm.h"

#include <vector>

namespace corvale::settings {

// "Recent Alerts": the whole alert history, newest first, the preview option and clearing.
class RecentAlertsPane : public FormPane {
public:
    explicit RecentAlertsPane(SettingsContext& context, QWidget* parent = nullptr);

    // Asks the dashboard's question, and empties the history on "Clear".
    void clearHistory();

protected:
    void build() override;

private:
    SettingsContext& context_;
    std::vector<PingRecord> shown_;
    Subscription changes_;
};

} // namespace corvale::settings
