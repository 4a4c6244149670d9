#include "signals/MenuBarIconStyle.h"
#include "signals/StatusItemController.h"
#include "ui/render/RenderHarness.h"
#include "ui/tray/TrayGlyphs.h"

#include <QPainter>

namespace corvale {
namespace {

// The size most panels draw tray icons at.
constexpr int traySize = 22;

// The icon on a strip of panel, so it is judged against the background it sits on.
QImage onPanel(const QString& symbol, const QString& badge, const RenderVariant& v,
               std::optional<FlashColor> tint = std::nullopt, double opacity = 1.0) {
    TrayLook look = TrayLook::forPalette(v.dark);
    look.tint = tint;
    look.opacity = opacity;
    const QImage icon = TrayGlyphs::menuBarImage(symbol, badge, traySize, look, v.deviceScale);
    const int pad = 5;
    QImage panel(QSize(traySize + 2 * pad, traySize + 2 * pad) * v.deviceScale,
                 QImage::Format_ARGB32_Premultiplied);
    panel.setDevicePixelRatio(v.deviceScale);
    panel.fill(v.dark ? QColor(32, 32, 36) : QColor(236, 236, 236));
    QPainter p(&panel);
    p.drawImage(QPointF(pad, pad), icon);
    return panel;
}

} // namespace

void addTrayRenders(RenderCatalog& catalog) {
    for (const auto& style : MenuBarIconStyle::all()) {
        const QString key = QString::fromStdString(style.key);
        const QString on = QString::fromStdString(style.onSymbol);
        const QString muted = QString::fromStdString(style.mutedSymbol);
        catalog.add("tray-" + key + "-watching",
                    [on](const RenderVariant& v) { return onPanel(on, "", v); });
        catalog.add("tray-" + key + "-muted",
                    [muted](const RenderVariant& v) { return onPanel(muted, "", v); });
        catalog.add("tray-" + key + "-badge-3",
                    [on](const RenderVariant& v) { return onPanel(on, "3", v); });
    }
    const QString warn = StatusItemController::needsPermissionSymbol;
    const QString wait = StatusItemController::attachingSymbol;
    catalog.add("tray-no-access", [warn](const RenderVariant& v) { return onPanel(warn, "", v); });
    catalog.add("tray-no-access-badge-1",
                [warn](const RenderVariant& v) { return onPanel(warn, "1", v); });
    catalog.add("tray-attaching", [wait](const RenderVariant& v) { return onPanel(wait, "", v); });
    catalog.add("tray-snoozed-badge-9plus",
                [](const RenderVariant& v) { return onPanel("bell.slash", "9+", v); });
    const FlashColor green = FlashColor::fromHex("#43A047");
    catalog.add("tray-blink-tinted-dim", [green](const RenderVariant& v) {
        return onPanel("bell", "", v, green, StatusItemController::dimOpacity);
    });
    catalog.add("tray-blink-tinted-bright",
                [green](const RenderVariant& v) { return onPanel("bell", "2", v, green, 1.0); });
}

} // namespace corvale
