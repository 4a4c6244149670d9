#pragma once

#include "library/ClipEditorModel.h"
#include "library/LaneDrag.h"

#include <QWidget>
#include <optional>

class QPainter;

namespace corvale {

// The zoomed lane of the clip editor: the waveform of the model's current window, the selection
// between its two handles, and the playhead while a preview plays. Dragging a handle trims,
// dragging inside the selection moves it.
class WaveformLane : public QWidget {
public:
    explicit WaveformLane(ClipEditorModel& model, QWidget* parent = nullptr);
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    void updateCursor(double x);
    void drawLoadingNote(QPainter& p);

    ClipEditorModel& model_;
    std::optional<LaneDrag> drag_;
};

} // namespace corvale
