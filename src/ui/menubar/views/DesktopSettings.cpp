#include "ui/menubar/views/DesktopSettings.h"

#include <QProcess>
#include <QStandardPaths>
#include <QStringList>

namespace corvale {

std::function<void()> desktopNotificationSettingsOpener() {
    struct Panel {
        const char* program;
        const char* argument;
    };
    for (Panel panel : {Panel{"gnome-control-center", "notifications"},
                        Panel{"systemsettings", "kcm_notifications"},
                        Panel{"systemsettings5", "kcm_notifications"}}) {
        QString path = QStandardPaths::findExecutable(panel.program);
        if (!path.isEmpty()) {
            QString argument = panel.argument;
            return [path, argument] { QProcess::startDetached(path, {argument}); };
        }
    }
    return {};
}

} // namespace corvale
