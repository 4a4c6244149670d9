#pragma once

#include <string>

namespace corvale {

// Identifies a pane of the settings window; equal when kind and application name are equal.
struct PaneID {
    enum class Kind {
        app,
        general,
        recentAlerts,
        allOtherApps,
        starterPresets,
        soundLibrary,
        setup,
        detection,
        help,
        about
    };
    Kind kind = Kind::general;
    // Only for Kind::app: the application whose editor the pane shows.
    std::string appName;

    static PaneID app(std::string name) { return {Kind::app, std::move(name)}; }
    static PaneID of(Kind kind) { return {kind, {}}; }

    friend bool operator==(const PaneID&, const PaneID&) = default;
};

} // namespace corvale
