#include "ui/menubar/StatusMenus.h"

#include "core/AppDelegate.h"
#include "history/UnreadTally.h"
#include "ui/menubar/MenuModel.h"
#include "ui/menubar/MenuTexts.h"

#include <vector>

namespace corvale {

StatusMenus::StatusMenus(AppDelegate& delegate, LogFn log)
    : delegate_(delegate), log_(std::move(log)) {}

StatusMenus::~StatusMenus() {
    if (host_) {
        host_->watchOutsideClicks({});
    }
}

void StatusMenus::setupStatusItem() {
    auto services = delegate_.services();
    configModel_ = std::make_unique<ConfigModel>(
        ConfigModel::Stores{delegate_.ruleStore, delegate_.customSoundStore,
                            delegate_.observedAppsStore, delegate_.pingLogStore},
        [this](const Rule& rule, const ObservedNotification& n) {
            delegate_.actionRunner.run(rule, n);
        },
        delegate_.soundNames(), services.center, services.scheduler, log_);
    connectCallbacks();
}

void StatusMenus::connectCallbacks() {
    auto& model = *configModel_;
    model.onSoundsEnabledChanged = [this](bool on) {
        delegate_.prefs().setSoundsEnabled(on);
        log_(std::string("[toggle] play-sounds = ") + (on ? "true" : "false"));
        delegate_.updateStatus();
        refreshConfigModel();
    };
    model.onForgetSeenApp = [this](const std::string& name) {
        delegate_.seenApps = MenuModel::forgetting(name, delegate_.seenApps);
        refreshConfigModel();
    };
    model.onFlashPreview = [this](const std::optional<FlashColor>& color) {
        delegate_.flashMenuBarIcon(color);
    };
    model.onScreenFlashPreview =
        [this](const std::optional<FlashColor>& color, FlashStyle style, const std::string& appName,
               const std::optional<FlashIntensity>& intensity,
               const std::optional<FlashDuration>& duration, const std::optional<int>& repeat) {
            delegate_.flashScreenOverlay(color, style, appName, intensity, duration, repeat);
        };
    model.onQuit = [this] {
        if (host_) {
            host_->closeQuickMenu();
            host_->quit();
        }
    };
    model.onSnooze = [this] {
        delegate_.snoozeHotKeyFired();
        configModel_->setSnoozed(delegate_.snoozeActive());
    };
    model.onClearRecentAlerts = [this] { clearRecentAlerts(); };
    // The settings window, the add-app panel, the updater and bringing another application
    // forward are not built on this desktop yet: those callbacks stay unset, and the views leave
    // out or disable the controls that would call them.
}

PopoverLens StatusMenus::initialLens() const {
    return initialPopoverLens(delegate_.services().preferences.textValue(prefkeys::popoverLens),
                              !delegate_.pingLogStore.records().empty());
}

void StatusMenus::chooseLens(PopoverLens lens) {
    delegate_.services().preferences.set(prefkeys::popoverLens, std::string(rawValue(lens)));
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
    if (auto newest = UnreadTally::newestTimestamp(delegate_.pingLogStore.records())) {
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
    configModel_->setSnoozed(delegate_.snoozeActive());
    refreshConfigModel();
    host_->showQuickMenu();
}

void StatusMenus::refreshConfigModel() {
    if (!configModel_) {
        return;
    }
    ConfigPublished values;
    values.seenApps.assign(delegate_.seenApps.begin(), delegate_.seenApps.end());
    values.soundsEnabled = delegate_.prefs().soundsEnabled();
    values.isTrusted = delegate_.isTrusted();
    values.statusLine = delegate_.status.statusText();
    values.isSnoozed = configModel_->published().isSnoozed;
    configModel_->publish(std::move(values));
}

void StatusMenus::clearRecentAlerts() {
    if (!host_ || delegate_.pingLogStore.records().empty()) {
        return;
    }
    if (host_->confirm(MenuTexts::clearAllTitle, MenuTexts::clearAllText, MenuTexts::clear,
                       MenuTexts::cancel)) {
        delegate_.pingLogStore.clear();
        delegate_.updateStatus();
        configModel_->announceChange();
    }
}

} // namespace corvale
