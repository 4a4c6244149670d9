#pragma once

#include "core/PaneID.h"
#include "core/Subscription.h"
#include "ui/settings/SettingsPanes.h"
#include "ui/settings/views/SettingsContext.h"

#include <QTimer>
#include <QWidget>
#include <functional>
#include <map>
#include <optional>

class QStackedWidget;

namespace corvale {

class SettingsSidebar;

namespace settings {
class FormPane;
}

// Builds the pane of a sidebar entry. An entry whose kind has no factory is left out of the
// sidebar; the General pane's factory is always there unless replaced.
using PaneFactory = std::function<settings::FormPane*(settings::SettingsContext&, const PaneID&)>;
using PaneFactories = std::map<PaneID::Kind, PaneFactory>;

// The two columns of the settings window: the sidebar at a fixed width and the selected pane
// beside it.
class SettingsSplitView : public QWidget {
public:
    static constexpr int detailMinimumWidth = 600;

    SettingsSplitView(settings::SettingsContext& context, PaneFactories factories,
                      QWidget* parent = nullptr);

    // Lists the entries anew and selects `select`, else the current pane while it is still
    // listed, else the first pane. While a modal dialog is up it waits until none is: the pane
    // it would replace may hold the handler that opened the dialog.
    void rebuildSidebar(const std::optional<PaneID>& select);
    // The same, once the action running now (a pane's removal of an app) has finished.
    void rebuildSidebarSoon();

    SettingsSidebar* sidebar() const { return sidebar_; }
    settings::FormPane* currentPane() const { return pane_; }
    const std::optional<PaneID>& currentPaneID() const { return paneID_; }

private:
    void showPane(const PaneID& id);
    void runAction(const SidebarEntry& entry);
    std::vector<SidebarEntry> availableEntries() const;

    settings::SettingsContext& context_;
    PaneFactories factories_;
    SettingsSidebar* sidebar_;
    QStackedWidget* detail_;
    settings::FormPane* pane_ = nullptr;
    std::optional<PaneID> paneID_;
    QTimer rebuildTimer_;
    // What the waiting rebuild selects.
    std::optional<PaneID> pendingSelect_;
};

// The settings window: created once, hidden (not destroyed) when closed, and reopened where the
// user left it. Its frame is remembered in the preferences; with none, or one that no screen
// shows any more, it opens centred on the main screen.
class SettingsWindowController : public QWidget {
public:
    static constexpr const char* title = "Corvale Settings";

    SettingsWindowController(settings::SettingsContext context, PaneFactories factories = {},
                             QWidget* parent = nullptr);
    ~SettingsWindowController() override;

    // Rebuilds the sidebar selecting `select` (none: the current or first pane), shows the
    // window and brings it to the front.
    void open(const std::optional<PaneID>& select = std::nullopt);

    SettingsSplitView* splitView() const { return split_; }
    settings::SettingsContext& context() { return context_; }

protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void moveEvent(QMoveEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void placeOnScreen();
    void saveFrame();

    settings::SettingsContext context_;
    SettingsSplitView* split_;
    QTimer saveSoon_;
    bool placed_ = false;
};

} // namespace corvale
