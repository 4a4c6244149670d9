#include "ui/settings/views/HotKeyRecorderView.h"

#include "ui/menubar/views/FormHelpers.h"
#include "ui/settings/GeneralTexts.h"

#include <QGuiApplication>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QStyle>
#include <QToolButton>
#include <QVBoxLayout>

namespace corvale {
namespace {

// No layout to ask: every key is named by its US label.
class UsLabels : public KeyboardLayout {
public:
    std::optional<std::string> producedCharacter(std::uint32_t) override { return std::nullopt; }
};

// The X keysym of a Qt key, for key events that carry no native codes (synthesised ones).
std::optional<std::uint32_t> keysymOf(int key) {
    if (key >= 0x20 && key <= 0xFF) {
        return static_cast<std::uint32_t>(key); // Latin-1 keys are their own keysyms
    }
    if (key >= Qt::Key_F1 && key <= Qt::Key_F35) {
        return 0xFFBEu + static_cast<std::uint32_t>(key - Qt::Key_F1);
    }
    switch (key) {
    case Qt::Key_Escape:
        return 0xFF1Bu;
    case Qt::Key_Tab:
    case Qt::Key_Backtab:
        return 0xFF09u;
    case Qt::Key_Backspace:
        return 0xFF08u;
    case Qt::Key_Return:
        return 0xFF0Du;
    case Qt::Key_Enter:
        return 0xFF8Du;
    case Qt::Key_Insert:
        return 0xFF63u;
    case Qt::Key_Delete:
        return 0xFFFFu;
    case Qt::Key_Home:
        return 0xFF50u;
    case Qt::Key_Left:
        return 0xFF51u;
    case Qt::Key_Up:
        return 0xFF52u;
    case Qt::Key_Right:
        return 0xFF53u;
    case Qt::Key_Down:
        return 0xFF54u;
    case Qt::Key_PageUp:
        return 0xFF55u;
    case Qt::Key_PageDown:
        return 0xFF56u;
    case Qt::Key_End:
        return 0xFF57u;
    default:
        return std::nullopt;
    }
}

} // namespace

HotKeyRecorderView::HotKeyRecorderView(std::optional<HotKeyCombo> combo, Keys keys, QWidget* parent)
    : QWidget(parent), keys_(std::move(keys)), usLayout_(std::make_unique<UsLabels>()) {
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(2);
    auto* row = new QHBoxLayout;
    row->setSpacing(6);
    record_ = new QPushButton(this);
    record_->setObjectName("record");
    record_->setMinimumWidth(180);
    // Enter starts recording, as Space does.
    record_->setAutoDefault(true);
    row->addWidget(record_);
    clear_ = new QToolButton(this);
    clear_->setObjectName("clear");
    clear_->setIcon(style()->standardIcon(QStyle::SP_LineEditClearButton));
    clear_->setAutoRaise(true);
    clear_->setToolTip(GeneralTexts::clearShortcut);
    clear_->setAccessibleName(GeneralTexts::clearShortcut);
    row->addWidget(clear_);
    row->addStretch(1);
    column->addLayout(row);
    problem_ = form::warning(QString(), this);
    problem_->setObjectName("problem");
    problem_->hide();
    column->addWidget(problem_);
    action_ = new QPushButton(this);
    action_->setObjectName("action");
    action_->hide();
    connect(action_, &QPushButton::clicked, this, [this] {
        if (onAction_) {
            onAction_();
        }
    });
    column->addWidget(action_, 0, Qt::AlignLeft);
    setFocusProxy(record_);

    KeyboardLayout& layout = keys_.layout ? *keys_.layout : *usLayout_;
    recorder_ = std::make_unique<HotKeyRecorder>(combo, layout,
                                                 HotKeyRecorder::Hooks{[this] {
                                                                           if (keys_.beep) {
                                                                               keys_.beep();
                                                                           }
                                                                       },
                                                                       [this] { refresh(); }});
    recorder_->onChange = [this](std::optional<HotKeyCombo> value) {
        if (onChange) {
            onChange(value);
        }
    };
    connect(record_, &QPushButton::clicked, this, [this] { recorder_->recordClicked(); });
    connect(clear_, &QToolButton::clicked, this, [this] { recorder_->clearClicked(); });
    refresh();
}

HotKeyRecorderView::~HotKeyRecorderView() {
    if (grabbing_) {
        releaseKeyboard();
    }
}

void HotKeyRecorderView::setProblem(const QString& text, bool warning) {
    // The warning colour is the label's window text; a plain note uses the notes' colour.
    problem_->setForegroundRole(warning ? QPalette::WindowText : QPalette::PlaceholderText);
    if (warning) {
        form::setWarningText(problem_, text);
    } else {
        problem_->setText(text);
    }
    problem_->setVisible(!text.isEmpty());
}

void HotKeyRecorderView::setAction(const QString& title, std::function<void()> action) {
    action_->setText(title);
    onAction_ = std::move(action);
    action_->setVisible(!title.isEmpty());
}

void HotKeyRecorderView::refresh() {
    record_->setText(QString::fromStdString(recorder_->buttonTitle()));
    clear_->setVisible(!recorder_->clearButtonHidden());
    // Qt's offscreen platform has no keyboard to grab; its key events reach the view directly.
    const bool recording = recorder_->isRecording() && canGrabKeyboard();
    if (recording && !grabbing_) {
        grabKeyboard();
        grabbing_ = true;
    } else if (!recording && grabbing_) {
        releaseKeyboard();
        grabbing_ = false;
    }
}

bool HotKeyRecorderView::canGrabKeyboard() {
    return QGuiApplication::platformName() != QLatin1String("offscreen");
}

bool HotKeyRecorderView::isModifierKey(int key) {
    switch (key) {
    case Qt::Key_Shift:
    case Qt::Key_Control:
    case Qt::Key_Meta:
    case Qt::Key_Alt:
    case Qt::Key_AltGr:
    case Qt::Key_CapsLock:
    case Qt::Key_NumLock:
    case Qt::Key_ScrollLock:
    case Qt::Key_Super_L:
    case Qt::Key_Super_R:
    case Qt::Key_Hyper_L:
    case Qt::Key_Hyper_R:
        return true;
    default:
        return false;
    }
}

std::optional<RecorderKeyEvent> HotKeyRecorderView::recorderEvent(const QKeyEvent& event,
                                                                  const Keys& keys) {
    if (isModifierKey(event.key())) {
        return std::nullopt;
    }
    std::optional<std::uint32_t> code;
    const quint32 scanCode = event.nativeScanCode();
    if (keys.virtualKeyCode && scanCode > 0 && scanCode < 256) {
        code = keys.virtualKeyCode(static_cast<std::uint8_t>(scanCode));
    }
    if (!code && keys.keysymVirtualKeyCode) {
        if (event.nativeVirtualKey() != 0) {
            code = keys.keysymVirtualKeyCode(event.nativeVirtualKey());
        }
        if (!code) {
            if (auto keysym = keysymOf(event.key())) {
                code = keys.keysymVirtualKeyCode(*keysym);
            }
        }
    }
    if (!code) {
        return std::nullopt;
    }
    std::uint32_t flags = 0;
    const auto modifiers = event.modifiers();
    if (modifiers & Qt::ShiftModifier) {
        flags |= keyflags::shift;
    }
    if (modifiers & Qt::ControlModifier) {
        flags |= keyflags::control;
    }
    if (modifiers & Qt::AltModifier) {
        flags |= keyflags::option;
    }
    if (modifiers & Qt::MetaModifier) {
        flags |= keyflags::command;
    }
    if (modifiers & Qt::KeypadModifier) {
        flags |= keyflags::numericPad;
    }
    // Qt keeps Caps Lock out of its modifiers; the window system's state has it (X11's Lock, the
    // same bit in an XKB keymap's modifiers under Wayland).
    constexpr quint32 lockMask = 0x2;
    if (event.nativeModifiers() & lockMask) {
        flags |= keyflags::capsLock;
    }
    return RecorderKeyEvent{*code, flags};
}

bool HotKeyRecorderView::event(QEvent* event) {
    // While recording, the keys are the shortcut's: Escape must not close the window, nor any
    // other shortcut of the window fire.
    if (event->type() == QEvent::ShortcutOverride && recorder_->isRecording()) {
        event->accept();
        return true;
    }
    return QWidget::event(event);
}

void HotKeyRecorderView::keyPressEvent(QKeyEvent* event) {
    if (!recorder_->isRecording()) {
        QWidget::keyPressEvent(event);
        return;
    }
    event->accept();
    if (isModifierKey(event->key())) {
        return;
    }
    if (auto key = recorderEvent(*event, keys_)) {
        recorder_->handle(*key);
    } else if (keys_.beep) {
        keys_.beep();
    }
}

void HotKeyRecorderView::hideEvent(QHideEvent* event) {
    if (recorder_->isRecording()) {
        recorder_->stopRecording();
    }
    QWidget::hideEvent(event);
}

} // namespace corvale
