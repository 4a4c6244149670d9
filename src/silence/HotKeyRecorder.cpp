#include "silence/HotKeyRecorder.h"

namespace corvale {

HotKeyRecorder::HotKeyRecorder(std::optional<HotKeyCombo> combo, KeyboardLayout& layout,
                               Hooks hooks)
    : layout_(layout), hooks_(std::move(hooks)), combo_(combo) {}

void HotKeyRecorder::recordClicked() {
    if (isRecording_) {
        stopRecording();
        return;
    }
    isRecording_ = true;
    if (hooks_.refresh) {
        hooks_.refresh();
    }
}

void HotKeyRecorder::handle(const RecorderKeyEvent& event) {
    if (!isRecording_) {
        return;
    }
    if (event.keyCode == escapeKeyCode &&
        (event.modifierFlags & keyflags::deviceIndependentMask) == 0) {
        stopRecording();
        return;
    }
    HotKeyModifiers modifiers;
    if (event.modifierFlags & keyflags::control) {
        modifiers |= HotKeyModifiers::control;
    }
    if (event.modifierFlags & keyflags::option) {
        modifiers |= HotKeyModifiers::option;
    }
    if (event.modifierFlags & keyflags::shift) {
        modifiers |= HotKeyModifiers::shift;
    }
    if (event.modifierFlags & keyflags::command) {
        modifiers |= HotKeyModifiers::command;
    }
    if (!HotKeyCombo::isFunctionKey(event.keyCode) &&
        (modifiers.isEmpty() || modifiers == HotKeyModifiers::shift)) {
        if (hooks_.beep) {
            hooks_.beep();
        }
        return;
    }
    combo_ = HotKeyCombo{event.keyCode, modifiers};
    stopRecording();
    if (onChange) {
        onChange(combo_);
    }
}

void HotKeyRecorder::stopRecording() {
    isRecording_ = false;
    if (hooks_.refresh) {
        hooks_.refresh();
    }
}

void HotKeyRecorder::clearClicked() {
    stopRecording();
    combo_.reset();
    if (hooks_.refresh) {
        hooks_.refresh();
    }
    if (onChange) {
        onChange(std::nullopt);
    }
}

std::string HotKeyRecorder::buttonTitle() const {
    if (isRecording_) {
        return "Type shortcut\u2026  (Esc to cancel)";
    }
    if (!combo_) {
        return "Record Shortcut";
    }
    return combo_->modifiers.displayString() + layoutKeyLabel(combo_->keyCode, layout_);
}

std::string HotKeyRecorder::layoutKeyLabel(std::uint32_t keyCode, KeyboardLayout& layout) {
    if (auto produced = layout.producedCharacter(keyCode)) {
        if (auto label = HotKeyCombo::layoutLabel(*produced)) {
            return *label;
        }
    }
    return HotKeyCombo::keyLabel(keyCode);
}

} // namespace corvale
