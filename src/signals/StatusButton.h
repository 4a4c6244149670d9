#pragma once

#include "core/FlashColor.h"
#include "signals/MenuBarLength.h"

#include <optional>
#include <string>
#include <vector>

namespace corvale {

// The status item's button in the desktop's tray: what it shows and how it blinks.
class StatusButton {
public:
    virtual ~StatusButton() = default;
    // Shows the named glyph, with the unread badge beside it when `badge` is not empty; false
    // when no image could be made, and the button then keeps what it showed.
    virtual bool setImage(const std::string& symbol, const std::string& badge) = 0;
    // Colours the glyph; none gives it back its normal colour.
    virtual void setTint(std::optional<FlashColor> color) = 0;
    virtual void setOpacity(double opacity) = 0;

    // Whether the tray shows an item wider than tall. Trays that draw a square icon at their own
    // size do not: there the badge stays inside the square and no width is ever set.
    virtual bool honoursWidth() const { return false; }
    // The width in points of the image shown now.
    virtual double imageWidth() const { return 0; }
    // The plain glyph of `symbol` rendered for the pixel scan of the tight width; `pixels` keeps
    // the alpha values alive. False when it cannot be rendered.
    virtual bool renderGlyph(const std::string& /*symbol*/, GlyphBitmap& /*out*/,
                             std::vector<float>& /*pixels*/) {
        return false;
    }
    virtual void setLength(double /*points*/) {}
};

} // namespace corvale
