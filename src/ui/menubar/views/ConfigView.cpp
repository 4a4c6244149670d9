#include "ui/menubar/views/ConfigView.h"

#include "ui/menubar/MenuTexts.h"
#include "ui/menubar/views/FormHelpers.h"
#include "ui/menubar/views/StoreProblemsBar.h"
#include "ui/settings/RecentAlertsList.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QScrollArea>
#include <QSignalBlocker>
#include <QStringList>
#include <QStyle>
#include <QVBoxLayout>
#include <algorithm>

namespace corvale {

using namespace form;
namespace T = MenuTexts;

namespace {

constexpr int viewWidth = 360;
constexpr int maxLensHeight = 320;
constexpr qint64 rowsInterval = 200;
const QColor pillColor{0x5F, 0x6B, 0x7A};

// Rows are flat buttons holding labels; the labels must let the clicks through.
void passClicks(QWidget* widget) {
    widget->setAttribute(Qt::WA_TransparentForMouseEvents);
}

// A row the user can open is a flat button holding labels; without anything to open it is a
// plain row, so that it does not look disabled.
QWidget* rowWidget(bool opens, const QString& objectName) {
    QWidget* row = nullptr;
    if (opens) {
        auto* button = new QPushButton;
        button->setFlat(true);
        button->setFocusPolicy(Qt::StrongFocus);
        row = button;
    } else {
        row = new QWidget;
    }
    row->setObjectName(objectName);
    row->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    return row;
}

// The row's labels let the pointer through to the row, so their own tooltips never show: the
// row's tooltip is its help (a row that opens something) and every line shown cut short, whole.
void setRowTip(QWidget* row, const QString& help, std::initializer_list<const NameLabel*> lines) {
    QStringList tip;
    if (qobject_cast<QPushButton*>(row)) {
        tip << help;
    }
    for (const auto* line : lines) {
        if (line->isShortened()) {
            tip << line->whole();
        }
    }
    row->setToolTip(plainTip(tip.join(QLatin1Char('\n'))));
}

// Warnings under a row name the app in a sentence that wraps; a name of one long word would not,
// so it is cut shorter than elsewhere to fit the dashboard's width.
constexpr int warningNameLimit = 24;

} // namespace

ConfigView::ConfigView(ConfigModel& model, Options options, QWidget* parent)
    : QWidget(parent), model_(model), options_(std::move(options)), lens_(options_.initialLens) {
    setObjectName("configView");
    setFixedWidth(viewWidth);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(12, 12, 12, 12);
    layout->setSpacing(10);
    layout->addWidget(signalHeader());
    layout->addWidget(engineStatusCard());
    // Made before the view observes the model, so it has changed by the time the view resizes.
    layout->addWidget(new StoreProblemsBar(model_));
    auto* noticeBox = new QWidget;
    noticesLayout_ = new QVBoxLayout(noticeBox);
    noticesLayout_->setContentsMargins(0, 0, 0, 0);
    noticesLayout_->setSpacing(6);
    layout->addWidget(noticeBox);
    layout->addWidget(signalLensCard());
    layout->addWidget(footer());

    rowsSoon_.setSingleShot(true);
    connect(&rowsSoon_, &QTimer::timeout, this, [this] { refreshRows(); });
    changes_ = model_.observe([this] {
        if (isVisible()) {
            refreshStatus();
            refreshRowsSoon();
        } else {
            // The accent is cheap and follows at once; the rows wait until the view shows.
            applyAccent();
            stale_ = true;
        }
    });
    refresh();
}

void ConfigView::refreshIfStale() {
    if (stale_) {
        refresh();
    }
}

void ConfigView::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (options_.lensAtOpening) {
        const auto lens = options_.lensAtOpening();
        if (lens != lens_) {
            lens_ = lens;
            stale_ = true;
        }
    }
    refreshIfStale();
}

QWidget* ConfigView::signalHeader() {
    auto* box = new QWidget;
    box->setObjectName("signalHeader");
    auto* row = new QHBoxLayout(box);
    row->setContentsMargins(2, 0, 0, 0);
    auto* mark = new ColorTile(QColor(ConfigModel::brandColorHex), T::productName, 18);
    row->addWidget(mark);
    row->addWidget(heading(T::productName));
    row->addStretch();
    auto* gear = iconButton(glyphIcon(QStringLiteral("\u2699"), palette().color(QPalette::Text)),
                            T::openSettingsHelp, "openSettings");
    gear->setEnabled(static_cast<bool>(model_.onOpenSettings));
    connect(gear, &QToolButton::clicked, this, [this] { model_.onOpenSettings(std::nullopt); });
    row->addWidget(gear);
    return box;
}

QWidget* ConfigView::engineStatusCard() {
    auto* card = new Card;
    card->setObjectName("engineStatusCard");
    auto* column = new QVBoxLayout(card);
    column->setSpacing(6);

    auto* top = new QHBoxLayout;
    badge_ = new Pill(QString(), liveColor);
    badge_->setObjectName("statusBadge");
    top->addWidget(badge_, 0, Qt::AlignTop);
    statusLine_ = note(QString());
    statusLine_->setObjectName("statusLine");
    // The longer warnings do not fit beside the badge; they wrap rather than lose their end.
    statusLine_->setWordWrap(true);
    top->addWidget(statusLine_, 1);
    column->addLayout(top);

    engineLine_ = label(QString());
    engineLine_->setObjectName("engineLine");
    engineLine_->setWordWrap(true);
    column->addWidget(engineLine_);

    restoreAccess_ = new QPushButton(T::restoreAccess);
    restoreAccess_->setObjectName("restoreAccess");
    restoreAccess_->setToolTip(T::restoreAccessHelp);
    restoreAccess_->setEnabled(static_cast<bool>(model_.onRestoreAccess));
    connect(restoreAccess_, &QPushButton::clicked, this, [this] {
        const bool granted = model_.onRestoreAccess();
        restoreResult_->setText(granted ? QString() : qs(T::restoreAccessFailed));
        restoreResult_->setVisible(!granted);
    });
    column->addWidget(restoreAccess_, 0, Qt::AlignLeft);
    restoreResult_ = note(QString());
    restoreResult_->setObjectName("restoreResult");
    restoreResult_->setWordWrap(true);
    restoreResult_->setVisible(false);
    column->addWidget(restoreResult_);

    playSounds_ = new QCheckBox(T::playSounds);
    playSounds_->setObjectName("playSounds");
    connect(playSounds_, &QCheckBox::clicked, this,
            [this](bool on) { model_.onSoundsEnabledChanged(on); });
    column->addWidget(playSounds_, 0, Qt::AlignLeft);
    return card;
}

QWidget* ConfigView::signalLensCard() {
    auto* card = new Card;
    card->setObjectName("signalLensCard");
    auto* column = new QVBoxLayout(card);
    column->setSpacing(6);

    auto* top = new QHBoxLayout;
    auto* title = new QLabel(T::signalView);
    QFont bold = title->font();
    bold.setBold(true);
    title->setFont(bold);
    top->addWidget(title);
    top->addStretch();
    auto* group = new QButtonGroup(card);
    auto segment = [&](const char* text, const char* name, PopoverLens lens) {
        auto* button = new QPushButton(text);
        button->setObjectName(name);
        button->setCheckable(true);
        button->setChecked(lens_ == lens);
        button->setToolTip(T::signalViewHelp);
        // The chosen half must stand out in dark palettes too, where a pressed button is darker.
        button->setStyleSheet(QStringLiteral(
            "QPushButton { padding: 3px 12px; border: 1px solid palette(mid); border-radius: 5px; }"
            "QPushButton:checked { background: palette(highlight); color: "
            "palette(highlighted-text);"
            " border-color: palette(highlight); }"
            "QPushButton:focus { border-color: palette(highlight); }"));
        group->addButton(button);
        connect(button, &QPushButton::clicked, this, [this, lens] { chooseLens(lens); });
        top->addWidget(button);
        return button;
    };
    alertsButton_ = segment(T::alertsLens, "lensAlerts", PopoverLens::alerts);
    soundsButton_ = segment(T::soundsLens, "lensSounds", PopoverLens::sounds);
    group->setExclusive(true);

    QColor text = palette().color(QPalette::Text);
    auto* trash =
        iconButton(style()->standardIcon(QStyle::SP_TrashIcon), T::clearAllHelp, "clearAllAlerts");
    connect(trash, &QToolButton::clicked, this, [this] { model_.onClearRecentAlerts(); });
    top->addWidget(trash);
    auto* history =
        iconButton(glyphIcon(QStringLiteral("\u2192"), text), T::historyHelp, "openHistory");
    history->setEnabled(static_cast<bool>(model_.onOpenSettings));
    connect(history, &QToolButton::clicked, this,
            [this] { model_.onOpenSettings(PaneID::of(PaneID::Kind::recentAlerts)); });
    top->addWidget(history);
    column->addLayout(top);

    scroll_ = new QScrollArea;
    scroll_->setObjectName("lensScroll");
    scroll_->setFrameShape(QFrame::NoFrame);
    scroll_->setWidgetResizable(true);
    scroll_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    scroll_->viewport()->setAutoFillBackground(false);
    column->addWidget(scroll_);
    return card;
}

QWidget* ConfigView::footer() {
    auto* box = new QWidget;
    box->setObjectName("footer");
    auto* row = new QHBoxLayout(box);
    row->setContentsMargins(0, 0, 0, 0);
    auto* add = new QPushButton(QStringLiteral("+ ") + T::addApp);
    add->setObjectName("addApp");
    add->setToolTip(T::addAppHelp);
    // Adding an app ends in its editor, so it needs the panel and the settings window both.
    add->setEnabled(static_cast<bool>(model_.onAddApp) && static_cast<bool>(model_.onOpenSettings));
    connect(add, &QPushButton::clicked, this, [this] {
        if (auto name = model_.onAddApp()) {
            model_.onOpenSettings(PaneID::app(*name));
        }
    });
    row->addWidget(add);
    row->addStretch();
    auto* quit = iconButton(powerIcon(palette().color(QPalette::Text)), T::quitHelp, "quit");
    connect(quit, &QToolButton::clicked, this, [this] { model_.onQuit(); });
    row->addWidget(quit);
    return box;
}

void ConfigView::chooseLens(PopoverLens lens) {
    if (lens == lens_) {
        return;
    }
    lens_ = lens;
    if (options_.onLensChosen) {
        options_.onLensChosen(lens);
    }
    rebuildContent();
}

void ConfigView::applyAccent() {
    if (!options_.accent) {
        return;
    }
    const QColor accent = accentColor(options_.accent());
    QPalette pal = palette();
    pal.setColor(QPalette::Highlight, accent);
    pal.setColor(QPalette::HighlightedText, textOn(accent));
    setPalette(pal);
}

void ConfigView::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    // The system theme follows the desktop's accent as it changes.
    if (event->type() == QEvent::ApplicationPaletteChange) {
        applyAccent();
    }
}

void ConfigView::refresh() {
    stale_ = false;
    refreshStatus();
    refreshRows();
}

void ConfigView::refreshRowsSoon() {
    if (rowsSoon_.isActive()) {
        return;
    }
    // Never at once: the change may come from a control among the rows, still in its handler.
    const qint64 since = sinceRows_.isValid() ? sinceRows_.elapsed() : rowsInterval;
    rowsSoon_.start(static_cast<int>(std::max<qint64>(0, rowsInterval - since)));
}

void ConfigView::refreshStatus() {
    applyAccent();
    const auto& published = model_.published();
    bool trusted = published.isTrusted;
    badge_->setText(qs(T::badge(trusted)));
    badge_->setFill(trusted ? liveColor : actionNeededColor);
    engineLine_->setText(qs(T::engineLine(trusted)));
    statusLine_->setText(qs(published.statusLine));
    restoreAccess_->setVisible(!trusted);
    if (trusted) {
        restoreResult_->setVisible(false);
    }
    {
        QSignalBlocker block(playSounds_);
        playSounds_->setChecked(published.soundsEnabled);
    }
    playSounds_->setToolTip(qs(T::playSoundsHelp(published.soundsEnabled)));
}

void ConfigView::refreshRows() {
    rowsSoon_.stop();
    sinceRows_.restart();
    while (auto* item = noticesLayout_->takeAt(0)) {
        delete item->widget();
        delete item;
    }
    auto notice = [&](const std::string& text, const QString& glyph, const char* help,
                      const char* name, PaneID pane, bool fixButton) {
        auto* card = new Card;
        card->setObjectName(name);
        card->setToolTip(help);
        auto* row = new QHBoxLayout(card);
        auto* icon = new QLabel(glyph);
        icon->setAccessibleName(help);
        QPalette pal = icon->palette();
        pal.setColor(QPalette::WindowText, warningColor);
        icon->setPalette(pal);
        row->addWidget(icon);
        row->addWidget(label(qs(text)), 1);
        auto* open = new QPushButton(fixButton ? T::fix : T::open);
        open->setObjectName(QString(name) + "Open");
        open->setToolTip(help);
        open->setEnabled(static_cast<bool>(model_.onOpenSettings));
        connect(open, &QPushButton::clicked, this, [this, pane] { model_.onOpenSettings(pane); });
        row->addWidget(open);
        noticesLayout_->addWidget(card);
    };
    if (int n = static_cast<int>(model_.appsNeedingNativeMute().size()); n > 0) {
        notice(T::doubleSoundNotice(n), QStringLiteral("\u26A0"), T::doubleSoundHelp,
               "noticeDoubleSound", PaneID::of(PaneID::Kind::setup), true);
    }
    if (int n = static_cast<int>(model_.unconfirmedApps().size()); n > 0) {
        notice(T::undetectedNotice(n), QStringLiteral("?"), T::undetectedHelp, "noticeUndetected",
               PaneID::of(PaneID::Kind::detection), false);
    }
    noticesLayout_->parentWidget()->setVisible(noticesLayout_->count() > 0);
    rebuildContent();
}

void ConfigView::rebuildContent() {
    {
        QSignalBlocker a(alertsButton_), s(soundsButton_);
        alertsButton_->setChecked(lens_ == PopoverLens::alerts);
        soundsButton_->setChecked(lens_ == PopoverLens::sounds);
    }
    QWidget* content = lens_ == PopoverLens::alerts ? alertsLens() : soundsLens();
    if (content != scroll_->widget()) {
        delete scroll_->takeWidget();
        scroll_->setWidget(content);
    }
    // The rows sit on the card, not on a panel of their own.
    content->setAutoFillBackground(false);
    scroll_->setFixedHeight(std::min(content->sizeHint().height(), maxLensHeight));
    adjustSize();
    emit contentChanged();
}

QWidget* ConfigView::emptyState(const char* text) {
    auto* box = new QWidget;
    auto* column = new QVBoxLayout(box);
    column->setContentsMargins(4, 12, 4, 12);
    auto* label = note(text);
    label->setObjectName("emptyState");
    label->setAlignment(Qt::AlignCenter);
    column->addWidget(label);
    return box;
}

QWidget* ConfigView::alertsLens() {
    auto groups = model_.recentAlertGroups();
    if (groups.empty()) {
        alertRows_.clear();
        return emptyState(T::alertsEmpty);
    }
    if (!alertsBox_ || scroll_->widget() != alertsBox_) {
        // The rows went with the content they were on.
        alertRows_.clear();
        alertsBox_ = new QWidget;
        alertsBox_->setObjectName("alertsLens");
        auto* column = new QVBoxLayout(alertsBox_);
        column->setContentsMargins(0, 0, 0, 0);
        column->setSpacing(2);
    }
    auto* column = static_cast<QVBoxLayout*>(alertsBox_->layout());
    while (auto* item = column->takeAt(0)) {
        delete item;
    }
    std::map<std::string, AlertRowParts> rows;
    const auto now = Clock::now();
    for (const auto& group : groups) {
        AlertRowParts row;
        if (auto kept = alertRows_.find(group.appName);
            kept != alertRows_.end() && rowFits(kept->second, group)) {
            row = kept->second;
            alertRows_.erase(kept);
            if (row.pill) {
                row.pill->setText(qs(T::repeatPill(group.count)));
                row.pill->setToolTip(qs(T::repeatPillHelp(group.count)));
            }
            row.time->setText(qs(alertTimeLabel(group.newest, now)));
        } else {
            row = alertRow(group, now);
        }
        column->addWidget(row.box);
        rows.emplace(group.appName, row);
    }
    // What is left belongs to apps cleared since, or to rows that changed shape.
    for (const auto& [app, row] : alertRows_) {
        delete row.box;
    }
    alertRows_ = std::move(rows);
    return alertsBox_;
}

bool ConfigView::rowFits(const AlertRowParts& row, const AppAlertGroup& group) const {
    return (row.pill != nullptr) == (group.count > 1) &&
           row.twoSounds == model_.mayPlayTwoSounds(group.appName) &&
           row.color == toQColor(model_.dashboardColor(group.appName));
}

ConfigView::AlertRowParts ConfigView::alertRow(const AppAlertGroup& group, TimePoint now) {
    AlertRowParts parts;
    QString app = qs(group.appName);
    auto* box = new QWidget;
    auto* column = new QVBoxLayout(box);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);
    auto* line = new QHBoxLayout;
    line->setSpacing(2);

    auto* row = rowWidget(static_cast<bool>(model_.onOpenApp), "alertRow:" + app);
    row->setAccessibleName(app);
    auto* inner = new QHBoxLayout(row);
    inner->setContentsMargins(6, 4, 6, 4);
    parts.color = toQColor(model_.dashboardColor(group.appName));
    auto* tile = new ColorTile(parts.color, app);
    passClicks(tile);
    inner->addWidget(tile);
    auto* name = new NameLabel(app);
    passClicks(name);
    inner->addWidget(name, 1);
    setRowTip(row, qs(T::openAppHelp(group.appName)), {name});
    if (group.count > 1) {
        auto* pill = new Pill(qs(T::repeatPill(group.count)), pillColor);
        pill->setObjectName("repeatPill");
        pill->setToolTip(qs(T::repeatPillHelp(group.count)));
        inner->addWidget(pill);
        parts.pill = pill;
    }
    auto* time = note(qs(alertTimeLabel(group.newest, now)));
    parts.time = time;
    time->setWordWrap(false);
    passClicks(time);
    inner->addWidget(time);
    row->setMinimumHeight(inner->sizeHint().height());
    std::string appName = group.appName;
    if (auto* button = qobject_cast<QPushButton*>(row)) {
        connect(button, &QPushButton::clicked, this,
                [this, appName] { model_.onOpenApp(appName); });
    }
    line->addWidget(row, 1);

    auto* clear =
        iconButton(glyphIcon(QStringLiteral("\u00D7"), palette().color(QPalette::Text)),
                   qs(T::clearAppAlerts(group.appName)), ("clearAlerts:" + group.appName).c_str());
    connect(clear, &QToolButton::clicked, this, [this, appName] { model_.clearAlerts(appName); });
    line->addWidget(clear);
    column->addLayout(line);
    parts.twoSounds = model_.mayPlayTwoSounds(group.appName);
    if (parts.twoSounds) {
        auto* caution =
            warning(qs(T::doubleSoundWarning(shortName(group.appName, warningNameLimit))));
        caution->setContentsMargins(36, 0, 0, 4);
        column->addWidget(caution);
    }
    parts.box = box;
    return parts;
}

QWidget* ConfigView::soundsLens() {
    auto apps = model_.configuredApps();
    auto* box = new QWidget;
    box->setObjectName("soundsLens");
    auto* column = new QVBoxLayout(box);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(2);
    if (apps.empty()) {
        column->addWidget(emptyState(T::soundsEmpty));
    }
    for (const auto& app : apps) {
        column->addWidget(soundsRow(app));
    }
    column->addWidget(soundsRow(std::nullopt));
    return box;
}

QWidget* ConfigView::soundsRow(const ConfigModel::App& app) {
    QString name = app ? qs(*app) : QString(T::defaultRow);
    std::string helpName = app ? *app : MenuModel::allOtherApps;
    auto* box = new QWidget;
    auto* column = new QVBoxLayout(box);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);
    auto* row = rowWidget(static_cast<bool>(model_.onOpenSettings),
                          app ? "soundsRow:" + name : QStringLiteral("soundsRow:default"));
    row->setAccessibleName(name);
    auto* inner = new QHBoxLayout(row);
    inner->setContentsMargins(6, 4, 6, 4);
    auto* tile = new ColorTile(toQColor(model_.dashboardColor(app)), name);
    passClicks(tile);
    inner->addWidget(tile);
    auto* texts = new QVBoxLayout;
    texts->setSpacing(0);
    auto* title = new NameLabel(name);
    passClicks(title);
    texts->addWidget(title);
    auto* summary = new NameLabel(qs(model_.summary(app)), Qt::ElideMiddle);
    summary->setObjectName("summary");
    QFont small = summary->font();
    small.setPointSizeF(small.pointSizeF() * 0.9);
    summary->setFont(small);
    summary->setForegroundRole(QPalette::PlaceholderText);
    passClicks(summary);
    texts->addWidget(summary);
    inner->addLayout(texts, 1);
    setRowTip(row, qs(T::editAppHelp(helpName)), {title, summary});
    row->setMinimumHeight(inner->sizeHint().height());
    PaneID pane = app ? PaneID::app(*app) : PaneID::of(PaneID::Kind::allOtherApps);
    if (auto* button = qobject_cast<QPushButton*>(row)) {
        connect(button, &QPushButton::clicked, this, [this, pane] { model_.onOpenSettings(pane); });
    }
    column->addWidget(row);
    if (app && model_.isUnconfirmed(*app)) {
        auto* caution = warning(qs(T::notDetectedWarning(shortName(*app, warningNameLimit))));
        caution->setContentsMargins(36, 0, 0, 4);
        column->addWidget(caution);
    }
    if (app && model_.mayPlayTwoSounds(*app)) {
        auto* caution = warning(qs(T::doubleSoundWarning(shortName(*app, warningNameLimit))));
        caution->setContentsMargins(36, 0, 0, 4);
        column->addWidget(caution);
    }
    return box;
}

} // namespace corvale
