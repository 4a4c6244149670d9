#include "app/StatusMenus.h"

#include "app/AppDelegate.h"
#include "history/UnreadTally.h"
#include "ui/menubar/MenuTexts.h"

namespace corvale {

StatusMenus::StatusMenus(AppDelegate& delegate, Preferences& preferences)
    : delegate_(delegate), preferences_(preferences) {}

StatusMenus::~StatusMenus() {
    delegate_.onOpenDashboard = std::function<DashboardOpening()>();
    if (host_) {
        host_->watchOutsideClicks({});
    }
}

ConfigModel& StatusMenus::configModel() {
    return *delegate_.configModel();
}

void StatusMenus::setupStatusItem() {
    delegate_.onOpenDashboard = [this] { return openDashboard(); };
}

void StatusMenus::quit() {
    if (host_) {
        host_->closeQuickMenu();
        host_->quit();
    }
}

void StatusMenus::openSettings(const std::optional<PaneID>& pane,
                               const std::function<void(const std::optional<PaneID>&)>& open) {
    if (host_) {
        host_->closeQuickMenu();
    }
    closePopover();
    open(pane);
}

void StatusMenus::openApp(const std::string& app,
                          const std::function<bool(const std::string&)>& activate,
                          const LogFn& log) {
    closePopover();
    const bool found = activate(app);
    if (log) {
        log(found ? "[open-app] " + inQuotes(app) + " brought forward"
                  : "[open-app] no running or installed application matches " + inQuotes(app));
    }
}

PopoverLens StatusMenus::initialLens() const {
    return initialPopoverLens(preferences_.textValue(prefkeys::popoverLens),
                              !delegate_.pingLogStore().records().empty());
}

void StatusMenus::chooseLens(PopoverLens lens) {
    preferences_.set(prefkeys::popoverLens, std::string(rawValue(lens)));
}

int StatusMenus::snoozeMinutes() const {
    return delegate_.prefs().snoozeDurationMinutes();
}

void StatusMenus::statusClicked(std::optional<Click> click, bool controlHeld) {
    if (!click || (*click == Click::primary && !controlHeld)) {
        togglePopover();
    } else {
        showQuickMenu();
    }
}

void StatusMenus::togglePopover() {
    if (!host_) {
        return;
    }
    if (host_->isDashboardShown()) {
        closePopover();
        return;
    }
    if (host_->isQuickMenuShown()) {
        host_->closeQuickMenu();
    }
    refreshConfigModel();
    host_->showDashboard();
    host_->watchOutsideClicks([this] { closePopover(); });
}

DashboardOpening StatusMenus::openDashboard() {
    if (!host_) {
        return {};
    }
    if (host_->isQuickMenuShown()) {
        host_->closeQuickMenu();
    }
    refreshConfigModel();
    DashboardOpening opened{DashboardPlace::window};
    if (host_->hasTray()) {
        opened = {DashboardPlace::besideTray, host_->showDashboard()};
    } else {
        host_->showDashboardWindow();
    }
    // Closing the window marks the alerts seen as closing the popup does.
    host_->watchOutsideClicks([this] { closePopover(); });
    return opened;
}

void StatusMenus::closePopover() {
    if (!host_) {
        return;
    }
    host_->watchOutsideClicks({});
    if (host_->isDashboardShown()) {
        host_->closeDashboard();
        markAlertsSeen();
        delegate_.updateStatus();
    }
}

void StatusMenus::markAlertsSeen() {
    if (auto newest = UnreadTally::newestTimestamp(delegate_.pingLogStore().records())) {
        delegate_.prefs().setPingHistorySeenThrough(*newest);
    }
}

void StatusMenus::showQuickMenu() {
    if (!host_) {
        return;
    }
    if (host_->isQuickMenuShown()) {
        host_->closeQuickMenu();
        return;
    }
    closePopover();
    // The snooze row reads the snooze state published here.
    refreshConfigModel();
    host_->showQuickMenu();
}

void StatusMenus::refreshConfigModel() {
    delegate_.refreshConfigModel();
}

void StatusMenus::clearRecentAlerts() {
    if (!host_ || delegate_.pingLogStore().records().empty()) {
        return;
    }
    if (host_->confirm(MenuTexts::clearAllTitle, MenuTexts::clearAllText, MenuTexts::clear,
                       MenuTexts::cancel)) {
        configModel().clearAllAlerts();
        delegate_.updateStatus();
    }
}

} // namespace corvale
