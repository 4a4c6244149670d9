#pragma once

#include "core/Log.h"
#include "ui/menubar/ConfigModel.h"
#include "ui/menubar/PopoverHost.h"
#include "ui/menubar/PopoverLens.h"

#include <memory>
#include <optional>

namespace corvale {

class AppDelegate;

// What the tray icon's clicks open: the dashboard on a primary click, the quick menu on a
// secondary or Control-click. Owns the one config model the menus bind to and connects its
// callbacks to the application object. At most one of the two popups is open at a time, and
// closing the dashboard is what marks the recent alerts as seen.
class StatusMenus {
public:
    enum class Click { primary, secondary };

    StatusMenus(AppDelegate& delegate, LogFn log);
    ~StatusMenus();
    StatusMenus(const StatusMenus&) = delete;
    StatusMenus& operator=(const StatusMenus&) = delete;

    // Start-up: creates the model and connects its callbacks. The host is attached afterwards,
    // because its popups are built on the model.
    void setupStatusItem();
    void attachHost(PopoverHost* host) { host_ = host; }

    ConfigModel& configModel() { return *configModel_; }
    // The dashboard's lens when it is built; choosing one remembers it.
    PopoverLens initialLens() const;
    void chooseLens(PopoverLens lens);
    int snoozeMinutes() const;

    // `click` is none when the click came without a mouse event (keyboard activation).
    void statusClicked(std::optional<Click> click, bool controlHeld);
    void togglePopover();
    void closePopover();
    void showQuickMenu();
    void refreshConfigModel();

private:
    void connectCallbacks();
    void markAlertsSeen();
    void clearRecentAlerts();

    AppDelegate& delegate_;
    LogFn log_;
    PopoverHost* host_ = nullptr;
    // The callbacks capture this object; they die with the model it owns.
    std::unique_ptr<ConfigModel> configModel_;
};

} // namespace corvale
