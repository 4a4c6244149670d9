#include "ui/render/RenderHarness.h"
#include "ui/render/RenderSamples.h"

#include "platform/linux/XdgAutostart.h"
#include "platform/linux/XdgWorkspace.h"
#include "ui/settings/HotKeyNotes.h"
#include "ui/settings/views/GeneralPane.h"
#include "ui/settings/views/QtDialogs.h"
#include "ui/settings/views/SettingsPaneFactories.h"

#include <QApplication>
#include <QScrollBar>

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
        SettingsWindowController window(context, settingsPaneFactories());
        window.splitView()->rebuildSidebar(PaneID::of(PaneID::Kind::general));
        return grabAtSize(&window, QSize(840, 560), variant.deviceScale);
    };
}

// A GNOME Wayland session without the portal's shortcuts: nothing set there yet.
class NoDesktopShortcuts : public DesktopShortcuts {
public:
    bool isSet(const std::string&) override { return false; }
    bool set(const Shortcut&) override { return false; }
    bool remove(const std::string&) override { return false; }
};

// The General pane whole, as tall as it needs, so that nothing below the fold goes unseen; on a
// Wayland session without XWayland or the portal's shortcuts when asked.
QImage generalPane(const RenderVariant& variant, bool wayland) {
    SampleSession session(true);
    QtDialogs dialogs;
    XdgWorkspace workspace;
    XdgAutostart autostart("/usr/bin/corvale", session.path / "autostart", {});
    settings::SettingsContext context{
        *session.model, session.prefs, session.center, dialogs, workspace, {}, {}};
    context.loginItems = &autostart;
    NoDesktopShortcuts gnome;
    std::optional<HotKeyNotes> notes;
    if (wayland) {
        context.flashNeedsXWayland = true;
        notes.emplace(HotKeyNotes::Sources{[](std::uint32_t) {
                                               GlobalShortcutStatus status;
                                               status.mechanism =
                                                   GlobalShortcutMechanism::gnomeCustomShortcut;
                                               status.combo =
                                                   HotKeyCombo{46, HotKeyModifiers::control |
                                                                       HotKeyModifiers::option};
                                               return status;
                                           },
                                           {},
                                           &gnome,
                                           "/usr/bin/corvale"},
                      dialogs, LogFn{});
        context.hotKeyNotes = &*notes;
    }
    GeneralPane pane(context);
    pane.setAttribute(Qt::WA_DontShowOnScreen);
    pane.resize(626, 560);
    pane.show();
    int height = 560;
    for (int i = 0; i < 8 && pane.verticalScrollBar()->maximum() > 0; ++i) {
        height += pane.verticalScrollBar()->maximum();
        pane.resize(626, height);
        QApplication::processEvents();
    }
    return grabAtSize(&pane, QSize(626, height), variant.deviceScale);
}

} // namespace

void addSettingsRenders(RenderCatalog& catalog) {
    catalog.add("settings-window", settingsWindow(false));
    catalog.add("settings-window-sidebar-accent", settingsWindow(true));
    catalog.add("settings-general",
                [](const RenderVariant& variant) { return generalPane(variant, false); });
    catalog.add("settings-general-wayland",
                [](const RenderVariant& variant) { return generalPane(variant, true); });
}

} // namespace corvale
