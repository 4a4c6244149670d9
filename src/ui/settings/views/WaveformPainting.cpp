#include "ui/settings/views/WaveformPainting.h"

#include <QPainter>
#include <QWidget>

#include <algorithm>
#include <cmath>

namespace corvale::waveform {

namespace {

// The largest peak of the buckets that cover [t0, t1) of a song of the given length.
float peakBetween(const std::vector<float>& peaks, double duration, double t0, double t1) {
    const auto n = static_cast<double>(peaks.size());
    const auto first =
        static_cast<std::size_t>(std::clamp(std::floor(t0 / duration * n), 0.0, n - 1));
    const auto last = static_cast<std::size_t>(
        std::clamp(std::floor(t1 / duration * n), static_cast<double>(first + 1), n));
    return *std::max_element(peaks.begin() + static_cast<std::ptrdiff_t>(first),
                             peaks.begin() + static_cast<std::ptrdiff_t>(last));
}

} // namespace

QColor withAlpha(QColor color, double alpha) {
    color.setAlphaF(static_cast<float>(alpha));
    return color;
}

void drawBars(QPainter& p, const QRectF& rect, const std::vector<float>& peaks, double duration,
              double start, double span, const std::function<QColor(double)>& colourOf) {
    if (peaks.empty() || !(duration > 0) || !(span > 0) || rect.width() < 1) {
        return;
    }
    const double visible = span / duration * static_cast<double>(peaks.size());
    const int columns =
        static_cast<int>(std::max(1.0, std::min(std::ceil(visible), std::floor(rect.width() / 3))));
    const double columnWidth = rect.width() / columns;
    const double barWidth = std::max(1.0, columnWidth - 1);
    const double middle = rect.center().y();
    p.setPen(Qt::NoPen);
    for (int c = 0; c < columns; ++c) {
        const double t0 = start + span * c / columns;
        const double t1 = start + span * (c + 1) / columns;
        const double height = std::max(1.0, peakBetween(peaks, duration, t0, t1) * rect.height());
        p.setBrush(colourOf((t0 + t1) / 2));
        const double radius = std::min(barWidth, height) / 2;
        p.drawRoundedRect(
            QRectF(rect.left() + c * columnWidth, middle - height / 2, barWidth, height), radius,
            radius);
    }
}

void drawPanel(QPainter& p, const QWidget& widget) {
    const QPalette& palette = widget.palette();
    p.setPen(widget.hasFocus() ? QPen(palette.color(QPalette::Highlight), 2)
                               : QPen(palette.color(QPalette::Mid), 1));
    p.setBrush(palette.color(QPalette::Base));
    p.drawRoundedRect(QRectF(widget.rect()).adjusted(1, 1, -1, -1), 6, 6);
}

} // namespace corvale::waveform
