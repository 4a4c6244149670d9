#include "core/HotKeyModifiers.h"

namespace corvale {

std::string HotKeyModifiers::displayString() const {
    std::string text;
    if (contains(control)) {
        text += "\u2303";
    }
    if (contains(option)) {
        text += "\u2325";
    }
    if (contains(shift)) {
        text += "\u21E7";
    }
    if (contains(command)) {
        text += "\u2318";
    }
    return text;
}

} // namespace corvale
