#pragma once

#include "ui/settings/views/SettingsWindow.h"

namespace corvale {

// The panes the settings window can show in this build, by kind. The General pane is the
// window's own and always there.
PaneFactories settingsPaneFactories();

} // namespace corvale
