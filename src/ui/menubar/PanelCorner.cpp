#include "ui/menubar/PanelCorner.h"

namespace corvale {

TrayAnchor panelCorner(const ScreenArea& screen, const ScreenArea& available) {
    const int trimmedTop = available.y - screen.y;
    const int trimmedBottom = (screen.y + screen.height) - (available.y + available.height);
    const int trimmedLeft = available.x - screen.x;
    const int trimmedRight = (screen.x + screen.width) - (available.x + available.width);
    const bool bottom = trimmedBottom > trimmedTop;
    // A panel along the bottom or top spans the width: only a side panel without a right one
    // moves the tray to the left.
    const bool left = trimmedLeft > trimmedRight;
    if (bottom) {
        return left ? TrayAnchor::bottomLeft : TrayAnchor::bottomRight;
    }
    return left ? TrayAnchor::topLeft : TrayAnchor::topRight;
}

std::string trayAnchorName(TrayAnchor anchor) {
    switch (anchor) {
    case TrayAnchor::icon:
        return "tray icon";
    case TrayAnchor::topLeft:
        return "top-left corner";
    case TrayAnchor::topRight:
        return "top-right corner";
    case TrayAnchor::bottomLeft:
        return "bottom-left corner";
    case TrayAnchor::bottomRight:
        return "bottom-right corner";
    }
    return "tray icon";
}

} // namespace corvale
