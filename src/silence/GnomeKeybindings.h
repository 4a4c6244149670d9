#pragma once

#include "core/HotKeyCombo.h"

#include <optional>
#include <string>
#include <vector>

namespace corvale {

// GNOME's custom keyboard shortcuts: the list of their settings paths in
// org.gnome.settings-daemon.plugins.media-keys custom-keybindings, and at each path the
// relocatable schema's name, command and binding.
namespace GnomeKeybindings {

inline constexpr const char* listSchema = "org.gnome.settings-daemon.plugins.media-keys";
inline constexpr const char* listKey = "custom-keybindings";
inline constexpr const char* entrySchema =
    "org.gnome.settings-daemon.plugins.media-keys.custom-keybinding";

// Where the shortcut of this name lives:
// /org/gnome/settings-daemon/plugins/media-keys/custom-keybindings/NAME/
std::string path(const std::string& name);

// The list as gsettings prints and reads it: "@as []" or "['/a/', '/b/']". A text that is no
// such list reads as none, so nothing is written over what we cannot read.
std::optional<std::vector<std::string>> parseList(const std::string& text);
std::string formatList(const std::vector<std::string>& paths);

// A string as a GVariant text literal.
std::string quoted(const std::string& text);

// The combo as a GTK accelerator ("<Control><Alt>m"); none for a key without a keysym name.
std::optional<std::string> accelerator(const HotKeyCombo& combo);

} // namespace GnomeKeybindings
} // namespace corvale
