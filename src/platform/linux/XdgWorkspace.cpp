#include "platform/linux/XdgWorkspace.h"

#include "core/AtomicFile.h"
#include "core/Text.h"
#include "platform/linux/X11WindowRaiser.h"

#include <QProcess>
#include <QString>
#include <QStringList>
#include <algorithm>
#include <map>
#include <set>
#include <sys/stat.h>
#include <unistd.h>

namespace corvale {

namespace fs = std::filesystem;

namespace {

AppLocation locationOf(const DesktopEntryIndex::Application& app) {
    return {app.name, app.id, app.file};
}

std::string baseName(const std::string& path) {
    return fs::path(path).filename().string();
}

// Programs that run other programs: their name says nothing about the application.
bool isLauncher(const std::string& program) {
    static const std::set<std::string> launchers = {
        "sh",      "bash", "dash", "zsh", "env",      "flatpak",    "snap", "python",
        "python3", "perl", "java", "gjs", "xdg-open", "gtk-launch", "gio",  "exo-open"};
    return launchers.contains(program);
}

// The name of the program an entry's command runs, seen past "env VAR=value".
std::string programOf(const DesktopEntry& entry) {
    auto words = DesktopEntry::splitExec(entry.string("Exec").value_or(""));
    if (!words) {
        return {};
    }
    size_t i = 0;
    if (i < words->size() && baseName((*words)[i]) == "env") {
        ++i;
        while (i < words->size() &&
               ((*words)[i].find('=') != std::string::npos || (*words)[i].starts_with("-"))) {
            ++i;
        }
    }
    return i < words->size() ? baseName((*words)[i]) : std::string{};
}

std::string readSmallFile(const fs::path& path) {
    std::string contents;
    std::string error;
    readWholeFile(path, contents, error);
    return contents;
}

struct Process {
    int pid = 0;
    std::string exe;   // the executable's file name
    std::string argv0; // the file name of the first command-line word
    std::string comm;  // the kernel's short name
};

std::vector<Process> ownProcesses(const fs::path& proc) {
    std::vector<Process> processes;
    auto uid = getuid();
    std::error_code ec;
    for (fs::directory_iterator it(proc, ec), end; !ec && it != end; it.increment(ec)) {
        auto pid = it->path().filename().string();
        if (pid.empty() || !std::all_of(pid.begin(), pid.end(), ::isdigit)) {
            continue;
        }
        struct stat info {};
        if (stat(it->path().c_str(), &info) != 0 || info.st_uid != uid) {
            continue;
        }
        Process p;
        p.pid = std::stoi(pid);
        std::error_code linkError;
        auto exe = fs::read_symlink(it->path() / "exe", linkError);
        if (!linkError) {
            p.exe = exe.filename().string();
            // A program replaced while it runs still shows under its name.
            if (p.exe.ends_with(" (deleted)")) {
                p.exe.erase(p.exe.size() - std::string(" (deleted)").size());
            }
        }
        auto cmdline = readSmallFile(it->path() / "cmdline");
        p.argv0 = baseName(cmdline.substr(0, cmdline.find('\0')));
        p.comm = trimmed(readSmallFile(it->path() / "comm"));
        processes.push_back(std::move(p));
    }
    return processes;
}

bool startDetached(const std::vector<std::string>& command, const fs::path& workingFolder = {}) {
    if (command.empty()) {
        return false;
    }
    QStringList arguments;
    for (size_t i = 1; i < command.size(); ++i) {
        arguments << QString::fromStdString(command[i]);
    }
    return QProcess::startDetached(QString::fromStdString(command.front()), arguments,
                                   QString::fromStdString(workingFolder.string()));
}

} // namespace

XdgWorkspace::XdgWorkspace(Folders folders, std::string iconTheme)
    : folders_(std::move(folders)), icons_(folders_.icons, std::move(iconTheme)) {}

DesktopEntryIndex XdgWorkspace::index() const {
    return DesktopEntryIndex(folders_.applications);
}

std::vector<RunningApp> XdgWorkspace::runningApplications() {
    auto apps = index();
    std::map<std::string, const DesktopEntryIndex::Application*> byProgram;
    std::map<std::string, const DesktopEntryIndex::Application*> byWindowClass;
    for (const auto& app : apps.applications()) {
        for (auto program :
             {programOf(app.entry), baseName(app.entry.string("TryExec").value_or(""))}) {
            if (!program.empty() && !isLauncher(program)) {
                byProgram.emplace(program, &app);
            }
        }
        if (auto wmClass = app.entry.string("StartupWMClass"); wmClass && !wmClass->empty()) {
            byWindowClass.emplace(caseFolded(*wmClass), &app);
        }
    }

    std::vector<RunningApp> running;
    std::set<std::string> listed;
    for (const auto& process : ownProcesses(folders_.proc)) {
        const DesktopEntryIndex::Application* match = nullptr;
        for (const auto& name : {process.exe, process.argv0}) {
            if (auto found = byProgram.find(name); !match && found != byProgram.end()) {
                match = found->second;
            }
        }
        for (const auto& name : {process.argv0, process.comm}) {
            if (auto found = byWindowClass.find(caseFolded(name));
                !match && !name.empty() && found != byWindowClass.end()) {
                match = found->second;
            }
        }
        if (match && listed.insert(match->id).second) {
            running.push_back({locationOf(*match), !match->entry.boolean("NoDisplay")});
        }
    }
    return running;
}

std::optional<AppLocation> XdgWorkspace::applicationWithDesktopId(const std::string& desktopId) {
    auto apps = index();
    auto id =
        desktopId.ends_with(".desktop") ? desktopId.substr(0, desktopId.size() - 8) : desktopId;
    if (const auto* app = apps.withID(id)) {
        return locationOf(*app);
    }
    return std::nullopt;
}

std::optional<AppLocation> XdgWorkspace::installedApplication(const std::string& name) {
    auto apps = index();
    if (const auto* app = apps.named(name)) {
        return locationOf(*app);
    }
    return std::nullopt;
}

std::vector<AppLocation> XdgWorkspace::installedApplications() {
    const auto found = index();
    std::vector<AppLocation> apps;
    for (const auto& app : found.applications()) {
        // Entries the menus hide are helpers and handlers, not something a person picks.
        if (!app.entry.boolean("NoDisplay")) {
            apps.push_back(locationOf(app));
        }
    }
    return apps;
}

bool XdgWorkspace::raiseApplication(const AppLocation& app) {
    auto entry = DesktopEntry::load(app.path);
    if (!entry) {
        return false;
    }
    std::set<std::string> programs;
    for (auto program : {programOf(*entry), baseName(entry->string("TryExec").value_or(""))}) {
        if (!program.empty() && !isLauncher(program)) {
            programs.insert(program);
        }
    }
    // Windows are known by the class their program gives them, usually its own name, its
    // desktop id, or what the entry says it is.
    X11WindowRaiser::Wanted wanted;
    for (const auto& name : programs) {
        wanted.classes.insert(caseFolded(name));
    }
    if (!app.desktopId.empty()) {
        wanted.classes.insert(caseFolded(app.desktopId));
    }
    const auto wmClass = caseFolded(entry->string("StartupWMClass").value_or(""));
    if (!wmClass.empty()) {
        wanted.classes.insert(wmClass);
    }
    for (const auto& process : ownProcesses(folders_.proc)) {
        if (programs.contains(process.exe) || programs.contains(process.argv0) ||
            (!wmClass.empty() &&
             (caseFolded(process.argv0) == wmClass || caseFolded(process.comm) == wmClass))) {
            wanted.pids.insert(process.pid);
        }
    }
    return X11WindowRaiser::raise(wanted);
}

bool XdgWorkspace::openApplication(const AppLocation& app) {
    auto entry = DesktopEntry::load(app.path);
    if (!entry || entry->boolean("Terminal")) {
        return false;
    }
    auto command = entry->launchCommand(DesktopEntry::currentLocale(), app.path);
    if (!command) {
        return false;
    }
    return startDetached(*command, entry->string("Path").value_or(""));
}

std::string XdgWorkspace::defaultHandler(const std::string& scheme) {
    QProcess query;
    query.start("xdg-mime",
                {"query", "default", QString::fromStdString("x-scheme-handler/" + scheme)});
    if (!query.waitForFinished(10'000)) {
        query.kill();
        query.waitForFinished(1000);
        return {};
    }
    if (query.exitStatus() != QProcess::NormalExit || query.exitCode() != 0) {
        return {};
    }
    return trimmed(query.readAllStandardOutput().toStdString());
}

bool XdgWorkspace::openURL(const std::string& url) {
    auto colon = url.find(':');
    if (colon == std::string::npos || colon == 0) {
        return false;
    }
    // The opener starts, and so reports success, even when nothing handles the scheme: ask
    // first whether anything does.
    if (defaultHandler(url.substr(0, colon)).empty()) {
        return false;
    }
    return startDetached({"xdg-open", url});
}

std::optional<fs::path> XdgWorkspace::iconFile(const AppLocation& app) {
    auto entry = DesktopEntry::load(app.path);
    if (!entry) {
        return std::nullopt;
    }
    return icons_.find(entry->string("Icon").value_or(""));
}

bool XdgWorkspace::revealFile(const fs::path& path) {
    // The opener shows folders in the file manager; selecting the file needs more than it offers.
    auto folder = path.parent_path();
    std::error_code ec;
    if (folder.empty() || !fs::is_directory(folder, ec)) {
        return false;
    }
    return startDetached({"xdg-open", folder.string()});
}

} // namespace corvale
