#include "ui/render/RenderHarness.h"
#include "ui/render/RenderSamples.h"

#include "platform/linux/XdgAutostart.h"
#include "platform/linux/XdgWorkspace.h"
#include "ui/settings/views/QtDialogs.h"
#include "ui/settings/views/SettingsWindow.h"

#include <QApplication>

namespace corvale {
namespace {

RenderCatalog::Draw settingsWindow(bool accentIcons) {
    return [=](const RenderVariant& variant) {
        SampleSession session(true);
        session.prefs.setSidebarIconsUseAccent(accentIcons);
        session.prefs.setMuteHotKeyCombo(
            HotKeyCombo{46, HotKeyModifiers::option | HotKeyModifiers::command});
        QtDialogs dialogs;
        XdgWorkspace workspace;
        // Autostart in the sample's own folder, so drawing never touches the user's session.
        XdgAutostart autostart("/usr/bin/corvale", session.path / "autostart", {});
        settings::SettingsContext context{
            *session.model, session.prefs, session.center, dialogs, workspace, {}, {}};
        context.loginItems = &autostart;
        SettingsWindowController window(context);
        window.splitView()->rebuildSidebar(PaneID::of(PaneID::Kind::general));
        return grabAtSize(&window, QSize(840, 560), variant.deviceScale);
    };
}

} // namespace

void addSettingsRenders(RenderCatalog& catalog) {
    catalog.add("settings-window", settingsWindow(false));
    catalog.add("settings-window-sidebar-accent", settingsWindow(true));
}

} // namespace corvale
