#include "ui/settings/views/ClipEditorWindow.h"

#include "core/Uuid.h"
#include "library/ClipFromSongFlow.h"
#include "platform/Dialogs.h"
#include "ui/menubar/views/FormHelpers.h"
#include "ui/settings/views/SettingsForm.h"

#include <QApplication>
#include <QCloseEvent>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>

namespace corvale {

using form::qs;

namespace {

// The playhead stands out from the selection's accent in both palettes.
const QColor playheadColor{0xE5, 0x48, 0x4D};

QColor withAlpha(QColor color, double alpha) {
    color.setAlphaF(static_cast<float>(alpha));
    return color;
}

// The largest peak of the buckets that cover [t0, t1) of a song of the given length.
float peakBetween(const std::vector<float>& peaks, double duration, double t0, double t1) {
    const auto n = static_cast<double>(peaks.size());
    const auto first =
        static_cast<std::size_t>(std::clamp(std::floor(t0 / duration * n), 0.0, n - 1));
    const auto last = static_cast<std::size_t>(
        std::clamp(std::floor(t1 / duration * n), static_cast<double>(first + 1), n));
    return *std::max_element(peaks.begin() + static_cast<std::ptrdiff_t>(first),
                             peaks.begin() + static_cast<std::ptrdiff_t>(last));
}

// Bars of the peaks over [start, start + span) across rect: one bar per bucket when they are few,
// else one per three pixels holding the loudest bucket under it. `colourOf` picks each bar's colour
// by its time.
template <typename ColourOf>
void drawBars(QPainter& p, const QRectF& rect, const std::vector<float>& peaks, double duration,
              double start, double span, ColourOf colourOf) {
    if (peaks.empty() || !(duration > 0) || !(span > 0) || rect.width() < 1) {
        return;
    }
    const double visible = span / duration * static_cast<double>(peaks.size());
    const int columns =
        static_cast<int>(std::max(1.0, std::min(std::ceil(visible), std::floor(rect.width() / 3))));
    const double columnWidth = rect.width() / columns;
    const double barWidth = std::max(1.0, columnWidth - 1);
    const double middle = rect.center().y();
    p.setPen(Qt::NoPen);
    for (int c = 0; c < columns; ++c) {
        const double t0 = start + span * c / columns;
        const double t1 = start + span * (c + 1) / columns;
        const double height = std::max(1.0, peakBetween(peaks, duration, t0, t1) * rect.height());
        p.setBrush(colourOf((t0 + t1) / 2));
        const double radius = std::min(barWidth, height) / 2;
        p.drawRoundedRect(
            QRectF(rect.left() + c * columnWidth, middle - height / 2, barWidth, height), radius,
            radius);
    }
}

void drawPanel(QPainter& p, const QWidget& widget) {
    const QPalette& palette = widget.palette();
    p.setPen(widget.hasFocus() ? QPen(palette.color(QPalette::Highlight), 2)
                               : QPen(palette.color(QPalette::Mid), 1));
    p.setBrush(palette.color(QPalette::Base));
    p.drawRoundedRect(QRectF(widget.rect()).adjusted(1, 1, -1, -1), 6, 6);
}

} // namespace

WaveformLane::WaveformLane(ClipEditorModel& model, QWidget* parent)
    : QWidget(parent), model_(model) {
    setObjectName("waveformLane");
    setAccessibleName("Waveform");
    setFocusPolicy(Qt::StrongFocus);
    setMouseTracking(true);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
}

QSize WaveformLane::sizeHint() const {
    return {600, 150};
}

QSize WaveformLane::minimumSizeHint() const {
    return {240, 100};
}

void WaveformLane::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    drawPanel(p, *this);
    const QPalette& palette = this->palette();
    const auto duration = model_.sourceDuration();
    const auto window = model_.currentWindow();
    if (!duration || !(window.span > 0)) {
        drawLoadingNote(p);
        return;
    }
    const QColor accent = palette.color(QPalette::Highlight);
    const double w = width();
    const double rulerHeight = fontMetrics().height() + 6;
    const QRectF wave(2, 8, w - 4, height() - rulerHeight - 12);
    const auto xOf = [&](double t) { return (t - window.start) / window.span * w; };
    const double selStart = model_.selStart();
    const double selEnd = model_.selEnd();
    const double x0 = std::clamp(xOf(selStart), 0.0, w);
    const double x1 = std::clamp(xOf(selEnd), 0.0, w);

    p.save();
    QPainterPath inside;
    inside.addRoundedRect(QRectF(rect()).adjusted(1, 1, -1, -1), 6, 6);
    p.setClipPath(inside);
    p.fillRect(QRectF(x0, 0, x1 - x0, height()), withAlpha(accent, 0.16));
    const QColor outside = withAlpha(palette.color(QPalette::WindowText), 0.38);
    drawBars(p, wave, model_.peaks(), *duration, window.start, window.span,
             [&](double t) { return t >= selStart && t <= selEnd ? accent : outside; });

    // Seconds along the bottom: a tick each second (each half second in a short song), a time
    // every five seconds (every second).
    const bool fine = window.span <= 4;
    const double tick = fine ? 0.5 : 1.0;
    const int labelEvery = fine ? 2 : 5;
    QFont small = font();
    small.setPointSizeF(small.pointSizeF() * 0.85);
    p.setFont(small);
    const QColor rulerColour = palette.color(QPalette::PlaceholderText);
    const double rulerTop = height() - rulerHeight;
    for (long long i = static_cast<long long>(std::ceil(window.start / tick));
         i * tick <= window.start + window.span; ++i) {
        const double x = xOf(static_cast<double>(i) * tick);
        const bool labelled = i % labelEvery == 0;
        p.setPen(QPen(withAlpha(rulerColour, labelled ? 0.9 : 0.5), 1));
        p.drawLine(QPointF(x, rulerTop), QPointF(x, rulerTop + (labelled ? 5 : 3)));
        if (labelled) {
            const QString text = qs(ClipEditorModel::mmss(static_cast<double>(i) * tick));
            const double textWidth = p.fontMetrics().horizontalAdvance(text);
            const double left = std::clamp(x - textWidth / 2, 4.0, w - textWidth - 4);
            p.drawText(QRectF(left, rulerTop + 4, textWidth + 1, rulerHeight - 4),
                       Qt::AlignLeft | Qt::AlignTop, text);
        }
    }

    // The handles: a bar across the lane and a grip; the grip of the edge that shift-arrows trim
    // is filled.
    const auto active = model_.activeEdge();
    for (const auto& [x, edge] :
         {std::pair{x0, ClipEditorModel::Edge::start}, std::pair{x1, ClipEditorModel::Edge::end}}) {
        p.setPen(Qt::NoPen);
        p.setBrush(accent);
        p.drawRect(QRectF(x - 1, 0, 2, rulerTop));
        // Kept inside the lane, so a selection at the song's very start or end shows its grip.
        const QRectF grip(std::clamp(x, 5.0, w - 5) - 4, wave.center().y() - 12, 8, 24);
        p.setPen(QPen(accent, 1.5));
        p.setBrush(edge == active ? accent : palette.color(QPalette::Base));
        p.drawRoundedRect(grip, 3, 3);
    }

    if (model_.isPlaying()) {
        const double x = std::clamp(xOf(model_.playhead()), 0.0, w);
        p.setPen(Qt::NoPen);
        p.setBrush(playheadColor);
        p.drawRect(QRectF(x - 1, 0, 2, rulerTop));
        QPolygonF marker;
        marker << QPointF(x - 5, 0) << QPointF(x + 5, 0) << QPointF(x, 7);
        p.drawPolygon(marker);
    }
    p.restore();
    drawLoadingNote(p);
}

void WaveformLane::drawLoadingNote(QPainter& p) {
    if (!model_.isLoading() || !model_.peaks().empty()) {
        return;
    }
    const QString text = "Reading the waveform\u2026";
    const QSizeF size(fontMetrics().horizontalAdvance(text) + 24, fontMetrics().height() + 10);
    const QRectF placed(QPointF(rect().center()) - QPointF(size.width(), size.height()) / 2, size);
    p.setPen(QPen(palette().color(QPalette::Mid), 1));
    p.setBrush(palette().color(QPalette::Base));
    p.drawRoundedRect(placed, placed.height() / 2, placed.height() / 2);
    p.setPen(palette().color(QPalette::PlaceholderText));
    p.drawText(placed, Qt::AlignCenter, text);
}

void WaveformLane::updateCursor(double x) {
    switch (LaneDrag::begin(model_, x, width()).mode()) {
    case LaneDrag::Mode::trimStart:
    case LaneDrag::Mode::trimEnd:
        setCursor(Qt::SizeHorCursor);
        break;
    case LaneDrag::Mode::move:
        setCursor(drag_ ? Qt::ClosedHandCursor : Qt::OpenHandCursor);
        break;
    case LaneDrag::Mode::ignored:
        unsetCursor();
        break;
    }
}

void WaveformLane::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) {
        return QWidget::mousePressEvent(event);
    }
    const double x = event->position().x();
    auto drag = LaneDrag::begin(model_, x, width());
    if (drag.mode() != LaneDrag::Mode::ignored) {
        drag_ = drag;
        updateCursor(x);
    }
    event->accept();
}

void WaveformLane::mouseMoveEvent(QMouseEvent* event) {
    const double x = event->position().x();
    if (drag_) {
        drag_->moveTo(model_, x, width());
    } else {
        updateCursor(x);
    }
}

void WaveformLane::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton && drag_) {
        drag_.reset();
        updateCursor(event->position().x());
    }
}

SongStrip::SongStrip(ClipEditorModel& model, QWidget* parent) : QWidget(parent), model_(model) {
    setObjectName("songStrip");
    setAccessibleName("Whole song");
    setCursor(Qt::PointingHandCursor);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
}

QSize SongStrip::sizeHint() const {
    return {600, 34};
}

QSize SongStrip::minimumSizeHint() const {
    return {240, 34};
}

void SongStrip::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    drawPanel(p, *this);
    const auto duration = model_.sourceDuration();
    if (!duration) {
        return;
    }
    const QPalette& palette = this->palette();
    const QColor accent = palette.color(QPalette::Highlight);
    const double w = width();
    const double d = *duration;
    drawBars(p, QRectF(4, 5, w - 8, height() - 10), model_.peaks(), d, 0, d,
             [&](double) { return withAlpha(palette.color(QPalette::WindowText), 0.3); });

    const auto window = model_.currentWindow();
    p.setPen(QPen(withAlpha(palette.color(QPalette::WindowText), 0.55), 1));
    p.setBrush(withAlpha(palette.color(QPalette::WindowText), 0.06));
    p.drawRoundedRect(QRectF(window.start / d * w + 1, 2, window.span / d * w - 2, height() - 4), 4,
                      4);

    const double centre = (model_.selStart() + model_.selEnd()) / 2 / d * w;
    const double markerWidth =
        std::max(StripDrag::minMarkerW, (model_.selEnd() - model_.selStart()) / d * w);
    p.setPen(Qt::NoPen);
    p.setBrush(withAlpha(accent, 0.85));
    p.drawRoundedRect(QRectF(centre - markerWidth / 2, 4, markerWidth, height() - 8), 2, 2);
}

void SongStrip::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) {
        return QWidget::mousePressEvent(event);
    }
    const double x = event->position().x();
    drag_ = StripDrag::begin(model_, x, width());
    // A press beside the marker brings the selection there at once.
    drag_->moveTo(model_, x, width());
    setCursor(Qt::ClosedHandCursor);
    event->accept();
}

void SongStrip::mouseMoveEvent(QMouseEvent* event) {
    if (drag_) {
        drag_->moveTo(model_, event->position().x(), width());
    }
}

void SongStrip::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) {
        drag_.reset();
        setCursor(Qt::PointingHandCursor);
    }
}

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

    title_ = form::heading(qs(std::filesystem::path(model_->source()).filename().string()), this);
    title_->setObjectName("songTitle");
    title_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    outer->addWidget(title_);

    strip_ = new SongStrip(*model_, this);
    strip_->hide();
    outer->addWidget(strip_);
    lane_ = new WaveformLane(*model_, this);
    outer->addWidget(lane_, 1);

    auto* under = new QHBoxLayout;
    readout_ = new QLabel(this);
    readout_->setObjectName("selectionReadout");
    under->addWidget(readout_);
    under->addStretch(1);
    auto* hint = settings::makeNote(qs(ClipEditorModel::keyHint), this);
    hint->setWordWrap(false);
    under->addWidget(hint);
    outer->addLayout(under);

    auto* nameRow = new QHBoxLayout;
    auto* nameLabel = new QLabel("Name:", this);
    name_ = new QLineEdit(this);
    name_->setObjectName("clipName");
    name_->setAccessibleName("Name");
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
    status_ = settings::makeNote({}, this);
    status_->setObjectName("clipStatus");
    statusRow->addWidget(status_, 1);
    outer->addLayout(statusRow);

    auto* buttons = new QHBoxLayout;
    play_ = settings::makeButton(
        "Play", [this] { togglePreview(); }, this);
    play_->setObjectName("playButton");
    buttons->addWidget(play_);
    buttons->addStretch(1);
    auto* cancelButton = settings::makeButton(
        "Cancel", [this] { cancel(); }, this);
    cancelButton->setObjectName("cancelButton");
    buttons->addWidget(cancelButton);
    save_ = settings::makeButton(
        "Save", [this] { save(); }, this);
    save_->setObjectName("saveButton");
    save_->setDefault(true);
    buttons->addWidget(save_);
    outer->addLayout(buttons);

    model_->onChange = [this] { refresh(); };
    model_->onFailure = [this](const std::string& message, const std::string& informative) {
        showFailure(message, informative);
    };
    refresh();
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
    const bool ready = model_->sourceDuration().has_value();
    const bool exporting = model_->isExporting();
    if (const auto duration = model_->sourceDuration()) {
        title_->setText(qs(std::filesystem::path(model_->source()).filename().string() +
                           "  \u00B7  " + ClipEditorModel::mmss(*duration)));
    }
    strip_->setVisible(model_->showsSongStrip());
    // The passage being exported stays as it is until the export is done.
    lane_->setEnabled(ready && !exporting);
    strip_->setEnabled(ready && !exporting);
    name_->setEnabled(!exporting);
    if (const QString name = qs(model_->nameText()); name != name_->text()) {
        name_->setText(name);
    }
    lane_->update();
    strip_->update();
    readout_->setText(qs(model_->selectionReadout()));
    status_->setText(qs(model_->status()));
    progress_->setVisible(model_->isLoading() || exporting);
    name_->setPlaceholderText(qs(model_->autoName()));
    play_->setText(model_->isPlaying() ? "Stop" : "Play");
    play_->setEnabled(ready && !exporting);
    save_->setEnabled(ready && !exporting);
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
            options_.dialogs.runModalAlert({message, informative, {"OK"}});
        }
    });
}

} // namespace corvale
