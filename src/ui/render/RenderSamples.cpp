#include "ui/render/RenderSamples.h"

#include "signals/StatusItemController.h"

#include <QPainter>
#include <QPalette>
#include <QWidget>

namespace corvale {

SampleSession::SampleSession(bool withData) {
    rules.load();
    sounds.load();
    observed.load();
    pings.load();
    model = std::make_unique<ConfigModel>(
        ConfigModel::Stores{rules, sounds, observed, pings},
        [](const Rule&, const ObservedNotification&) {}, std::vector<std::string>{"Submarine"},
        center, scheduler, quiet);
    // The program's object would log the switch and redraw the tray; here it is only written.
    model->onSoundsEnabledChanged = [this](bool on) { prefs.setSoundsEnabled(on); };
    // The program always has a settings window, an add-app list and a way to bring an app
    // forward, and its views offer the rows that lead there; a drawing shows them as offered.
    model->onOpenSettings = [](const std::optional<PaneID>&) {};
    model->onAddApp = [] { return std::optional<std::string>(); };
    model->onOpenApp = [](const std::string&) {};
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
    model->addRule("Mail",
                   Condition{Condition::Type::regex, "(deploy|release) (failed|blocked) on prod"},
                   SoundRef::builtin("Submarine"), 1.0);
    model->setFlashMenuBar(true, std::string("Mail"));
    model->setFlashScreen(true, std::string("Mail"));
    model->setFlashStyle(FlashStyle::edgeTopBottom, std::string("Mail"));
    model->setFlashIntensity(FlashIntensity::strong, std::string("Mail"));
    // A library sound for the sound menus; the file need not exist to be listed.
    model->addCustomSound("Cash register",
                          FileUrl::fromPath((path / "Sounds" / "cash.m4a").string()));
    model->addApp("Calendar");
    model->setSound(SoundRef::silent(), std::string("Calendar"));
    observed.observe("Slack");
    observed.observe("Mail");
    auto now = Clock::now();
    using std::chrono::minutes;
    const char* slackPreviews[] = {"Deploy finished: api-gateway is live", nullptr,
                                   "Priya: can you look at the release notes before 3?"};
    for (int i = 0; i < 3; ++i) {
        pings.record("Slack", now - minutes(4 + i * 7),
                     slackPreviews[i] ? std::optional<std::string>(slackPreviews[i])
                                      : std::nullopt);
    }
    pings.record("Mail", now - minutes(35), std::string("Invoice #2291 from Northwind Traders"));
    pings.record("Calendar", now - std::chrono::hours(30), std::nullopt);
    pings.record("Calendar", now - std::chrono::hours(31), std::nullopt);
    // Saved sounds; the files need not exist for the views.
    model->addCustomSound("Doorbell",
                          FileUrl::fromPath((path / "Sounds" / "doorbell.m4a").string()));
    model->addCustomSound("Cash register",
                          FileUrl::fromPath((path / "Sounds" / "cash-register.ogg").string()));
    ConfigPublished values;
    values.statusLine =
        StatusItemController::statusTextFor(true, std::nullopt, Clock::now(), true, 6);
    values.seenApps = {"Slack", "Mail", "Calendar"};
    model->publish(values);
}

QImage grabPopup(QWidget* widget, qreal scale) {
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

QImage grabAtSize(QWidget* widget, QSize size, qreal scale) {
    widget->setAttribute(Qt::WA_DontShowOnScreen);
    widget->resize(size);
    widget->show();
    QImage image(size * scale, QImage::Format_ARGB32_Premultiplied);
    image.setDevicePixelRatio(scale);
    image.fill(widget->palette().color(QPalette::Window));
    widget->render(&image);
    widget->hide();
    return image;
}

} // namespace corvale
