#pragma once

#include "signals/OverlayHost.h"

#include <QColor>
#include <QFont>
#include <QPainter>
#include <QRectF>
#include <QRegion>
#include <QSize>

namespace corvale {

QColor toQColor(const FlashColor& color, double alpha = 1.0);

// Draws one overlay window's content: the fill or the bands, and the rounded name label.
struct FlashPainter {
    // Without a compositing manager a window cannot be translucent, so it draws only bands and the
    // label (a full-screen flash bands all four edges) and is cut to them by its shape.
    static void paint(QPainter& painter, QSizeF view, const OverlayContent& content,
                      bool composited);
    // The window shape of the uncomposited drawing.
    static QRegion shape(QSize view, const OverlayContent& content);
    // The name label's rectangle; empty when there is no name.
    static QRectF labelRect(QSizeF view, const OverlayContent& content);
    static QFont labelFont(QSizeF view);
};

} // namespace corvale
