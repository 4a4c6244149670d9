#pragma once

#include "core/AccentTheme.h"

#include <QColor>
#include <QWidget>
#include <functional>
#include <optional>

class QToolButton;

namespace corvale {

// The dropdown theme: a brand tile, a tile that follows the desktop's accent colour, and a custom
// colour chosen in a colour dialog. Choosing one calls back with the theme to store.
class ThemeColorPicker : public QWidget {
public:
    // Asks the user for a colour, starting from `initial`; none when cancelled.
    using ColorChooser = std::function<std::optional<QColor>(const QColor& initial, QWidget*)>;

    ThemeColorPicker(const AccentTheme& current, QWidget* parent = nullptr);

    std::function<void(const AccentTheme&)> onChoose;
    // The desktop's colour dialog unless replaced (tests answer it themselves).
    ColorChooser chooseColor;

protected:
    void changeEvent(QEvent* event) override;

private:
    void choose(const AccentTheme& theme);
    void drawTiles();

    AccentTheme current_;
    QToolButton* brand_;
    QToolButton* system_;
    QToolButton* custom_;
};

} // namespace corvale
