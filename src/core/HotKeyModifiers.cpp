#include "core/HotKeyModifiers.h"

namespace corvale {

std::string HotKeyModifiers::displayString() const {
    std::string text;
    if (contains(control)) {
        text += "Ctrl+";
    }
    if (contains(option)) {
        text += "Alt+";
    }
    if (contains(shift)) {
        text += "Shift+";
    }
    if (contains(command)) {
        text += "Super+";
    }
    return text;
}

} // namespace corvale
