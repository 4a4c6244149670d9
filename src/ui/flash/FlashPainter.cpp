#include "ui/flash/FlashPainter.h"

#include "signals/FlashGeometry.h"

#include <QFontDatabase>
#include <QFontMetricsF>
#include <QPainterPath>

#include <cmath>

namespace corvale {
namespace {

FlashSize flashSize(QSizeF view) {
    return {view.width(), view.height()};
}

// The bands actually drawn: a full-screen flash shown without compositing bands every edge.
FlashStyle drawnStyle(FlashStyle style, bool composited) {
    return !composited && style == FlashStyle::fullScreen ? FlashStyle::edge : style;
}

} // namespace

QColor toQColor(const FlashColor& color, double alpha) {
    return QColor::fromRgbF(static_cast<float>(color.r), static_cast<float>(color.g),
                            static_cast<float>(color.b), static_cast<float>(alpha));
}

QFont FlashPainter::labelFont(QSizeF view) {
    QFont font = QFontDatabase::systemFont(QFontDatabase::GeneralFont);
    font.setBold(true);
    font.setPixelSize(static_cast<int>(std::lround(FlashGeometry::labelFontSize(flashSize(view)))));
    return font;
}

QRectF FlashPainter::labelRect(QSizeF view, const OverlayContent& content) {
    if (content.name.empty()) {
        return {};
    }
    const QFont font = labelFont(view);
    const QFontMetricsF metrics(font);
    const QString name = QString::fromStdString(content.name);
    const FlashSize text{metrics.horizontalAdvance(name), metrics.height()};
    const FlashSize pill = FlashGeometry::labelSize(text, font.pixelSize());
    const double band = FlashGeometry::band(flashSize(view));
    const FlashPoint centre = FlashGeometry::namePillCenter(
        content.style, {0, 0, view.width(), view.height()}, pill, band);
    return {centre.x - pill.width / 2, centre.y - pill.height / 2, pill.width, pill.height};
}

void FlashPainter::paint(QPainter& painter, QSizeF view, const OverlayContent& content,
                         bool composited) {
    painter.setRenderHint(QPainter::Antialiasing);
    const QColor fill = toQColor(content.fill);
    for (const auto& r :
         FlashGeometry::fillRects(drawnStyle(content.style, composited), flashSize(view))) {
        painter.fillRect(QRectF(r.x, r.y, r.width, r.height), fill);
    }
    const QRectF label = labelRect(view, content);
    if (label.isEmpty()) {
        return;
    }
    painter.setPen(Qt::NoPen);
    painter.setBrush(fill);
    painter.drawRoundedRect(label, label.height() / 2, label.height() / 2);
    painter.setFont(labelFont(view));
    painter.setPen(toQColor(content.textColor));
    painter.drawText(label, Qt::AlignCenter, QString::fromStdString(content.name));
}

QRegion FlashPainter::shape(QSize view, const OverlayContent& content) {
    QRegion region;
    for (const auto& r : FlashGeometry::fillRects(drawnStyle(content.style, false),
                                                  {double(view.width()), double(view.height())})) {
        region += QRectF(r.x, r.y, r.width, r.height).toAlignedRect();
    }
    const QRectF label = labelRect(QSizeF(view), content);
    if (!label.isEmpty()) {
        QPainterPath pill;
        pill.addRoundedRect(label, label.height() / 2, label.height() / 2);
        region += QRegion(pill.toFillPolygon().toPolygon());
    }
    return region;
}

} // namespace corvale
