#include "silence/PortalTrigger.h"

#include <map>

namespace corvale {

namespace {

// Keys whose label is not their keysym name.
const std::map<std::string, std::string>& keysymNames() {
    static const std::map<std::string, std::string> names{
        {"=", "equal"},        {"-", "minus"},         {"]", "bracketright"},
        {"[", "bracketleft"},  {"'", "apostrophe"},    {";", "semicolon"},
        {"\\", "backslash"},   {",", "comma"},         {"/", "slash"},
        {".", "period"},       {"`", "grave"},         {"Space", "space"},
        {"Enter", "KP_Enter"}, {"Page Up", "Page_Up"}, {"Page Down", "Page_Down"},
    };
    return names;
}

} // namespace

std::optional<std::string> keysymName(std::uint32_t keyCode) {
    const auto& labels = HotKeyCombo::specialLabels();
    const auto label = labels.find(keyCode);
    if (label == labels.end()) {
        return std::nullopt;
    }
    const auto renamed = keysymNames().find(label->second);
    return renamed != keysymNames().end() ? renamed->second : label->second;
}

std::optional<std::string> portalTrigger(const HotKeyCombo& combo) {
    auto key = keysymName(combo.keyCode);
    if (!key) {
        return std::nullopt;
    }
    std::string trigger;
    for (auto [modifier, name] :
         {std::pair{HotKeyModifiers::control, "CTRL+"}, std::pair{HotKeyModifiers::option, "ALT+"},
          std::pair{HotKeyModifiers::shift, "SHIFT+"},
          std::pair{HotKeyModifiers::command, "LOGO+"}}) {
        if (combo.modifiers.contains(modifier)) {
            trigger += name;
        }
    }
    return trigger + *key;
}

} // namespace corvale
