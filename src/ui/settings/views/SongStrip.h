#pragma once

#include "library/ClipEditorModel.h"
#include "library/StripDrag.h"

#include <QWidget>
#include <optional>

namespace corvale {

// The whole song above the lane, for songs longer than the lane's window: where the selection
// sits and which part the lane shows. Dragging moves the selection through the song.
class SongStrip : public QWidget {
public:
    explicit SongStrip(ClipEditorModel& model, QWidget* parent = nullptr);
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    ClipEditorModel& model_;
    std::optional<StripDrag> drag_;
};

} // namespace corvale
