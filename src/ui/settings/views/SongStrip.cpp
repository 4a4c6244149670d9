#include "ui/settings/views/SongStrip.h"

#include "ui/settings/views/WaveformPainting.h"

#include <QMouseEvent>
#include <QPainter>

#include <algorithm>

namespace corvale {

using waveform::drawBars;
using waveform::drawPanel;
using waveform::withAlpha;

SongStrip::SongStrip(ClipEditorModel& model, QWidget* parent) : QWidget(parent), model_(model) {
    setObjectName("songStrip");
    setAccessibleName(ClipEditorModel::songStripName);
    setCursor(Qt::PointingHandCursor);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
}

QSize SongStrip::sizeHint() const {
    return {600, 34};
}

QSize SongStrip::minimumSizeHint() const {
    return {240, 34};
}

void SongStrip::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    drawPanel(p, *this);
    const auto duration = model_.sourceDuration();
    if (!duration) {
        return;
    }
    const QPalette& palette = this->palette();
    const QColor accent = palette.color(QPalette::Highlight);
    const double w = width();
    const double d = *duration;
    drawBars(p, QRectF(4, 5, w - 8, height() - 10), model_.peaks(), d, 0, d,
             [&](double) { return withAlpha(palette.color(QPalette::WindowText), 0.3); });

    const auto window = model_.currentWindow();
    p.setPen(QPen(withAlpha(palette.color(QPalette::WindowText), 0.55), 1));
    p.setBrush(withAlpha(palette.color(QPalette::WindowText), 0.06));
    p.drawRoundedRect(QRectF(window.start / d * w + 1, 2, window.span / d * w - 2, height() - 4), 4,
                      4);

    const double centre = (model_.selStart() + model_.selEnd()) / 2 / d * w;
    const double markerWidth =
        std::max(StripDrag::minMarkerW, (model_.selEnd() - model_.selStart()) / d * w);
    p.setPen(Qt::NoPen);
    p.setBrush(withAlpha(accent, 0.85));
    p.drawRoundedRect(QRectF(centre - markerWidth / 2, 4, markerWidth, height() - 8), 2, 2);
}

void SongStrip::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) {
        return QWidget::mousePressEvent(event);
    }
    const double x = event->position().x();
    drag_ = StripDrag::begin(model_, x, width());
    // A press beside the marker brings the selection there at once.
    drag_->moveTo(model_, x, width());
    setCursor(Qt::ClosedHandCursor);
    event->accept();
}

void SongStrip::mouseMoveEvent(QMouseEvent* event) {
    if (drag_) {
        drag_->moveTo(model_, event->position().x(), width());
    }
}

void SongStrip::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) {
        drag_.reset();
        setCursor(Qt::PointingHandCursor);
    }
}

} // namespace corvale
