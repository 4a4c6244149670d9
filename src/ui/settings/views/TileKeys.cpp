#include "ui/settings/views/TileKeys.h"

#include <QAbstractButton>
#include <QApplication>
#include <QKeyEvent>
#include <QPainter>

#include <algorithm>

namespace corvale::settings {

void paintFocusRing(QPainter& painter, const QRectF& around, const QPalette& palette, bool round) {
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    QPen pen(palette.color(QPalette::WindowText), 1.5);
    pen.setDashPattern({3, 2});
    painter.setPen(pen);
    painter.setBrush(Qt::NoBrush);
    const QRectF ring = around.adjusted(1, 1, -1, -1);
    if (round) {
        painter.drawEllipse(ring);
    } else {
        painter.drawRoundedRect(ring, 7, 7);
    }
    painter.restore();
}

bool showsFocus(const QWidget& widget) {
    return widget.hasFocus() && widget.window()->testAttribute(Qt::WA_KeyboardFocusChange);
}

TileKeys::TileKeys(QWidget* picker, Ring ring, int columns)
    : QObject(picker), ring_(ring), columns_(std::max(0, columns)) {}

void TileKeys::add(QAbstractButton* tile) {
    tiles_.push_back(tile);
    tile->installEventFilter(this);
    // A choice made by a click or by the picker itself moves the Tab stop there, unless the
    // keyboard is among the tiles now (it leaves them through the tile it is on).
    connect(tile, &QAbstractButton::toggled, this, [this](bool on) {
        const bool focusInside = indexOf(QApplication::focusWidget()) >= 0;
        if (on && !focusInside) {
            tabStopToChosen();
        }
    });
    tabStopToChosen();
}

int TileKeys::indexOf(const QObject* tile) const {
    const auto found = std::find(tiles_.begin(), tiles_.end(), tile);
    return found == tiles_.end() ? -1 : static_cast<int>(found - tiles_.begin());
}

void TileKeys::giveTabStopTo(const QAbstractButton* stop) {
    for (auto* tile : tiles_) {
        tile->setFocusPolicy(tile == stop ? Qt::StrongFocus : Qt::ClickFocus);
    }
}

void TileKeys::tabStopToChosen() {
    const QAbstractButton* stop = nullptr;
    for (auto* tile : tiles_) {
        if (tile->isChecked()) {
            stop = tile;
            break;
        }
    }
    if (!stop && !tiles_.empty()) {
        stop = tiles_.front();
    }
    giveTabStopTo(stop);
}

void TileKeys::moveFocus(int from, int step) {
    const int count = static_cast<int>(tiles_.size());
    for (int at = from + step; at >= 0 && at < count; at += step) {
        QAbstractButton* tile = tiles_[static_cast<std::size_t>(at)];
        if (tile->isEnabled() && tile->isVisible()) {
            tile->window()->setAttribute(Qt::WA_KeyboardFocusChange);
            tile->setFocus(step < 0 ? Qt::BacktabFocusReason : Qt::TabFocusReason);
            return;
        }
    }
}

void TileKeys::paintRing(QAbstractButton* tile) {
    if (showsFocus(*tile)) {
        QPainter p(tile);
        paintFocusRing(p, tile->rect(), tile->palette(), ring_ == Ring::circle);
    }
}

bool TileKeys::eventFilter(QObject* watched, QEvent* event) {
    const int index = indexOf(watched);
    if (index < 0) {
        return false;
    }
    QAbstractButton* tile = tiles_[static_cast<std::size_t>(index)];
    switch (event->type()) {
    case QEvent::Paint:
        // The tile paints itself first; the ring goes over it.
        static_cast<QObject*>(tile)->event(event);
        paintRing(tile);
        return true;
    case QEvent::FocusIn:
        giveTabStopTo(tile);
        return false;
    case QEvent::FocusOut:
        if (indexOf(QApplication::focusWidget()) < 0) {
            tabStopToChosen();
        }
        return false;
    case QEvent::KeyPress:
        break;
    default:
        return false;
    }
    const auto* key = static_cast<QKeyEvent*>(event);
    if ((key->modifiers() & ~Qt::KeypadModifier) != Qt::NoModifier) {
        return false;
    }
    const bool mirrored = tile->layoutDirection() == Qt::RightToLeft;
    const int count = static_cast<int>(tiles_.size());
    const int row = columns_ > 0 ? columns_ : 1;
    switch (key->key()) {
    case Qt::Key_Left:
        moveFocus(index, mirrored ? 1 : -1);
        return true;
    case Qt::Key_Right:
        moveFocus(index, mirrored ? -1 : 1);
        return true;
    case Qt::Key_Up:
        moveFocus(index, -row);
        return true;
    case Qt::Key_Down:
        moveFocus(index, row);
        return true;
    case Qt::Key_Home:
        moveFocus(-1, 1);
        return true;
    case Qt::Key_End:
        moveFocus(count, -1);
        return true;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        tile->click();
        return true;
    default:
        return false;
    }
}

} // namespace corvale::settings
