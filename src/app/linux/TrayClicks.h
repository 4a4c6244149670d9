#pragma once

class QSystemTrayIcon;

namespace corvale {

class StatusMenus;

// Routes the tray icon's clicks to the menus: a primary click (or an activation from the
// keyboard) opens the dashboard, a secondary or Control-click the quick menu.
void connectTrayClicks(QSystemTrayIcon& icon, StatusMenus& menus);

} // namespace corvale
