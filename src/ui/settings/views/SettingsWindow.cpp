#include "ui/settings/views/SettingsWindow.h"

#include "core/SettingsPrefs.h"
#include "ui/menubar/ConfigModel.h"
#include "ui/menubar/views/StoreProblemsBar.h"
#include "ui/settings/SettingsWindowFrame.h"
#include "ui/settings/views/GeneralPane.h"
#include "ui/settings/views/SettingsForm.h"
#include "ui/settings/views/SettingsSidebar.h"

#include <QGuiApplication>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QKeySequence>
#include <QScreen>
#include <QShortcut>
#include <QStackedWidget>
#include <QVBoxLayout>

namespace corvale {

SettingsSplitView::SettingsSplitView(settings::SettingsContext& context, PaneFactories factories,
                                     QWidget* parent)
    : QWidget(parent), context_(context), factories_(std::move(factories)) {
    setObjectName("settingsSplitView");
    if (!factories_.contains(PaneID::Kind::general)) {
        factories_[PaneID::Kind::general] = [](settings::SettingsContext& c, const PaneID&) {
            return new GeneralPane(c);
        };
    }
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(0);
    sidebar_ = new SettingsSidebar(context_.prefs, context_.center, this);
    row->addWidget(sidebar_);
    auto* divider = new QFrame(this);
    divider->setFrameShape(QFrame::VLine);
    divider->setFrameShadow(QFrame::Plain);
    divider->setForegroundRole(QPalette::Mid);
    row->addWidget(divider);
    detail_ = new QStackedWidget(this);
    detail_->setObjectName("settingsDetail");
    detail_->setMinimumWidth(detailMinimumWidth);
    row->addWidget(detail_, 1);

    sidebar_->onPaneChosen = [this](const PaneID& id) { showPane(id); };
    sidebar_->onActionChosen = [this](const SidebarEntry& entry) { runAction(entry); };
    rebuildTimer_.setSingleShot(true);
    connect(&rebuildTimer_, &QTimer::timeout, this, [this] { rebuildSidebar(std::nullopt); });
}

std::vector<SidebarEntry> SettingsSplitView::availableEntries() const {
    std::vector<SidebarEntry> shown;
    for (auto& entry :
         SettingsPanes::entries(context_.model.rules(), context_.model.published().seenApps)) {
        // Adding an app ends in its editor, so the action needs the add-app panel and the editor.
        const bool available =
            entry.isPane() ? factories_.contains(entry.pane.kind)
                           : context_.model.onAddApp && factories_.contains(PaneID::Kind::app);
        if (available) {
            shown.push_back(std::move(entry));
        }
    }
    return shown;
}

void SettingsSplitView::rebuildSidebar(const std::optional<PaneID>& select) {
    if (settings::modalRunning()) {
        if (select) {
            pendingSelect_ = select;
        }
        rebuildTimer_.start(100);
        return;
    }
    rebuildTimer_.stop();
    const auto wanted = select ? select : pendingSelect_;
    pendingSelect_.reset();
    auto entries = availableEntries();
    auto selection = SettingsPanes::selectionAfterRebuild(entries, wanted, paneID_);
    sidebar_->setEntries(std::move(entries), selection);
    if (selection) {
        showPane(*selection);
    }
}

void SettingsSplitView::rebuildSidebarSoon() {
    if (!rebuildTimer_.isActive()) {
        rebuildTimer_.start(0);
    }
}

void SettingsSplitView::showPane(const PaneID& id) {
    if (paneID_ == id && pane_) {
        return;
    }
    auto factory = factories_.find(id.kind);
    if (factory == factories_.end()) {
        return;
    }
    settings::FormPane* pane = factory->second(context_, id);
    if (!pane) {
        return;
    }
    pane->setObjectName("settingsPane");
    detail_->addWidget(pane);
    detail_->setCurrentWidget(pane);
    // The old pane goes later: the control whose action led here may be in it.
    if (pane_) {
        pane_->setObjectName(QString());
        detail_->removeWidget(pane_);
        pane_->hide();
        pane_->deleteLater();
    }
    pane_ = pane;
    paneID_ = id;
}

void SettingsSplitView::runAction(const SidebarEntry&) {
    if (!context_.model.onAddApp) {
        return;
    }
    if (auto added = context_.model.onAddApp()) {
        rebuildSidebar(PaneID::app(*added));
    }
}

SettingsWindowController::SettingsWindowController(settings::SettingsContext context,
                                                   PaneFactories factories, QWidget* parent)
    : QWidget(parent, Qt::Window), context_(std::move(context)) {
    setObjectName("settingsWindow");
    setWindowTitle(title);
    setAttribute(Qt::WA_DeleteOnClose, false);
    setMinimumSize(SettingsWindowFrame::minWidth, SettingsWindowFrame::minHeight);
    setMaximumSize(SettingsWindowFrame::maxWidth, SettingsWindowFrame::maxHeight);
    resize(SettingsWindowFrame::defaultWidth, SettingsWindowFrame::defaultHeight);

    // A pane that removed an app or applied a preset finishes its action before the sidebar is
    // rebuilt under it; whoever set these hooks before is still told.
    for (auto* hook : {&context_.onAppRemoved, &context_.onPresetApplied}) {
        *hook = [this, before = *hook] {
            if (before) {
                before();
            }
            split_->rebuildSidebarSoon();
        };
    }
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    auto* problems = new StoreProblemsBar(context_.model, this);
    problems->setContentsMargins(12, 8, 12, 8);
    layout->addWidget(problems);
    split_ = new SettingsSplitView(context_, std::move(factories), this);
    layout->addWidget(split_, 1);

    // Every binding of the desktop's close keys (Ctrl+W and Ctrl+F4), not only the first.
    auto* closeKeys = new QShortcut(QKeySequence::Close, this);
    closeKeys->setContext(Qt::WindowShortcut);
    connect(closeKeys, &QShortcut::activated, this, &QWidget::close);
    saveSoon_.setSingleShot(true);
    saveSoon_.setInterval(400);
    connect(&saveSoon_, &QTimer::timeout, this, [this] { saveFrame(); });
}

SettingsWindowController::~SettingsWindowController() {
    // The panes hold the context, which goes before the base class would delete them.
    delete split_;
}

void SettingsWindowController::open(const std::optional<PaneID>& select) {
    split_->rebuildSidebar(select);
    show();
    if (isMinimized()) {
        showNormal();
    }
    raise();
    activateWindow();
}

void SettingsWindowController::placeOnScreen() {
    std::vector<WindowRect> screens;
    std::size_t primary = 0;
    const auto all = QGuiApplication::screens();
    for (int i = 0; i < all.size(); ++i) {
        const QRect area = all[i]->availableGeometry();
        screens.push_back({area.x(), area.y(), area.width(), area.height()});
        if (all[i] == QGuiApplication::primaryScreen()) {
            primary = static_cast<std::size_t>(i);
        }
    }
    std::optional<WindowRect> saved;
    if (auto text = context_.prefs.settingsWindowFrame()) {
        saved = SettingsWindowFrame::fromStoredText(*text);
    }
    const WindowRect frame = SettingsWindowFrame::placement(saved, screens, primary);
    setGeometry(frame.x, frame.y, frame.width, frame.height);
}

void SettingsWindowController::saveFrame() {
    saveSoon_.stop();
    if (!placed_) {
        return;
    }
    const QRect frame = geometry();
    const std::string text =
        SettingsWindowFrame::storedText({frame.x(), frame.y(), frame.width(), frame.height()});
    if (context_.prefs.settingsWindowFrame() != text) {
        context_.prefs.setSettingsWindowFrame(text);
    }
}

void SettingsWindowController::showEvent(QShowEvent* event) {
    // Placed once: a window reopened after closing comes back where the user left it.
    if (!placed_) {
        placeOnScreen();
        placed_ = true;
    }
    QWidget::showEvent(event);
}

void SettingsWindowController::hideEvent(QHideEvent* event) {
    saveFrame();
    QWidget::hideEvent(event);
}

void SettingsWindowController::keyPressEvent(QKeyEvent* event) {
    // Escape gets here when the focused control did not want it. It is not a shortcut, which
    // Qt would fire even while a pop-up's list is open over the window and has the keyboard:
    // there, Escape closes only the list.
    if (event->matches(QKeySequence::Cancel)) {
        close();
        return;
    }
    QWidget::keyPressEvent(event);
}

void SettingsWindowController::moveEvent(QMoveEvent* event) {
    QWidget::moveEvent(event);
    if (placed_ && isVisible()) {
        saveSoon_.start();
    }
}

void SettingsWindowController::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    if (placed_ && isVisible()) {
        saveSoon_.start();
    }
}

} // namespace corvale
