#pragma once

#include "core/NotificationCenter.h"
#include "core/SettingsPrefs.h"
#include "core/Subscription.h"
#include "ui/settings/SettingsPanes.h"

#include <QListWidget>
#include <functional>
#include <optional>
#include <vector>

namespace corvale {

// The settings window's left column: group headings, which cannot be selected, and rows of a
// symbol tile and a label. Choosing a pane row shows its pane; choosing an action row runs its
// action and leaves the selection where it was. The arrow keys move between rows and skip the
// headings.
class SettingsSidebar : public QListWidget {
public:
    static constexpr int width = 214;

    SettingsSidebar(SettingsPrefs& prefs, NotificationCenter& center, QWidget* parent = nullptr);

    // Lists the entries and selects `select` (none: no row) without reporting it as a choice.
    void setEntries(std::vector<SidebarEntry> entries, const std::optional<PaneID>& select);
    const std::vector<SidebarEntry>& entries() const { return entries_; }
    std::optional<PaneID> selectedPane() const;

    std::function<void(const PaneID&)> onPaneChosen;
    std::function<void(const SidebarEntry&)> onActionChosen;

    // The symbol tiles' colour: the system accent with "sidebarIconsUseAccent", else the entry's.
    QColor tileColor(const SidebarEntry& entry) const;

protected:
    void changeEvent(QEvent* event) override;
    void selectionChanged(const QItemSelection& selected,
                          const QItemSelection& deselected) override;

private:
    void redrawIcons();
    int rowOf(const std::optional<PaneID>& pane) const;

    SettingsPrefs& prefs_;
    std::vector<SidebarEntry> entries_;
    // Rows of the list: an index into entries_, or -1 for a heading.
    std::vector<int> rowEntries_;
    int selectedRow_ = -1;
    bool quiet_ = false;
    Subscription styleChanges_;
};

} // namespace corvale
