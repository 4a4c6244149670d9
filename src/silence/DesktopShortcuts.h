#pragma once

#include <string>

namespace corvale {

// The desktop's own custom keyboard shortcuts, each running a command, for sessions where no
// program may hold a global shortcut. Only what Corvale added under its own names is touched.
class DesktopShortcuts {
public:
    struct Shortcut {
        std::string name;    // ours, stable across runs ("corvale-mute")
        std::string title;   // what the desktop's settings list
        std::string command; // the command line it runs
        std::string binding; // the keys, in the desktop's accelerator form
    };

    virtual ~DesktopShortcuts() = default;
    virtual bool isSet(const std::string& name) = 0;
    // Adds the shortcut, or updates it when it is there; false when the desktop refused.
    virtual bool set(const Shortcut& shortcut) = 0;
    virtual bool remove(const std::string& name) = 0;
};

} // namespace corvale
