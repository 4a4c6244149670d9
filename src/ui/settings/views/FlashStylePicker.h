#pragma once

#include "core/FlashColor.h"
#include "core/FlashValues.h"

#include <QColor>
#include <QWidget>
#include <functional>

class QLabel;

namespace corvale::settings {

// Every screen-flash style as a small diagram of a screen with its bands, in a grid of tiles that
// is one Tab stop, with the arrow keys moving between tiles and Space or Enter choosing (TileKeys);
// each is named by the style's title. The line under the grid names the chosen style.
class FlashStylePicker : public QWidget {
public:
    FlashStylePicker(FlashStyle current, const QColor& bandColor, QWidget* parent = nullptr);

    FlashStyle style() const { return current_; }
    // Called when the user chooses another style.
    std::function<void(FlashStyle)> onChoose;

private:
    void choose(FlashStyle style);

    FlashStyle current_;
    QLabel* line_ = nullptr;
};

} // namespace corvale::settings
