#pragma once

#include <QWidget>
#include <functional>
#include <string>

class QButtonGroup;

namespace corvale {

// A row of tiles, one per tray glyph style, the current one marked. Each tile is named by its
// style, as its tool tip and for screen readers; choosing one calls back with the style's key.
class IconSwatchPicker : public QWidget {
public:
    IconSwatchPicker(const std::string& currentKey, QWidget* parent = nullptr);

    std::function<void(const std::string& key)> onChoose;
    std::string currentKey() const;

protected:
    void changeEvent(QEvent* event) override;

private:
    void drawTiles();

    QButtonGroup* group_;
};

} // namespace corvale
