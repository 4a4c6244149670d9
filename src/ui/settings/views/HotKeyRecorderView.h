#pragma once

#include "silence/HotKeyRecorder.h"

#include <QWidget>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>

class QKeyEvent;
class QLabel;
class QPushButton;
class QToolButton;

namespace corvale {

// The shortcut recorder: click the button, press the keys, and the button shows the shortcut;
// the clear button removes it. While recording, every key goes to the recorder (Escape alone
// cancels) and the window's own shortcuts stay quiet.
class HotKeyRecorderView : public QWidget {
public:
    struct Keys {
        // The user's layout names the keys; none: the US labels.
        KeyboardLayout* layout = nullptr;
        // The window system's code of a key event to the virtual key code; none: read from the
        // key's symbol.
        std::function<std::optional<std::uint32_t>(std::uint8_t)> virtualKeyCode;
        // A key symbol to the virtual key code; none: keys without a code are refused.
        std::function<std::optional<std::uint32_t>(std::uint32_t keysym)> keysymVirtualKeyCode;
        // Refuses a key.
        std::function<void()> beep;
    };

    HotKeyRecorderView(std::optional<HotKeyCombo> combo, Keys keys, QWidget* parent = nullptr);
    ~HotKeyRecorderView() override;

    // Called with the recorded shortcut, or none when cleared; never on cancel.
    std::function<void(std::optional<HotKeyCombo>)> onChange;
    // A line under the control saying what became of the shortcut, as a warning or plainly;
    // empty hides it.
    void setProblem(const QString& text, bool warning = true);
    // A button under that line; an empty title hides it.
    void setAction(const QString& title, std::function<void()> action);

    const HotKeyRecorder& recorder() const { return *recorder_; }

    // What the recorder sees of a key press: none for a modifier alone and for a key that has no
    // virtual key code.
    static std::optional<RecorderKeyEvent> recorderEvent(const QKeyEvent& event, const Keys& keys);
    static bool isModifierKey(int key);

protected:
    bool event(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    void refresh();
    static bool canGrabKeyboard();

    Keys keys_;
    std::unique_ptr<KeyboardLayout> usLayout_;
    std::unique_ptr<HotKeyRecorder> recorder_;
    QPushButton* record_;
    QToolButton* clear_;
    QLabel* problem_;
    QPushButton* action_;
    std::function<void()> onAction_;
    bool grabbing_ = false;
};

} // namespace corvale
