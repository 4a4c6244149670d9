#pragma once

#include <QObject>
#include <vector>

class QAbstractButton;
class QPainter;
class QPalette;
class QRectF;
class QWidget;

namespace corvale::settings {

// The mark of the keyboard focus on controls that paint themselves: a dashed ring in the text
// colour, which reads over the accent a chosen tile or a selected row is drawn in.
void paintFocusRing(QPainter& painter, const QRectF& around, const QPalette& palette,
                    bool round = false);
// Whether `widget` shows its focus: it has it, and the keyboard has moved the focus in its window
// (a click alone does not ring what it clicked).
bool showsFocus(const QWidget& widget);

// The keyboard of a picker made of tiles (swatches, glyph styles, flash styles), as radio buttons
// behave in Qt: the picker is one Tab stop, entered at the chosen tile; the arrow keys, Home and
// End move the focus between tiles without choosing; Space or Enter chooses the focused tile.
// Moving alone never chooses, so walking past a tile neither writes a rule nor opens a dialog.
// The focused tile wears a dashed ring in the text colour over whatever the tile paints (its
// chosen mark is in the accent), once the keyboard has moved the focus in the window.
class TileKeys : public QObject {
public:
    enum class Ring { roundedRect, circle };

    // `columns` tiles to a row for Up and Down (0: one row, where Up and Down step as Left and
    // Right do).
    TileKeys(QWidget* picker, Ring ring, int columns = 0);

    // Tiles join in reading order.
    void add(QAbstractButton* tile);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    int indexOf(const QObject* tile) const;
    void moveFocus(int from, int step);
    void giveTabStopTo(const QAbstractButton* stop);
    void tabStopToChosen();
    void paintRing(QAbstractButton* tile);

    std::vector<QAbstractButton*> tiles_;
    Ring ring_;
    int columns_;
};

} // namespace corvale::settings
