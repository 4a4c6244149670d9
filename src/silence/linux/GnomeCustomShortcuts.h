#pragma once

#include "core/Log.h"
#include "silence/DesktopShortcuts.h"

#include <QStringList>
#include <optional>
#include <string>
#include <vector>

namespace corvale {

// GNOME's custom keyboard shortcuts, written through the gsettings tool (as the show-banners
// setting is read), so Corvale links no GLib: an entry of the relocatable custom-keybinding schema
// under our own name, and its path in the media-keys list. Removing one resets its keys and takes
// the path out of the list, resetting the list when nothing else is in it.
class GnomeCustomShortcuts : public DesktopShortcuts {
public:
    explicit GnomeCustomShortcuts(LogFn log);

    bool isSet(const std::string& name) override;
    bool set(const Shortcut& shortcut) override;
    bool remove(const std::string& name) override;

private:
    std::optional<std::string> gsettings(const QStringList& arguments);
    std::optional<std::vector<std::string>> list();
    bool writeList(const std::vector<std::string>& paths);

    LogFn log_;
};

} // namespace corvale
