#pragma once

#include "core/FlashColor.h"

#include <optional>
#include <string>

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
};

} // namespace corvale
