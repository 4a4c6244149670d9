#pragma once

#include "library/ClipEditorModel.h"
#include "library/LaneDrag.h"
#include "library/StripDrag.h"

#include <QDialog>
#include <QWidget>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>

class QLabel;
class QPainter;
class QLineEdit;
class QProgressBar;
class QPushButton;

namespace corvale {

class Dialogs;

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

// The clip editor: one song, its waveform, the passage to keep, its name, preview and save. It
// owns its model, loads it when first shown and hands the editor's keys to it while shown.
class ClipEditorWindow : public QDialog {
public:
    struct Options {
        Dialogs& dialogs;
        // Where saved clips go, and the base name each gets.
        std::filesystem::path soundsFolder;
        std::function<std::string()> uniqueName;
    };

    ClipEditorWindow(std::unique_ptr<ClipEditorModel> model, Options options,
                     QWidget* parent = nullptr);
    ~ClipEditorWindow() override;

    ClipEditorModel& model() { return *model_; }
    // Ends the preview and the key handling and hides the window; it is deleted once control
    // returns to the event loop, so a model callback may call this.
    void dismiss();

    void reject() override;

protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void refresh();
    void cancel();
    void togglePreview();
    void save();
    void showFailure(const std::string& message, const std::string& informative);

    std::unique_ptr<ClipEditorModel> model_;
    Options options_;
    WaveformLane* lane_ = nullptr;
    SongStrip* strip_ = nullptr;
    QLabel* title_ = nullptr;
    QLabel* readout_ = nullptr;
    QLabel* status_ = nullptr;
    QProgressBar* progress_ = nullptr;
    QLineEdit* name_ = nullptr;
    QPushButton* play_ = nullptr;
    QPushButton* save_ = nullptr;
    bool loaded_ = false;
    bool dismissed_ = false;
    bool filtering_ = false;
};

} // namespace corvale
