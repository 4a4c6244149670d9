#include "ui/settings/views/WaveformLane.h"

#include "ui/menubar/views/FormHelpers.h"
#include "ui/settings/views/WaveformPainting.h"

#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>

#include <algorithm>
#include <cmath>

namespace corvale {

using form::qs;
using waveform::drawBars;
using waveform::drawPanel;
using waveform::withAlpha;

namespace {

// The playhead stands out from the selection's accent in both palettes.
const QColor playheadColor{0xE5, 0x48, 0x4D};

} // namespace

WaveformLane::WaveformLane(ClipEditorModel& model, QWidget* parent)
    : QWidget(parent), model_(model) {
    setObjectName("waveformLane");
    setAccessibleName(ClipEditorModel::laneName);
    setFocusPolicy(Qt::StrongFocus);
    setMouseTracking(true);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
}

QSize WaveformLane::sizeHint() const {
    return {600, 150};
}

QSize WaveformLane::minimumSizeHint() const {
    return {240, 100};
}

void WaveformLane::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    drawPanel(p, *this);
    const QPalette& palette = this->palette();
    const auto duration = model_.sourceDuration();
    const auto window = model_.currentWindow();
    if (!duration || !(window.span > 0)) {
        drawLoadingNote(p);
        return;
    }
    const QColor accent = palette.color(QPalette::Highlight);
    const double w = width();
    const double rulerHeight = fontMetrics().height() + 6;
    const QRectF wave(2, 8, w - 4, height() - rulerHeight - 12);
    const auto xOf = [&](double t) { return (t - window.start) / window.span * w; };
    const double selStart = model_.selStart();
    const double selEnd = model_.selEnd();
    const double x0 = std::clamp(xOf(selStart), 0.0, w);
    const double x1 = std::clamp(xOf(selEnd), 0.0, w);

    p.save();
    QPainterPath inside;
    inside.addRoundedRect(QRectF(rect()).adjusted(1, 1, -1, -1), 6, 6);
    p.setClipPath(inside);
    p.fillRect(QRectF(x0, 0, x1 - x0, height()), withAlpha(accent, 0.16));
    const QColor outside = withAlpha(palette.color(QPalette::WindowText), 0.38);
    drawBars(p, wave, model_.peaks(), *duration, window.start, window.span,
             [&](double t) { return t >= selStart && t <= selEnd ? accent : outside; });

    // Seconds along the bottom: a tick each second (each half second in a short song), a time
    // every five seconds (every second).
    const bool fine = window.span <= 4;
    const double tick = fine ? 0.5 : 1.0;
    const int labelEvery = fine ? 2 : 5;
    QFont small = font();
    small.setPointSizeF(small.pointSizeF() * 0.85);
    p.setFont(small);
    const QColor rulerColour = palette.color(QPalette::PlaceholderText);
    const double rulerTop = height() - rulerHeight;
    for (long long i = static_cast<long long>(std::ceil(window.start / tick));
         i * tick <= window.start + window.span; ++i) {
        const double x = xOf(static_cast<double>(i) * tick);
        const bool labelled = i % labelEvery == 0;
        p.setPen(QPen(withAlpha(rulerColour, labelled ? 0.9 : 0.5), 1));
        p.drawLine(QPointF(x, rulerTop), QPointF(x, rulerTop + (labelled ? 5 : 3)));
        if (labelled) {
            const QString text = qs(ClipEditorModel::mmss(static_cast<double>(i) * tick));
            const double textWidth = p.fontMetrics().horizontalAdvance(text);
            const double left = std::clamp(x - textWidth / 2, 4.0, w - textWidth - 4);
            p.drawText(QRectF(left, rulerTop + 4, textWidth + 1, rulerHeight - 4),
                       Qt::AlignLeft | Qt::AlignTop, text);
        }
    }

    // The handles: a bar across the lane and a grip; the grip of the edge that shift-arrows trim
    // is filled.
    const auto active = model_.activeEdge();
    for (const auto& [x, edge] :
         {std::pair{x0, ClipEditorModel::Edge::start}, std::pair{x1, ClipEditorModel::Edge::end}}) {
        p.setPen(Qt::NoPen);
        p.setBrush(accent);
        p.drawRect(QRectF(x - 1, 0, 2, rulerTop));
        // Kept inside the lane, so a selection at the song's very start or end shows its grip.
        const QRectF grip(std::clamp(x, 5.0, w - 5) - 4, wave.center().y() - 12, 8, 24);
        p.setPen(QPen(accent, 1.5));
        p.setBrush(edge == active ? accent : palette.color(QPalette::Base));
        p.drawRoundedRect(grip, 3, 3);
    }

    if (model_.isPlaying()) {
        const double x = std::clamp(xOf(model_.playhead()), 0.0, w);
        p.setPen(Qt::NoPen);
        p.setBrush(playheadColor);
        p.drawRect(QRectF(x - 1, 0, 2, rulerTop));
        QPolygonF marker;
        marker << QPointF(x - 5, 0) << QPointF(x + 5, 0) << QPointF(x, 7);
        p.drawPolygon(marker);
    }
    p.restore();
    drawLoadingNote(p);
}

void WaveformLane::drawLoadingNote(QPainter& p) {
    if (!model_.isLoading() || !model_.peaks().empty()) {
        return;
    }
    const QString text = ClipEditorModel::readingWaveform;
    const QSizeF size(fontMetrics().horizontalAdvance(text) + 24, fontMetrics().height() + 10);
    const QRectF placed(QPointF(rect().center()) - QPointF(size.width(), size.height()) / 2, size);
    p.setPen(QPen(palette().color(QPalette::Mid), 1));
    p.setBrush(palette().color(QPalette::Base));
    p.drawRoundedRect(placed, placed.height() / 2, placed.height() / 2);
    p.setPen(palette().color(QPalette::PlaceholderText));
    p.drawText(placed, Qt::AlignCenter, text);
}

void WaveformLane::updateCursor(double x) {
    switch (LaneDrag::begin(model_, x, width()).mode()) {
    case LaneDrag::Mode::trimStart:
    case LaneDrag::Mode::trimEnd:
        setCursor(Qt::SizeHorCursor);
        break;
    case LaneDrag::Mode::move:
        setCursor(drag_ ? Qt::ClosedHandCursor : Qt::OpenHandCursor);
        break;
    case LaneDrag::Mode::ignored:
        unsetCursor();
        break;
    }
}

void WaveformLane::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) {
        return QWidget::mousePressEvent(event);
    }
    const double x = event->position().x();
    auto drag = LaneDrag::begin(model_, x, width());
    if (drag.mode() != LaneDrag::Mode::ignored) {
        drag_ = drag;
        updateCursor(x);
    }
    event->accept();
}

void WaveformLane::mouseMoveEvent(QMouseEvent* event) {
    const double x = event->position().x();
    if (drag_) {
        drag_->moveTo(model_, x, width());
    } else {
        updateCursor(x);
    }
}

void WaveformLane::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton && drag_) {
        drag_.reset();
        updateCursor(event->position().x());
    }
}

} // namespace corvale
