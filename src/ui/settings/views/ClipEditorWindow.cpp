#include "ui/settings/views/ClipEditorWindow.h"

#include "core/Uuid.h"
#include "library/ClipFromSongFlow.h"
#include "platform/Dialogs.h"
#include "ui/menubar/views/FormHelpers.h"
#include "ui/settings/views/SettingsForm.h"
#include "ui/settings/views/SongStrip.h"
#include "ui/settings/views/WaveformLane.h"

#include <QApplication>
#include <QCloseEvent>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

namespace corvale {

using form::qs;

ClipEditorWindow::ClipEditorWindow(std::unique_ptr<ClipEditorModel> model, Options options,
                                   QWidget* parent)
    : QDialog(parent), model_(std::move(model)), options_(std::move(options)) {
    setObjectName("clipEditor");
    setWindowTitle(qs(ClipFromSongFlow::windowTitle));
    setSizeGripEnabled(true);
    resize(680, 420);

    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(18, 16, 18, 14);
    outer->setSpacing(10);

    title_ = form::heading(QString(), this);
    title_->setObjectName("songTitle");
    title_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    outer->addWidget(title_);

    strip_ = new SongStrip(*model_, this);
    strip_->hide();
    outer->addWidget(strip_);
    lane_ = new WaveformLane(*model_, this);
    outer->addWidget(lane_, 1);

    auto* under = new QHBoxLayout;
    readout_ = form::label(QString(), this);
    readout_->setObjectName("selectionReadout");
    under->addWidget(readout_);
    under->addStretch(1);
    auto* hint = form::note(qs(ClipEditorModel::keyHint), this);
    hint->setWordWrap(false);
    under->addWidget(hint);
    outer->addLayout(under);

    auto* nameRow = new QHBoxLayout;
    auto* nameLabel = new QLabel(ClipEditorModel::nameLabel, this);
    name_ = new QLineEdit(this);
    name_->setObjectName("clipName");
    name_->setAccessibleName(ClipEditorModel::nameFieldName);
    name_->setClearButtonEnabled(true);
    nameLabel->setBuddy(name_);
    nameRow->addWidget(nameLabel);
    nameRow->addWidget(name_, 1);
    outer->addLayout(nameRow);
    connect(name_, &QLineEdit::textEdited, this,
            [this](const QString& text) { model_->setNameText(text.toStdString()); });

    auto* statusRow = new QHBoxLayout;
    progress_ = new QProgressBar(this);
    progress_->setObjectName("busy");
    progress_->setRange(0, 0);
    progress_->setTextVisible(false);
    progress_->setFixedWidth(110);
    progress_->setMaximumHeight(10);
    statusRow->addWidget(progress_);
    status_ = form::note({}, this);
    status_->setObjectName("clipStatus");
    statusRow->addWidget(status_, 1);
    outer->addLayout(statusRow);

    auto* buttons = new QHBoxLayout;
    play_ = settings::makeButton(
        qs(model_->playTitle()), [this] { togglePreview(); }, this);
    play_->setObjectName("playButton");
    buttons->addWidget(play_);
    buttons->addStretch(1);
    auto* cancelButton = settings::makeButton(
        ClipEditorModel::cancelTitle, [this] { cancel(); }, this);
    cancelButton->setObjectName("cancelButton");
    buttons->addWidget(cancelButton);
    save_ = settings::makeButton(
        ClipEditorModel::saveTitle, [this] { save(); }, this);
    save_->setObjectName("saveButton");
    save_->setDefault(true);
    buttons->addWidget(save_);
    outer->addLayout(buttons);

    model_->onChange = [this] { refresh(); };
    model_->onFailure = [this](const std::string& message, const std::string& informative) {
        showFailure(message, informative);
    };
    refresh();
    form::fitToScreen(*this);
}

ClipEditorWindow::~ClipEditorWindow() {
    if (filtering_) {
        qApp->removeEventFilter(this);
    }
    // The children go after the model; nothing may reach them from its last calls.
    model_->onChange = nullptr;
    model_->onFailure = nullptr;
}

void ClipEditorWindow::refresh() {
    const bool usable = model_->canUseSelection();
    // A song's file name can be of any length; the whole of it stays in the tooltip.
    const std::string songTitle = model_->songTitle();
    title_->setText(qs(form::shortName(songTitle)));
    title_->setToolTip(form::plainTip(qs(songTitle)));
    strip_->setVisible(model_->showsSongStrip());
    lane_->setEnabled(usable);
    strip_->setEnabled(usable);
    name_->setEnabled(model_->canEditName());
    if (const QString name = qs(model_->nameText()); name != name_->text()) {
        name_->setText(name);
    }
    lane_->update();
    strip_->update();
    readout_->setText(qs(model_->selectionReadout()));
    status_->setText(qs(model_->status()));
    progress_->setVisible(model_->showsProgress());
    name_->setPlaceholderText(qs(model_->autoName()));
    play_->setText(qs(model_->playTitle()));
    play_->setEnabled(usable);
    save_->setEnabled(usable);
}

void ClipEditorWindow::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (dismissed_) {
        return;
    }
    if (!loaded_) {
        loaded_ = true;
        lane_->setFocus();
        model_->load();
        // Loading announces nothing until the length arrives; the busy bar shows from now.
        refresh();
    }
    model_->startKeyMonitor();
    if (!filtering_) {
        // The editor's keys act wherever the focus is in this window; the filter sees them
        // before the focused control does.
        qApp->installEventFilter(this);
        filtering_ = true;
    }
}

void ClipEditorWindow::hideEvent(QHideEvent* event) {
    QDialog::hideEvent(event);
    model_->stopKeyMonitor();
    if (filtering_) {
        qApp->removeEventFilter(this);
        filtering_ = false;
    }
}

void ClipEditorWindow::closeEvent(QCloseEvent* event) {
    cancel();
    event->accept();
}

void ClipEditorWindow::reject() {
    cancel();
}

bool ClipEditorWindow::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() != QEvent::KeyPress || !watched->isWidgetType() ||
        static_cast<QWidget*>(watched)->window() != this) {
        return false;
    }
    const auto* key = static_cast<QKeyEvent*>(event);
    using Key = ClipEditorModel::Key;
    Key which = Key::other;
    switch (key->key()) {
    case Qt::Key_Left:
        which = Key::left;
        break;
    case Qt::Key_Right:
        which = Key::right;
        break;
    case Qt::Key_Space:
        which = Key::space;
        break;
    default:
        return false;
    }
    // Keys go to the focused control, so the name field receiving them means it has the focus.
    const bool typing = watched == name_;
    // While the clip is exported, the editor's keys do nothing, and still reach no button.
    if (model_->isExporting() && !typing) {
        return true;
    }
    const auto modifiers = key->modifiers() & ~Qt::KeypadModifier;
    if (modifiers != Qt::NoModifier && modifiers != Qt::ShiftModifier) {
        return false;
    }
    return model_->handleKey({which, modifiers == Qt::ShiftModifier, key->isAutoRepeat(), typing});
}

void ClipEditorWindow::cancel() {
    if (dismissed_) {
        return;
    }
    if (model_->onCancel) {
        model_->onCancel();
    } else {
        dismiss();
    }
}

void ClipEditorWindow::dismiss() {
    if (dismissed_) {
        return;
    }
    dismissed_ = true;
    // An export still running when the editor closes no longer changes any rule.
    model_->onSaved = nullptr;
    model_->onCancel = nullptr;
    model_->stopKeyMonitor();
    model_->teardownPlayback();
    hide();
    deleteLater();
}

void ClipEditorWindow::togglePreview() {
    if (model_->isPlaying()) {
        model_->stopPlayback();
    } else {
        model_->startPlayback();
    }
}

void ClipEditorWindow::save() {
    model_->save(options_.soundsFolder,
                 options_.uniqueName ? options_.uniqueName() : Uuid::random().str());
}

void ClipEditorWindow::showFailure(const std::string& message, const std::string& informative) {
    // Shown once the model's own work is done: the alert runs a modal loop of its own.
    QTimer::singleShot(0, this, [this, message, informative] {
        if (!dismissed_) {
            options_.dialogs.runModalAlert({message, informative, {AlertSpec::ok}});
        }
    });
}

} // namespace corvale
