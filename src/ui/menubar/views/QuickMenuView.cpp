#include "ui/menubar/views/QuickMenuView.h"

#include "ui/menubar/MenuTexts.h"
#include "ui/menubar/views/FormHelpers.h"

#include <QCheckBox>
#include <QEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QSignalBlocker>
#include <QStyle>
#include <QVBoxLayout>

namespace corvale {

using namespace form;
namespace T = MenuTexts;

QuickMenuView::QuickMenuView(ConfigModel& model, Options options, QWidget* parent)
    : QWidget(parent), model_(model), options_(std::move(options)) {
    setObjectName("quickMenuView");
    setMinimumWidth(240);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(8, 8, 8, 8);
    layout->setSpacing(2);

    auto* header = new QHBoxLayout;
    header->setContentsMargins(6, 2, 6, 6);
    header->addWidget(heading(T::productName));
    header->addStretch();
    badge_ = new Pill(QString(), liveColor);
    badge_->setObjectName("statusBadge");
    header->addWidget(badge_);
    layout->addLayout(header);

    auto* accentLine = new QFrame;
    accentLine->setObjectName("accentLine");
    accentLine->setFixedHeight(2);
    accentLine->setAutoFillBackground(true);
    layout->addWidget(accentLine);

    playSounds_ = new QCheckBox(T::playSounds);
    playSounds_->setIcon(style()->standardIcon(QStyle::SP_MediaVolume));
    playSounds_->setObjectName("playSounds");
    playSounds_->setToolTip(T::quickPlaySoundsHelp);
    playSounds_->setContentsMargins(6, 4, 6, 4);
    connect(playSounds_, &QCheckBox::clicked, this,
            [this](bool on) { model_.onSoundsEnabledChanged(on); });
    layout->addWidget(playSounds_);

    snooze_ = quickRow(QString(), QStringLiteral("\u263E"), T::snoozeHelp, "snooze");
    connect(snooze_, &QPushButton::clicked, this, [this] { model_.onSnooze(); });
    layout->addWidget(snooze_);

    // Without a settings window to open, the row is shown but cannot be chosen.
    auto* settings =
        quickRow(T::settings, QStringLiteral("\u2699"), T::openSettingsHelp, "settings");
    settings->setEnabled(static_cast<bool>(model_.onOpenSettings));
    connect(settings, &QPushButton::clicked, this, [this] { model_.onOpenSettings(std::nullopt); });
    layout->addWidget(settings);

    // Packages update through the distribution: without an updater the row would promise
    // something that cannot happen, so it is left out.
    if (model_.onCheckForUpdates) {
        auto* updates = quickRow(T::checkForUpdates, QStringLiteral("\u21BB"),
                                 T::checkForUpdatesHelp, "checkForUpdates");
        connect(updates, &QPushButton::clicked, this, [this] { model_.onCheckForUpdates(); });
        layout->addWidget(updates);
    }

    auto* quit = quickRow(T::quit, QString(), T::quitHelp, "quit");
    quit->setIcon(powerIcon(palette().color(QPalette::Text)));
    connect(quit, &QPushButton::clicked, this, [this] { model_.onQuit(); });
    layout->addWidget(quit);

    changes_ = model_.observe([this] { refresh(); });
    refresh();
}

QPushButton* QuickMenuView::quickRow(const QString& title, const QString& symbol, const char* help,
                                     const char* objectName) {
    auto* row = new QPushButton(title);
    row->setObjectName(objectName);
    row->setFlat(true);
    row->setToolTip(help);
    row->setIcon(glyphIcon(symbol, palette().color(QPalette::Text)));
    row->setStyleSheet(QStringLiteral("text-align: left; padding: 5px 6px;"));
    row->setFocusPolicy(Qt::StrongFocus);
    return row;
}

void QuickMenuView::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    // The system theme follows the desktop's accent as it changes.
    if (event->type() == QEvent::ApplicationPaletteChange) {
        refresh();
    }
}

void QuickMenuView::refresh() {
    const auto& published = model_.published();
    badge_->setText(qs(T::badge(published.isTrusted)));
    badge_->setFill(published.isTrusted ? liveColor : actionNeededColor);
    {
        QSignalBlocker block(playSounds_);
        playSounds_->setChecked(published.soundsEnabled);
    }
    int minutes = options_.snoozeMinutes ? options_.snoozeMinutes() : 0;
    snooze_->setText(qs(T::snoozeTitle(published.isSnoozed, minutes)));
    if (options_.accent) {
        auto* line = findChild<QFrame*>("accentLine");
        QPalette pal = line->palette();
        pal.setColor(QPalette::Window, accentColor(options_.accent()));
        line->setPalette(pal);
    }
}

} // namespace corvale
