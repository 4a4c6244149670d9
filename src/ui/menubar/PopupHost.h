#pragma once

#include "ui/menubar/PanelCorner.h"

#include <functional>
#include <string>

namespace corvale {

// The desktop's side of the dashboard and the quick menu: two popups beside the tray icon. The
// menus' logic decides when each opens and closes; the host only does it.
class PopupHost {
public:
    virtual ~PopupHost() = default;

    // Whether the desktop has a system tray to show our icon in now.
    virtual bool hasTray() const = 0;

    virtual bool isDashboardShown() const = 0;
    // Shows the dashboard beside the tray icon and gives it the keyboard while it is open; says
    // where it went up.
    virtual TrayAnchor showDashboard() = 0;
    // Shows the dashboard as an ordinary window of its own, for a desktop without a tray; it
    // stays open until the user closes it. Brought to the front when it is open already.
    virtual void showDashboardWindow() = 0;
    virtual void closeDashboard() = 0;
    // Calls `onOutsideClick` when the open dashboard goes away by itself: the user pressed a
    // mouse button outside the popup, or closed the window. An empty function removes the watch.
    virtual void watchOutsideClicks(std::function<void()> onOutsideClick) = 0;

    // The quick menu closes by itself on any click outside it.
    virtual bool isQuickMenuShown() const = 0;
    virtual void showQuickMenu() = 0;
    virtual void closeQuickMenu() = 0;

    // Asks a question with a confirming and a cancelling button; true when the user confirmed.
    virtual bool confirm(const std::string& title, const std::string& text,
                         const std::string& confirmButton, const std::string& cancelButton) = 0;
    // Ends the program's event loop.
    virtual void quit() = 0;
};

} // namespace corvale
