#pragma once

#include "library/ClipEditorModel.h"

namespace corvale {

// A drag in the zoomed waveform lane. What it does is decided at the press and kept for the
// whole drag: trimming the start, trimming the end, or moving the selection by the point grabbed.
class LaneDrag {
public:
    enum class Mode { ignored, trimStart, trimEnd, move };
    // How close to a handle, in pixels, a press grabs it.
    static constexpr double handleHit = 8;

    // The time under x in a lane of the given width showing the model's current window.
    static double timeAt(const ClipEditorModel& model, double x, double width);

    static LaneDrag begin(const ClipEditorModel& model, double x, double width);
    // Hands the drag's position to the model.
    void moveTo(ClipEditorModel& model, double x, double width) const;

    Mode mode() const { return mode_; }

private:
    Mode mode_ = Mode::ignored;
    double grabOffset_ = 0; // time under the pointer minus the selection's start, when moving
};

} // namespace corvale
