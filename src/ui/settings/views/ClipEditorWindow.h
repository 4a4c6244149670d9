#pragma once

#include "library/ClipEditorModel.h"

#include <QDialog>
#include <QWidget>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>

class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;

namespace corvale {

class Dialogs;
class SongStrip;
class WaveformLane;

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
