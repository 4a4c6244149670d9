#include "ui/render/RenderHarness.h"

#include "core/NotificationCenter.h"
#include "core/linux/QtScheduler.h"
#include "signals/StatusItemController.h"
#include "ui/menubar/ConfigModel.h"
#include "ui/menubar/views/ConfigView.h"
#include "ui/menubar/views/QuickMenuView.h"

#include <QImage>
#include <QPainter>
#include <QPalette>
#include <QTemporaryDir>
#include <QWidget>
#include <memory>

namespace corvale {

namespace {

// The stores and the model of a sample session, all in a temporary folder.
struct SampleSession {
    QTemporaryDir folder;
    std::filesystem::path path{folder.path().toStdString()};
    LogFn quiet = [](const std::string&) {};
    RuleStore rules{path / "rules.json", quiet};
    CustomSoundStore sounds{path / "custom-sounds.json", quiet};
    ObservedAppsStore observed{path / "observed-apps.json", quiet};
    PingLogStore pings{path / "ping-log.json", quiet};
    NotificationCenter center;
    QtScheduler scheduler;
    std::unique_ptr<ConfigModel> model;

    explicit SampleSession(bool withData) {
        rules.load();
        sounds.load();
        observed.load();
        pings.load();
        model = std::make_unique<ConfigModel>(
            ConfigModel::Stores{rules, sounds, observed, pings},
            [](const Rule&, const ObservedNotification&) {}, std::vector<std::string>{"Submarine"},
            center, scheduler, quiet);
        if (!withData) {
            return;
        }
        model->addApp("Slack");
        model->setFlashColor(FlashColor::fromHex("#7C3AED"), std::string("Slack"));
        model->addApp("Mail");
        model->setSound(SoundRef::builtin("Glass"), std::string("Mail"));
        model->setVolume(0.8, std::string("Mail"));
        model->setNativeMuted(true, std::string("Mail"));
        model->addRule("Mail", Condition{Condition::Type::titleContains, "invoice"},
                       SoundRef::builtin("Ping"), 1.0);
        model->addRule("Mail", Condition{Condition::Type::bodyContains, "urgent"},
                       SoundRef::builtin("Sosumi"), 1.2);
        model->addApp("Calendar");
        model->setSound(SoundRef::silent(), std::string("Calendar"));
        observed.observe("Slack");
        observed.observe("Mail");
        auto now = Clock::now();
        using std::chrono::minutes;
        for (int i = 0; i < 3; ++i) {
            pings.record("Slack", now - minutes(4 + i * 7), std::nullopt);
        }
        pings.record("Mail", now - minutes(35), std::nullopt);
        pings.record("Calendar", now - std::chrono::hours(30), std::nullopt);
        pings.record("Calendar", now - std::chrono::hours(31), std::nullopt);
        ConfigPublished values;
        values.statusLine =
            StatusItemController::statusTextFor(true, std::nullopt, Clock::now(), true, 6);
        values.seenApps = {"Slack", "Mail", "Calendar"};
        model->publish(values);
    }
};

QImage grab(QWidget* widget, qreal scale) {
    widget->setAttribute(Qt::WA_DontShowOnScreen);
    widget->show();
    widget->adjustSize();
    QImage image(widget->size() * scale, QImage::Format_ARGB32_Premultiplied);
    image.setDevicePixelRatio(scale);
    image.fill(widget->palette().color(QPalette::Window));
    widget->render(&image);
    {
        // The outline the popup window draws around the view.
        QPainter p(&image);
        p.setPen(widget->palette().color(QPalette::Mid));
        p.drawRect(QRectF(0.5, 0.5, widget->width() - 1, widget->height() - 1));
    }
    widget->hide();
    return image;
}

// A dashboard with one lens, drawn from a sample session.
RenderCatalog::Draw dashboard(PopoverLens lens, bool withData, bool trusted) {
    return [=](const RenderVariant& variant) {
        SampleSession session(withData);
        if (!trusted) {
            ConfigPublished values = session.model->published();
            values.isTrusted = false;
            values.statusLine =
                StatusItemController::statusTextFor(false, std::nullopt, Clock::now(), false, 0);
            session.model->publish(values);
        }
        ConfigView view(*session.model, {lens, {}});
        return grab(&view, variant.deviceScale);
    };
}

RenderCatalog::Draw quickMenu(bool snoozed) {
    return [=](const RenderVariant& variant) {
        SampleSession session(true);
        session.model->setSnoozed(snoozed);
        QuickMenuView view(*session.model, {[] { return 30; }, [] { return AccentTheme(); }});
        return grab(&view, variant.deviceScale);
    };
}

} // namespace

void addMenuRenders(RenderCatalog& catalog) {
    catalog.add("dashboard-alerts", dashboard(PopoverLens::alerts, true, true));
    catalog.add("dashboard-sounds", dashboard(PopoverLens::sounds, true, true));
    catalog.add("dashboard-alerts-empty", dashboard(PopoverLens::alerts, false, true));
    catalog.add("dashboard-sounds-empty", dashboard(PopoverLens::sounds, false, true));
    catalog.add("dashboard-needs-access", dashboard(PopoverLens::sounds, true, false));
    catalog.add("quick-menu", quickMenu(false));
    catalog.add("quick-menu-snoozed", quickMenu(true));
}

} // namespace corvale
