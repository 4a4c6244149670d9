#include "ui/menubar/views/DesktopSettings.h"

#include <QProcess>
#include <QStandardPaths>
#include <QStringList>

namespace corvale {

namespace {

struct Panel {
    const char* program;
    const char* argument;
};

// The first installed panel, started directly (no shell) with its one fixed argument.
std::function<void()> firstInstalled(std::initializer_list<Panel> panels) {
    for (Panel panel : panels) {
        QString path = QStandardPaths::findExecutable(panel.program);
        if (!path.isEmpty()) {
            QString argument = panel.argument;
            return [path, argument] { QProcess::startDetached(path, {argument}); };
        }
    }
    return {};
}

} // namespace

std::function<void()> desktopNotificationSettingsOpener() {
    return firstInstalled({Panel{"gnome-control-center", "notifications"},
                           Panel{"systemsettings", "kcm_notifications"},
                           Panel{"systemsettings5", "kcm_notifications"}});
}

std::function<void()> desktopShortcutSettingsOpener() {
    return firstInstalled(
        {Panel{"systemsettings", "kcm_keys"}, Panel{"systemsettings5", "kcm_keys"}});
}

} // namespace corvale
