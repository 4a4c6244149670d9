#include "library/LaneDrag.h"

#include <algorithm>
#include <cmath>

namespace corvale {

double LaneDrag::timeAt(const ClipEditorModel& model, double x, double width) {
    const auto window = model.currentWindow();
    if (!(width > 0) || !std::isfinite(x)) {
        return window.start;
    }
    return window.start + window.span * std::clamp(x, 0.0, width) / width;
}

LaneDrag LaneDrag::begin(const ClipEditorModel& model, double x, double width) {
    LaneDrag drag;
    const auto window = model.currentWindow();
    if (!model.sourceDuration() || !(width > 0) || !(window.span > 0) || !std::isfinite(x)) {
        return drag;
    }
    const auto xOf = [&](double t) { return (t - window.start) / window.span * width; };
    const double time = timeAt(model, x, width);
    if (std::fabs(x - xOf(model.selStart())) <= handleHit) {
        drag.mode_ = Mode::trimStart;
    } else if (std::fabs(x - xOf(model.selEnd())) <= handleHit) {
        drag.mode_ = Mode::trimEnd;
    } else if (time > model.selStart() && time < model.selEnd()) {
        drag.mode_ = Mode::move;
        drag.grabOffset_ = time - model.selStart();
    }
    return drag;
}

void LaneDrag::moveTo(ClipEditorModel& model, double x, double width) const {
    const double time = timeAt(model, x, width);
    switch (mode_) {
    case Mode::trimStart:
        model.trimStart(time);
        break;
    case Mode::trimEnd:
        model.trimEnd(time);
        break;
    case Mode::move:
        model.move(time - grabOffset_);
        break;
    case Mode::ignored:
        break;
    }
}

} // namespace corvale
