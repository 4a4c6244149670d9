#pragma once

#include "library/ClipEditorModel.h"

namespace corvale {

// A drag on the strip of the whole song above the zoomed lane: it moves the selection, keeping
// the point grabbed under the pointer when the press lands on the selection's marker, else
// centring the selection under the pointer.
class StripDrag {
public:
    // The marker is drawn at least this wide, in pixels, so a short clip in a long song can be hit.
    static constexpr double minMarkerW = 6;

    static double timeAt(const ClipEditorModel& model, double x, double width);

    static StripDrag begin(const ClipEditorModel& model, double x, double width);
    void moveTo(ClipEditorModel& model, double x, double width) const;

    bool grabbedMarker() const { return grabbedMarker_; }

private:
    bool grabbedMarker_ = false;
    double offset_ = 0; // time under the press minus the selection's centre
};

} // namespace corvale
