#pragma once

#include <QColor>
#include <QRectF>
#include <functional>
#include <vector>

class QPainter;
class QWidget;

// Drawing shared by the clip editor's waveform lane and its whole-song strip.
namespace corvale::waveform {

QColor withAlpha(QColor color, double alpha);
// Bars of the peaks over [start, start + span) across rect: one bar per bucket when they are few,
// else one per three pixels holding the loudest bucket under it. `colourOf` picks each bar's colour
// by its time.
void drawBars(QPainter& p, const QRectF& rect, const std::vector<float>& peaks, double duration,
              double start, double span, const std::function<QColor(double)>& colourOf);
// The rounded panel both sit on, ringed in the highlight while focused.
void drawPanel(QPainter& p, const QWidget& widget);

} // namespace corvale::waveform
