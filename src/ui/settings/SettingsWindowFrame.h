#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace corvale {

// A window's place on the desktop, in the desktop's coordinates.
struct WindowRect {
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;

    friend bool operator==(const WindowRect&, const WindowRect&) = default;
};

// Where the settings window opens: its remembered frame when that still shows on a screen,
// else centred on the main screen.
namespace SettingsWindowFrame {

inline constexpr const char* autosaveName = "CorvaleSettingsWindow";
inline constexpr int defaultWidth = 840;
inline constexpr int defaultHeight = 560;
inline constexpr int minWidth = 814;
inline constexpr int minHeight = 440;
inline constexpr int maxWidth = 1400;
inline constexpr int maxHeight = 1000;
// How much of a remembered frame must lie on a screen for the user to reach it and drag it back.
inline constexpr int minVisible = 48;

// "x y width height".
std::string storedText(const WindowRect& frame);
// None for anything but four integers with a positive width and height.
std::optional<WindowRect> fromStoredText(std::string_view text);

// `screens` are the screens' usable areas; `primary` indexes the main one (out of range: the
// first). The size is the remembered one held within the window's limits, else the default.
WindowRect placement(const std::optional<WindowRect>& saved, const std::vector<WindowRect>& screens,
                     std::size_t primary);

} // namespace SettingsWindowFrame
} // namespace corvale
