#pragma once

#include "core/FlashColor.h"

#include <QWidget>
#include <functional>
#include <optional>

namespace corvale::settings {

// The flash colour as a row of swatches: "Automatic" (no colour of its own), then every palette
// colour, each named for screen readers and showing its hex text as a tooltip. A rule's colour
// that is not in the palette shows as one more swatch, so the row always shows the stored value.
class FlashColorSwatchPicker : public QWidget {
public:
    FlashColorSwatchPicker(const std::optional<FlashColor>& current, QWidget* parent = nullptr);

    // Called when the user chooses another swatch; none is "Automatic".
    std::function<void(const std::optional<FlashColor>&)> onChoose;

private:
    void choose(const std::optional<FlashColor>& color);

    std::optional<FlashColor> current_;
};

} // namespace corvale::settings
