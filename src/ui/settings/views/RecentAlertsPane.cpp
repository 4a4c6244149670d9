#include "ui/settings/views/RecentAlertsPane.h"

#include "core/NotificationCenter.h"
#include "core/SettingsPrefs.h"
#include "platform/Dialogs.h"
#include "ui/menubar/ConfigModel.h"
#include "ui/settings/InfoPaneTexts.h"
#include "ui/settings/RecentAlertsList.h"
#include "ui/settings/views/InfoPaneParts.h"

#include <QCheckBox>
#include <QPushButton>

namespace corvale::settings {

namespace T = InfoPaneTexts;
using form::qs;

RecentAlertsPane::RecentAlertsPane(SettingsContext& context, QWidget* parent)
    : FormPane(parent), context_(context) {
    setObjectName("recentAlertsPane");
    // Alerts arrive while the pane is open; the model announces each refresh.
    changes_ = context_.model.observe([this] {
        if (context_.model.recentAlerts() != shown_) {
            reloadSoon();
        }
    });
}

void RecentAlertsPane::build() {
    addNote(T::recentAlertsIntro);

    auto* options = addCard(T::options);
    auto* preview = new QCheckBox(T::includePreview);
    preview->setObjectName("includePreview");
    preview->setChecked(context_.prefs.pingHistoryIncludePreview());
    connect(preview, &QCheckBox::toggled, this,
            [this](bool on) { context_.prefs.setPingHistoryIncludePreview(on); });
    options->addWidget(inlineRow({preview}));
    options->addNote(T::includePreviewNote);

    auto* history = addCard(T::history);
    shown_ = context_.model.recentAlerts();
    const auto records = newestFirst(context_.model.recentAlerts());
    if (records.empty()) {
        history->addNote(T::historyEmpty)->setObjectName("historyEmpty");
    }
    const auto now = Clock::now();
    for (const auto& record : records) {
        auto* time = form::note(qs(alertTimeLabel(record.timestamp, now)));
        time->setObjectName("alertTime");
        time->setWordWrap(false);
        history->addWidget(listRow("alertRow", nullptr, qs(record.appName),
                                   record.preview ? qs(*record.preview) : QString(), {time}));
    }
    auto* clear = makeButton(T::clearHistory, [this] { clearHistory(); });
    clear->setObjectName("clearHistory");
    clear->setEnabled(!records.empty());
    history->addWidget(inlineRow({clear}));
    history->addNote(T::clearHistoryNote);
}

void RecentAlertsPane::clearHistory() {
    if (context_.model.recentAlerts().empty()) {
        return;
    }
    if (context_.dialogs.runModalAlert(T::clearHistoryAlert()) != 0u) {
        return;
    }
    context_.model.clearAllAlerts();
    // The tray's unread badge goes with the alerts.
    context_.center.post(notes::statusItemNeedsRefresh);
    reloadSoon();
}

} // namespace corvale::settings
