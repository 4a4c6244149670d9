#include "app/linux/TrayClicks.h"

#include "app/StatusMenus.h"

#include <QGuiApplication>
#include <QSystemTrayIcon>

namespace corvale {

void connectTrayClicks(QSystemTrayIcon& icon, StatusMenus& menus) {
    QObject::connect(&icon, &QSystemTrayIcon::activated, &icon,
                     [&menus](QSystemTrayIcon::ActivationReason reason) {
                         bool control = QGuiApplication::queryKeyboardModifiers().testFlag(
                             Qt::ControlModifier);
                         switch (reason) {
                         case QSystemTrayIcon::Trigger:
                             menus.statusClicked(StatusMenus::Click::primary, control);
                             return;
                         case QSystemTrayIcon::Context:
                             menus.statusClicked(StatusMenus::Click::secondary, control);
                             return;
                         case QSystemTrayIcon::Unknown:
                             menus.statusClicked(std::nullopt, false);
                             return;
                         // The first click of a double click already toggled the dashboard.
                         case QSystemTrayIcon::DoubleClick:
                         case QSystemTrayIcon::MiddleClick:
                             return;
                         }
                     });
}

} // namespace corvale
