#pragma once

#include <functional>

namespace corvale {

class ConfigModel;
class Dialogs;
class NotificationCenter;
class SettingsPrefs;
class Workspace;

namespace settings {

// What the panes of the settings window work with. Every edit goes through the model or the
// preferences; the panes keep no state of their own beyond their widgets.
struct SettingsContext {
    ConfigModel& model;
    SettingsPrefs& prefs;
    NotificationCenter& center;
    Dialogs& dialogs;
    Workspace& workspace;
    // Told after a pane removed an application or applied a preset; the window rebuilds its
    // sidebar on them once the pane's action has finished.
    std::function<void()> onAppRemoved;
    std::function<void()> onPresetApplied;
};

} // namespace settings
} // namespace corvale
