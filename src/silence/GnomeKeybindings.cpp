#include "silence/GnomeKeybindings.h"

#include "silence/PortalTrigger.h"

#include <cctype>

namespace corvale::GnomeKeybindings {

std::string path(const std::string& name) {
    return "/org/gnome/settings-daemon/plugins/media-keys/custom-keybindings/" + name + "/";
}

std::optional<std::vector<std::string>> parseList(const std::string& text) {
    const auto first = text.find_first_not_of(" \n");
    const auto last = text.find_last_not_of(" \n");
    if (first == std::string::npos) {
        return std::nullopt;
    }
    std::string body = text.substr(first, last - first + 1);
    if (body.rfind("@as ", 0) == 0) {
        body = body.substr(4);
    }
    if (body.size() < 2 || body.front() != '[' || body.back() != ']') {
        return std::nullopt;
    }
    std::vector<std::string> paths;
    size_t at = 1;
    while (true) {
        at = body.find_first_not_of(" ,", at);
        if (at == body.size() - 1) {
            return paths;
        }
        // Settings paths hold no quotes or backslashes, so the next quote ends the string.
        const char quote = body[at];
        const auto end = body.find(quote, at + 1);
        if ((quote != '\'' && quote != '"') || end == std::string::npos) {
            return std::nullopt;
        }
        paths.push_back(body.substr(at + 1, end - at - 1));
        at = end + 1;
    }
}

std::string formatList(const std::vector<std::string>& paths) {
    if (paths.empty()) {
        return "@as []";
    }
    std::string text = "[";
    for (const auto& path : paths) {
        text += (text.size() > 1 ? ", " : "") + quoted(path);
    }
    return text + "]";
}

std::string quoted(const std::string& text) {
    std::string out = "'";
    for (char c : text) {
        if (c == '\'' || c == '\\') {
            out += '\\';
        }
        out += c;
    }
    return out + "'";
}

std::optional<std::string> accelerator(const HotKeyCombo& combo) {
    auto key = keysymName(combo.keyCode);
    if (!key) {
        return std::nullopt;
    }
    if (key->size() == 1) {
        (*key)[0] = static_cast<char>(std::tolower(static_cast<unsigned char>((*key)[0])));
    }
    std::string text;
    for (auto [modifier, name] :
         {std::pair{HotKeyModifiers::control, "<Control>"},
          std::pair{HotKeyModifiers::option, "<Alt>"}, std::pair{HotKeyModifiers::shift, "<Shift>"},
          std::pair{HotKeyModifiers::command, "<Super>"}}) {
        if (combo.modifiers.contains(modifier)) {
            text += name;
        }
    }
    return text + *key;
}

} // namespace corvale::GnomeKeybindings
