#pragma once

#include "app/AppDelegate.h"
#include "core/Log.h"
#include "core/Preferences.h"
#include "ui/menubar/ConfigModel.h"
#include "ui/menubar/PopoverLens.h"
#include "ui/menubar/PopupHost.h"

#include <functional>
#include <memory>
#include <optional>
#include <string>

namespace corvale {

// What the tray icon's clicks open: the dashboard on a primary click, the quick menu on a
// secondary or Control-click. Answers the config model's hooks that concern the popups (quit,
// clearing all alerts, where the dashboard's rows lead). At most one of the two popups is open at a
// time, and closing the dashboard is what marks the recent alerts as seen.
class StatusMenus {
public:
    enum class Click { primary, secondary };

    // `preferences` holds the remembered lens.
    StatusMenus(AppDelegate& delegate, Preferences& preferences);
    ~StatusMenus();
    StatusMenus(const StatusMenus&) = delete;
    StatusMenus& operator=(const StatusMenus&) = delete;

    // Start-up, once the application object has its model: the dashboard asked for from outside
    // comes here. The host is attached afterwards, because its popups are built on the model.
    void setupStatusItem();
    void attachHost(PopupHost* host) { host_ = host; }
    // The quick menu's Quit.
    void quit();
    // Where the dashboard's rows lead: the settings window at a pane (`open`), and the
    // application behind an alert (`activate` answers whether one was found). Each closes the
    // popups first, so they do not stay on top of what they opened.
    void openSettings(const std::optional<PaneID>& pane,
                      const std::function<void(const std::optional<PaneID>&)>& open);
    void openApp(const std::string& app, const std::function<bool(const std::string&)>& activate,
                 const LogFn& log);
    // Empties the recent alerts once the user confirms.
    void clearRecentAlerts();

    ConfigModel& configModel();
    // The dashboard's lens when it is built; choosing one remembers it.
    PopoverLens initialLens() const;
    void chooseLens(PopoverLens lens);
    int snoozeMinutes() const;

    // `click` is none when the click came without a mouse event (keyboard activation).
    void statusClicked(std::optional<Click> click, bool controlHeld);
    void togglePopover();
    // The dashboard asked for from outside: beside the tray icon as a click opens it, or as a
    // window where the desktop has no tray. Open already, it is brought to the front.
    DashboardOpening openDashboard();
    void closePopover();
    void showQuickMenu();
    void refreshConfigModel();

private:
    void markAlertsSeen();

    AppDelegate& delegate_;
    Preferences& preferences_;
    PopupHost* host_ = nullptr;
};

} // namespace corvale
