#pragma once

#include "core/FlashColor.h"
#include "core/PaneID.h"
#include "core/Rule.h"

#include <optional>
#include <string>
#include <vector>

namespace corvale {

// One row of the settings window's sidebar: a pane to show, or an action run when chosen.
struct SidebarEntry {
    enum class Kind { pane, action };
    Kind kind = Kind::pane;
    PaneID pane;        // the pane shown; meaningful for Kind::pane only
    std::string label;  // the row's text
    std::string symbol; // the glyph's symbol name
    std::string group;  // the heading the row sits under
    FlashColor tint;    // the symbol tile's own colour, when the accent does not tint it

    bool isPane() const { return kind == Kind::pane; }
    friend bool operator==(const SidebarEntry&, const SidebarEntry&) = default;
};

// The sidebar's entries and which of them is selected after a rebuild.
namespace SettingsPanes {

inline constexpr const char* addAppLabel = "Add App\u2026";
// The sidebar's name for screen readers.
inline constexpr const char* sidebarName = "Settings sections";

// Every entry, in sidebar order: the fixed panes, one editor per application row (configured apps
// then apps seen this run, as the menus list them) and the add-app action.
std::vector<SidebarEntry> entries(const std::vector<Rule>& rules,
                                  const std::vector<std::string>& seenApps);

// The pane to select after a rebuild: the one asked for when it is listed, else the current one
// when it is still listed, else the first pane; none when no pane is listed.
std::optional<PaneID> selectionAfterRebuild(const std::vector<SidebarEntry>& entries,
                                            const std::optional<PaneID>& requested,
                                            const std::optional<PaneID>& current);

} // namespace SettingsPanes
} // namespace corvale
