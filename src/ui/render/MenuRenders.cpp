#include "ui/render/RenderHarness.h"
#include "ui/render/RenderSamples.h"

#include "core/NotificationCenter.h"
#include "core/linux/QtScheduler.h"
#include "signals/StatusItemController.h"
#include "ui/menubar/ConfigModel.h"
#include "ui/menubar/views/ConfigView.h"
#include "ui/menubar/views/QuickMenuView.h"

#include <QImage>
#include <QPainter>
#include <QPalette>
#include <QPushButton>
#include <QTemporaryDir>
#include <QWidget>
#include <memory>

namespace corvale {

namespace {

// A dashboard with one lens, drawn from a sample session.
// `retried`: after a click on Restore Notification Access that did not bring access back.
RenderCatalog::Draw dashboard(PopoverLens lens, bool withData, bool trusted, bool retried = false) {
    return [=](const RenderVariant& variant) {
        SampleSession session(withData);
        session.model->onRestoreAccess = [] { return false; };
        if (!trusted) {
            ConfigPublished values = session.model->published();
            values.isTrusted = false;
            values.statusLine =
                StatusItemController::statusTextFor(false, std::nullopt, Clock::now(), false, 0);
            session.model->publish(values);
        }
        ConfigView view(*session.model, {lens, {}});
        if (retried) {
            if (auto* restore = view.findChild<QPushButton*>("restoreAccess")) {
                restore->click();
            }
        }
        return grabPopup(&view, variant.deviceScale);
    };
}

RenderCatalog::Draw quickMenu(bool snoozed) {
    return [=](const RenderVariant& variant) {
        SampleSession session(true);
        session.model->setSnoozed(snoozed);
        QuickMenuView view(*session.model, {[] { return 30; }, [] { return AccentTheme(); }});
        return grabPopup(&view, variant.deviceScale);
    };
}

} // namespace

void addMenuRenders(RenderCatalog& catalog) {
    catalog.add("dashboard-alerts", dashboard(PopoverLens::alerts, true, true));
    catalog.add("dashboard-sounds", dashboard(PopoverLens::sounds, true, true));
    catalog.add("dashboard-alerts-empty", dashboard(PopoverLens::alerts, false, true));
    catalog.add("dashboard-sounds-empty", dashboard(PopoverLens::sounds, false, true));
    catalog.add("dashboard-needs-access", dashboard(PopoverLens::sounds, true, false));
    catalog.add("dashboard-access-still-missing",
                dashboard(PopoverLens::sounds, true, false, true));
    catalog.add("quick-menu", quickMenu(false));
    catalog.add("quick-menu-snoozed", quickMenu(true));
}

} // namespace corvale
