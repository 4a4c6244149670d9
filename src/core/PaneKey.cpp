#include "core/PaneKey.h"

#include "core/Text.h"

#include <array>
#include <utility>

namespace corvale {
namespace {

using Kind = PaneID::Kind;

constexpr std::string_view appPrefix = "app:";

constexpr std::array<std::pair<Kind, std::string_view>, 9> kindNames = {{
    {Kind::general, "general"},
    {Kind::recentAlerts, "recentAlerts"},
    {Kind::allOtherApps, "allOtherApps"},
    {Kind::starterPresets, "starterPresets"},
    {Kind::soundLibrary, "soundLibrary"},
    {Kind::setup, "setup"},
    {Kind::detection, "detection"},
    {Kind::help, "help"},
    {Kind::about, "about"},
}};

char asciiLower(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

bool equalIgnoringAsciiCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) {
        return false;
    }
    for (size_t i = 0; i < a.size(); ++i) {
        if (asciiLower(a[i]) != asciiLower(b[i])) {
            return false;
        }
    }
    return true;
}

} // namespace

std::string paneKey(const PaneID& pane) {
    if (pane.kind == Kind::app) {
        return std::string(appPrefix) + pane.appName;
    }
    for (const auto& [kind, name] : kindNames) {
        if (kind == pane.kind) {
            return std::string(name);
        }
    }
    return std::string(kindNames.front().second);
}

std::optional<PaneID> paneFromKey(std::string_view key) {
    if (key.size() >= appPrefix.size() &&
        equalIgnoringAsciiCase(key.substr(0, appPrefix.size()), appPrefix)) {
        std::string_view name = key.substr(appPrefix.size());
        if (trimmed(name).empty() || validUtf8(name) != name) {
            return std::nullopt;
        }
        return PaneID::app(std::string(name));
    }
    for (const auto& [kind, name] : kindNames) {
        if (equalIgnoringAsciiCase(key, name)) {
            return PaneID::of(kind);
        }
    }
    return std::nullopt;
}

std::string paneKeyList() {
    std::string list;
    for (const auto& entry : kindNames) {
        list += std::string(entry.second) + ", ";
    }
    return list + std::string(appPrefix) + "NAME";
}

} // namespace corvale
