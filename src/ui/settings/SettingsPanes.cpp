#include "ui/settings/SettingsPanes.h"

#include "core/Text.h"
#include "ui/menubar/MenuModel.h"

#include <algorithm>

namespace corvale::SettingsPanes {
namespace {

using Kind = PaneID::Kind;

SidebarEntry pane(Kind kind, const char* label, const char* symbol, const char* group,
                  const char* tint) {
    return {SidebarEntry::Kind::pane, PaneID::of(kind), label, symbol, group,
            FlashColor::fromHex(tint)};
}

} // namespace

std::vector<SidebarEntry> entries(const std::vector<Rule>& rules,
                                  const std::vector<std::string>& seenApps) {
    std::vector<SidebarEntry> list{
        pane(Kind::general, "General", "gearshape", "General", "#8E8E93"),
        pane(Kind::recentAlerts, "Recent Alerts", "clock.arrow.circlepath", "General", "#FF9500"),
        pane(Kind::allOtherApps, "All other apps", "square.grid.2x2", "Apps", "#5E5CE6"),
        pane(Kind::starterPresets, "Popular apps", "sparkles", "Apps", "#FF2D55"),
    };
    for (const auto& app : MenuModel::appRows(rules, seenApps)) {
        list.push_back({SidebarEntry::Kind::pane, PaneID::app(app), app, "app", "Apps",
                        MenuModel::paletteColor(app)});
    }
    list.push_back({SidebarEntry::Kind::action,
                    {},
                    addAppLabel,
                    "plus",
                    "Apps",
                    FlashColor::fromHex("#34C759")});
    list.push_back(pane(Kind::soundLibrary, "My Sounds", "waveform", "Sounds", "#0A84FF"));
    list.push_back(
        pane(Kind::setup, "Fix Double-Sound", "wrench.and.screwdriver", "Setup", "#636366"));
    list.push_back(pane(Kind::detection, "App Detection", "bell.badge", "Setup", "#FF3B30"));
    list.push_back(pane(Kind::help, "Help", "questionmark.circle", "Corvale", "#30B0C7"));
    list.push_back(pane(Kind::about, "About", "info.circle", "Corvale", "#0EC9D5"));
    return list;
}

std::optional<PaneID> selectionAfterRebuild(const std::vector<SidebarEntry>& entries,
                                            const std::optional<PaneID>& requested,
                                            const std::optional<PaneID>& current) {
    // An application's pane is found by its name key, so "slack" selects the row "Slack".
    auto listed = [&](const std::optional<PaneID>& id) -> std::optional<PaneID> {
        if (!id) {
            return std::nullopt;
        }
        for (const auto& e : entries) {
            if (!e.isPane() || e.pane.kind != id->kind) {
                continue;
            }
            if (id->kind != PaneID::Kind::app || nameKey(e.pane.appName) == nameKey(id->appName)) {
                return e.pane;
            }
        }
        return std::nullopt;
    };
    if (auto found = listed(requested)) {
        return found;
    }
    if (auto found = listed(current)) {
        return found;
    }
    auto first = std::find_if(entries.begin(), entries.end(),
                              [](const SidebarEntry& e) { return e.isPane(); });
    if (first == entries.end()) {
        return std::nullopt;
    }
    return first->pane;
}

} // namespace corvale::SettingsPanes
