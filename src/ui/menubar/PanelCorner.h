#pragma once

#include <string>

namespace corvale {

// Where a popup beside the tray goes up: at the tray icon, or, where the tray gives no icon
// position (StatusNotifierItem hosts under Wayland), at a corner of the screen.
enum class TrayAnchor { icon, topLeft, topRight, bottomLeft, bottomRight };

// A rectangle of the screen in pixels.
struct ScreenArea {
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;
};

// The corner where the panel that holds the tray most likely is: on the edges that panels trim
// from the screen's available area, top and right where nothing says otherwise (GNOME's and
// most trays' place).
TrayAnchor panelCorner(const ScreenArea& screen, const ScreenArea& available);

// "top-right corner", for the log.
std::string trayAnchorName(TrayAnchor anchor);

} // namespace corvale
