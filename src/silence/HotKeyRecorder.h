#pragma once

#include "core/HotKeyCombo.h"
#include "silence/KeyboardLayout.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

namespace corvale {

// A key-down as the recorder sees it: the key's virtual key code and the event's modifier flags.
struct RecorderKeyEvent {
    std::uint32_t keyCode = 0;
    std::uint32_t modifierFlags = 0;
};

// Modifier flags of a key event. Only control, option, shift and command make a shortcut; the
// others matter because any flag of the device-independent range keeps Escape from cancelling.
namespace keyflags {
inline constexpr std::uint32_t capsLock = 1u << 16;
inline constexpr std::uint32_t shift = 1u << 17;
inline constexpr std::uint32_t control = 1u << 18;
inline constexpr std::uint32_t option = 1u << 19;
inline constexpr std::uint32_t command = 1u << 20;
inline constexpr std::uint32_t numericPad = 1u << 21;
inline constexpr std::uint32_t help = 1u << 22;
inline constexpr std::uint32_t function = 1u << 23;
inline constexpr std::uint32_t deviceIndependentMask = 0xFFFF'0000u;
} // namespace keyflags

// What the shortcut recorder control does: idle or recording; while recording every key-down goes
// to handle() and no further. The view draws buttonTitle() and clearButtonHidden() on refresh.
class HotKeyRecorder {
public:
    static constexpr std::uint32_t escapeKeyCode = 53;

    struct Hooks {
        std::function<void()> beep;    // refuses a key
        std::function<void()> refresh; // the shown state changed
    };

    HotKeyRecorder(std::optional<HotKeyCombo> combo, KeyboardLayout& layout, Hooks hooks);

    // Called with the recorded combo, or none when cleared; never on cancel.
    std::function<void(std::optional<HotKeyCombo>)> onChange = [](std::optional<HotKeyCombo>) {};

    void recordClicked();
    void handle(const RecorderKeyEvent& event);
    void stopRecording();
    void clearClicked();

    bool isRecording() const { return isRecording_; }
    const std::optional<HotKeyCombo>& combo() const { return combo_; }

    std::string buttonTitle() const;
    bool clearButtonHidden() const { return isRecording_ || !combo_; }

    // The key's label on the user's layout, else its label in log lines.
    static std::string layoutKeyLabel(std::uint32_t keyCode, KeyboardLayout& layout);

private:
    KeyboardLayout& layout_;
    Hooks hooks_;
    bool isRecording_ = false;
    std::optional<HotKeyCombo> combo_;
};

} // namespace corvale
