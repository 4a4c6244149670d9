#include "silence/linux/GnomeCustomShortcuts.h"

#include "silence/GnomeKeybindings.h"

#include <QProcess>
#include <QStandardPaths>
#include <algorithm>

namespace corvale {

namespace G = GnomeKeybindings;

namespace {

QString entry(const std::string& name) {
    return QString::fromStdString(std::string(G::entrySchema) + ":" + G::path(name));
}

} // namespace

GnomeCustomShortcuts::GnomeCustomShortcuts(LogFn log) : log_(std::move(log)) {}

std::optional<std::string> GnomeCustomShortcuts::gsettings(const QStringList& arguments) {
    const QString program = QStandardPaths::findExecutable("gsettings");
    if (program.isEmpty()) {
        log_("[hotkey] cannot change GNOME's shortcuts: gsettings is not installed");
        return std::nullopt;
    }
    QProcess process;
    process.start(program, arguments);
    if (!process.waitForFinished(5000) || process.exitStatus() != QProcess::NormalExit ||
        process.exitCode() != 0) {
        process.kill();
        log_("[hotkey] gsettings " + arguments.join(' ').toStdString() +
             " failed: " + process.readAllStandardError().trimmed().toStdString());
        return std::nullopt;
    }
    return process.readAllStandardOutput().toStdString();
}

std::optional<std::vector<std::string>> GnomeCustomShortcuts::list() {
    const auto text = gsettings({"get", G::listSchema, G::listKey});
    return text ? G::parseList(*text) : std::nullopt;
}

bool GnomeCustomShortcuts::writeList(const std::vector<std::string>& paths) {
    return paths.empty() ? gsettings({"reset", G::listSchema, G::listKey}).has_value()
                         : gsettings({"set", G::listSchema, G::listKey,
                                      QString::fromStdString(G::formatList(paths))})
                               .has_value();
}

bool GnomeCustomShortcuts::isSet(const std::string& name) {
    const auto paths = list();
    return paths && std::find(paths->begin(), paths->end(), G::path(name)) != paths->end();
}

bool GnomeCustomShortcuts::set(const Shortcut& shortcut) {
    auto paths = list();
    if (!paths) {
        return false;
    }
    const QString at = entry(shortcut.name);
    for (auto [key, value] :
         {std::pair{"name", &shortcut.title}, std::pair{"command", &shortcut.command},
          std::pair{"binding", &shortcut.binding}}) {
        if (!gsettings({"set", at, key, QString::fromStdString(G::quoted(*value))})) {
            return false;
        }
    }
    const auto path = G::path(shortcut.name);
    if (std::find(paths->begin(), paths->end(), path) == paths->end()) {
        paths->push_back(path);
        return writeList(*paths);
    }
    return true;
}

bool GnomeCustomShortcuts::remove(const std::string& name) {
    auto paths = list();
    if (!paths) {
        return false;
    }
    const auto path = G::path(name);
    const auto found = std::find(paths->begin(), paths->end(), path);
    if (found != paths->end()) {
        paths->erase(found);
        if (!writeList(*paths)) {
            return false;
        }
    }
    bool reset = true;
    for (const char* key : {"name", "command", "binding"}) {
        reset = gsettings({"reset", entry(name), key}).has_value() && reset;
    }
    return reset;
}

} // namespace corvale
