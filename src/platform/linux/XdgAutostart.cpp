#include "platform/linux/XdgAutostart.h"

#include "core/AtomicFile.h"
#include "core/SupportPaths.h"
#include "platform/linux/DesktopEntry.h"

#include <cstdlib>

namespace corvale {

namespace fs = std::filesystem;

namespace {

// Whether an entry starts the program at login; none when it is not a usable entry.
std::optional<bool> startsAtLogin(const fs::path& file) {
    std::error_code ec;
    if (!fs::exists(file, ec)) {
        return std::nullopt;
    }
    auto entry = DesktopEntry::load(file);
    if (!entry || !entry->hasGroup(DesktopEntry::mainGroup)) {
        return false;
    }
    return !entry->boolean("Hidden") &&
           entry->string("X-GNOME-Autostart-enabled").value_or("true") != "false";
}

} // namespace

fs::path XdgAutostart::defaultUserFolder() {
    auto home = paths::configHome();
    return home ? *home / "autostart" : fs::path();
}

std::vector<fs::path> XdgAutostart::defaultSystemFolders() {
    const char* dirs = std::getenv("XDG_CONFIG_DIRS");
    std::string list = dirs != nullptr && dirs[0] != '\0' ? dirs : "/etc/xdg";
    std::vector<fs::path> folders;
    size_t start = 0;
    while (start <= list.size()) {
        auto end = std::min(list.find(':', start), list.size());
        auto dir = list.substr(start, end - start);
        if (!dir.empty() && dir.front() == '/') {
            folders.push_back(fs::path(dir) / "autostart");
        }
        start = end + 1;
    }
    return folders;
}

XdgAutostart::XdgAutostart(fs::path program, fs::path userFolder,
                           std::vector<fs::path> systemFolders)
    : program_(std::move(program)), userFolder_(std::move(userFolder)),
      systemFolders_(std::move(systemFolders)) {}

LoginItemStatus XdgAutostart::status() {
    if (userFolder_.empty()) {
        return LoginItemStatus::notFound;
    }
    // The user's entry decides over the system's.
    if (auto user = startsAtLogin(entryFile())) {
        return *user ? LoginItemStatus::enabled : LoginItemStatus::notRegistered;
    }
    for (const auto& folder : systemFolders_) {
        if (auto system = startsAtLogin(folder / fileName)) {
            return *system ? LoginItemStatus::enabled : LoginItemStatus::notRegistered;
        }
    }
    return LoginItemStatus::notRegistered;
}

std::optional<std::string> XdgAutostart::registerItem() {
    return writeEntry(false);
}

std::optional<std::string> XdgAutostart::unregisterItem() {
    for (const auto& folder : systemFolders_) {
        std::error_code ec;
        if (fs::exists(folder / fileName, ec)) {
            return writeEntry(true);
        }
    }
    std::error_code ec;
    fs::remove(entryFile(), ec);
    if (ec) {
        return "cannot remove " + entryFile().string() + ": " + ec.message();
    }
    return std::nullopt;
}

std::optional<std::string> XdgAutostart::writeEntry(bool hidden) {
    if (userFolder_.empty()) {
        return std::string("no configuration folder: set HOME or XDG_CONFIG_HOME");
    }
    auto program = program_.string();
    // A line break or other control character cannot stand in a command line of an entry.
    for (unsigned char c : program) {
        if (c < 0x20 || c == 0x7F) {
            return "the program's path cannot be written in an autostart entry: " + program;
        }
    }
    if (!hidden && !program_.is_absolute()) {
        return "the program's path is not absolute: " + program;
    }
    std::string text = "[Desktop Entry]\n"
                       "Type=Application\n"
                       "Name=Corvale\n"
                       "Comment=Give every application's notifications a sound, a flash and a "
                       "colour of their own\n"
                       "Exec=" +
                       DesktopEntry::escapeValue(DesktopEntry::quoteExecArgument(program)) +
                       "\n"
                       "Icon=corvale\n"
                       "Terminal=false\n"
                       "NoDisplay=true\n";
    text += hidden ? "Hidden=true\n" : "X-GNOME-Autostart-enabled=true\n";
    std::error_code ec;
    fs::create_directories(userFolder_, ec);
    if (ec) {
        return "cannot create " + userFolder_.string() + ": " + ec.message();
    }
    std::string error;
    if (!writeFileAtomically(entryFile(), text, error)) {
        return error;
    }
    return std::nullopt;
}

} // namespace corvale
