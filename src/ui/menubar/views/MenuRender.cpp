#include "ui/menubar/views/MenuRender.h"

#include "core/NotificationCenter.h"
#include "core/linux/QtScheduler.h"
#include "signals/StatusItemController.h"
#include "ui/menubar/ConfigModel.h"
#include "ui/menubar/views/ConfigView.h"
#include "ui/menubar/views/QuickMenuView.h"

#include <QApplication>
#include <QDir>
#include <QImage>
#include <QPainter>
#include <QPalette>
#include <QTemporaryDir>
#include <memory>

namespace corvale {

namespace {

QPalette darkPalette() {
    QPalette p;
    QColor window(0x2B, 0x2D, 0x31), base(0x1F, 0x21, 0x24), text(0xE8, 0xEA, 0xED);
    p.setColor(QPalette::Window, window);
    p.setColor(QPalette::WindowText, text);
    p.setColor(QPalette::Base, base);
    p.setColor(QPalette::AlternateBase, window);
    p.setColor(QPalette::Text, text);
    p.setColor(QPalette::Button, QColor(0x3A, 0x3D, 0x42));
    p.setColor(QPalette::ButtonText, text);
    p.setColor(QPalette::Mid, QColor(0x5F, 0x63, 0x68));
    p.setColor(QPalette::Dark, QColor(0x15, 0x16, 0x18));
    p.setColor(QPalette::Light, QColor(0x4A, 0x4D, 0x52));
    p.setColor(QPalette::Highlight, QColor(0x0E, 0x8A, 0x93));
    p.setColor(QPalette::HighlightedText, Qt::white);
    p.setColor(QPalette::PlaceholderText, QColor(0xA8, 0xAB, 0xB0));
    p.setColor(QPalette::ToolTipBase, base);
    p.setColor(QPalette::ToolTipText, text);
    p.setColor(QPalette::Disabled, QPalette::ButtonText, QColor(0x80, 0x84, 0x89));
    p.setColor(QPalette::Disabled, QPalette::WindowText, QColor(0x80, 0x84, 0x89));
    p.setColor(QPalette::Disabled, QPalette::Text, QColor(0x80, 0x84, 0x89));
    return p;
}

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

} // namespace

QStringList renderMenuViews(const QString& folder, QString* error) {
    QStringList written;
    if (!QDir().mkpath(folder)) {
        if (error) {
            *error = "cannot create the folder " + folder;
        }
        return written;
    }
    const QPalette light = QApplication::palette();
    struct Variant {
        const char* suffix;
        QPalette palette;
        qreal scale;
    };
    const Variant variants[] = {{"", light, 1.0},
                                {"@2x", light, 2.0},
                                {"-dark", darkPalette(), 1.0},
                                {"-dark@2x", darkPalette(), 2.0}};
    auto save = [&](const QImage& image, const QString& name) {
        QString file = QDir(folder).filePath(name + ".png");
        if (image.save(file)) {
            written << file;
        } else if (error) {
            *error = "cannot write " + file;
        }
    };
    for (const auto& variant : variants) {
        QApplication::setPalette(variant.palette);
        QString suffix = variant.suffix;
        for (bool withData : {true, false}) {
            SampleSession session(withData);
            QString data = withData ? "" : "-empty";
            for (PopoverLens lens : {PopoverLens::alerts, PopoverLens::sounds}) {
                ConfigView view(*session.model, {lens, {}});
                save(grab(&view, variant.scale),
                     QString("dashboard-%1%2%3")
                         .arg(QString::fromUtf8(rawValue(lens).data(), 6), data, suffix));
            }
        }
        {
            SampleSession session(true);
            ConfigPublished values = session.model->published();
            values.isTrusted = false;
            values.statusLine =
                StatusItemController::statusTextFor(false, std::nullopt, Clock::now(), false, 0);
            session.model->publish(values);
            ConfigView view(*session.model, {PopoverLens::sounds, {}});
            save(grab(&view, variant.scale), "dashboard-needs-access" + suffix);
        }
        for (bool snoozed : {false, true}) {
            SampleSession session(true);
            session.model->setSnoozed(snoozed);
            QuickMenuView view(*session.model, {[] { return 30; }, [] { return AccentTheme(); }});
            save(grab(&view, variant.scale),
                 QString("quick-menu%1%2").arg(snoozed ? "-snoozed" : "", suffix));
        }
    }
    QApplication::setPalette(light);
    return written;
}

} // namespace corvale
