#include "library/StripDrag.h"

#include <algorithm>
#include <cmath>

namespace corvale {

double StripDrag::timeAt(const ClipEditorModel& model, double x, double width) {
    const double duration = model.sourceDuration().value_or(0);
    if (!(width > 0) || !std::isfinite(x)) {
        return 0;
    }
    return duration * std::clamp(x, 0.0, width) / width;
}

StripDrag StripDrag::begin(const ClipEditorModel& model, double x, double width) {
    StripDrag drag;
    const double duration = model.sourceDuration().value_or(0);
    if (!(duration > 0) || !(width > 0) || !std::isfinite(x)) {
        return drag;
    }
    const double centre = (model.selStart() + model.selEnd()) / 2;
    const double markerWidth =
        std::max(minMarkerW, (model.selEnd() - model.selStart()) / duration * width);
    if (std::fabs(x - centre / duration * width) <= markerWidth / 2) {
        drag.grabbedMarker_ = true;
        drag.offset_ = timeAt(model, x, width) - centre;
    }
    return drag;
}

void StripDrag::moveTo(ClipEditorModel& model, double x, double width) const {
    if (!(width > 0)) {
        return;
    }
    model.moveClip(timeAt(model, x, width) - offset_);
}

} // namespace corvale
