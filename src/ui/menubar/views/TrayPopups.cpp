#include "ui/menubar/views/TrayPopups.h"

#include "platform/Dialogs.h"
#include "ui/menubar/MenuTexts.h"

#include <QCoreApplication>
#include <QCursor>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QScreen>
#include <QSystemTrayIcon>
#include <QVBoxLayout>

namespace corvale {

namespace {

constexpr Qt::WindowFlags popupFlags = Qt::Popup | Qt::FramelessWindowHint;

} // namespace

PopupFrame::PopupFrame(QWidget* content, const char* objectName)
    : QFrame(nullptr, popupFlags), content_(content), contentMaximum_(content->maximumSize()) {
    setObjectName(objectName);
    setFrameShape(QFrame::StyledPanel);
    // The click that closes the popup must not reach the tray icon too and reopen it.
    setAttribute(Qt::WA_NoMouseReplay);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(1, 1, 1, 1);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    layout->addWidget(content);
}

void PopupFrame::setWindowMode(bool window) {
    if (windowMode_ == window) {
        return;
    }
    windowMode_ = window;
    switching_ = true;
    setWindowFlags(window ? Qt::WindowFlags(Qt::Window) : popupFlags);
    setFrameShape(window ? QFrame::NoFrame : QFrame::StyledPanel);
    switching_ = false;
}

void PopupFrame::fitTo(const QScreen* screen) {
    if (!screen) {
        return;
    }
    const QMargins margins = layout()->contentsMargins() + contentsMargins();
    const QSize room = screen->availableGeometry().size().shrunkBy(margins);
    content_->setMaximumSize(contentMaximum_.boundedTo(room.expandedTo(QSize(0, 0))));
}

void PopupFrame::showAsWindow(const QString& title) {
    const bool wasShown = windowMode_ && isVisible();
    setWindowMode(true);
    setWindowTitle(title);
    if (!wasShown) {
        QScreen* screen = QGuiApplication::screenAt(QCursor::pos());
        if (!screen) {
            screen = QGuiApplication::primaryScreen();
        }
        fitTo(screen);
        adjustSize();
        if (screen) {
            QRect area = screen->availableGeometry();
            QSize size = sizeHint();
            move(area.center().x() - size.width() / 2, area.center().y() - size.height() / 2);
        }
    }
    showNormal();
    raise();
    activateWindow();
}

void PopupFrame::showBeside(const QRect& anchor) {
    setWindowMode(false);
    QScreen* screen = QGuiApplication::screenAt(anchor.center());
    if (!screen) {
        screen = QGuiApplication::primaryScreen();
    }
    fitTo(screen);
    adjustSize();
    QSize size = sizeHint();
    QRect area = screen ? screen->availableGeometry() : QRect(0, 0, 1920, 1080);
    int x = anchor.center().x() - size.width() / 2;
    int y = anchor.bottom() + 4;
    if (y + size.height() > area.bottom()) {
        y = anchor.top() - 4 - size.height();
    }
    // Pushed against an edge, the popup ends on the area's last pixel, which right() names.
    x = std::clamp(x, area.left(), std::max(area.left(), area.right() + 1 - size.width()));
    y = std::clamp(y, area.top(), std::max(area.top(), area.bottom() + 1 - size.height()));
    move(x, y);
    show();
    activateWindow();
}

void PopupFrame::hideEvent(QHideEvent* event) {
    QFrame::hideEvent(event);
    // A window being minimised is hidden by the desktop, not closed.
    if (switching_ || (windowMode_ && event->spontaneous())) {
        return;
    }
    emit dismissed();
}

void PopupFrame::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape) {
        close();
        return;
    }
    QFrame::keyPressEvent(event);
}

TrayPopups::TrayPopups(ConfigModel& model, Dialogs& dialogs, ConfigView::Options dashboard,
                       QuickMenuView::Options quick, std::function<QRect()> anchor)
    : dialogs_(dialogs),
      dashboard_(new PopupFrame(new ConfigView(model, std::move(dashboard)), "dashboard")),
      quickMenu_(new PopupFrame(new QuickMenuView(model, std::move(quick)), "quickMenu")),
      anchor_(std::move(anchor)) {
    // Named for window lists, screen readers and the desktop tests.
    dashboard_->setWindowTitle(MenuTexts::dashboardTitle);
    quickMenu_->setWindowTitle(MenuTexts::quickMenuTitle);
    QObject::connect(dashboard_, &PopupFrame::dismissed, [this] {
        if (!dashboardOpen_) {
            return;
        }
        if (onOutsideClick_) {
            onOutsideClick_();
        } else {
            dashboardOpen_ = false;
        }
    });
    auto* view = dashboard_->findChild<ConfigView*>();
    QObject::connect(view, &ConfigView::contentChanged, dashboard_, [this] {
        if (dashboard_->isVisible()) {
            dashboard_->adjustSize();
        }
    });
}

TrayPopups::~TrayPopups() {
    onOutsideClick_ = nullptr;
    dashboardOpen_ = false;
    delete dashboard_;
    delete quickMenu_;
}

std::pair<QRect, TrayAnchor> TrayPopups::anchorRect() const {
    QRect rect = anchor_ ? anchor_() : QRect();
    if (!rect.isEmpty()) {
        return {rect, TrayAnchor::icon};
    }
    // No icon position (a StatusNotifierItem host): the pointer's last place is stale under
    // Wayland, so the popup goes to the corner where the panel is.
    QScreen* screen = QGuiApplication::primaryScreen();
    if (!screen) {
        return {QRect(QCursor::pos(), QSize(1, 1)), TrayAnchor::icon};
    }
    const QRect whole = screen->geometry();
    const QRect area = screen->availableGeometry();
    const TrayAnchor corner = panelCorner({whole.x(), whole.y(), whole.width(), whole.height()},
                                          {area.x(), area.y(), area.width(), area.height()});
    const bool left = corner == TrayAnchor::topLeft || corner == TrayAnchor::bottomLeft;
    const bool bottom = corner == TrayAnchor::bottomLeft || corner == TrayAnchor::bottomRight;
    const QPoint at(left ? area.left() : area.right(), bottom ? area.bottom() : area.top() - 4);
    return {QRect(at, QSize(1, 1)), corner};
}

bool TrayPopups::hasTray() const {
    return trayQuery_ ? trayQuery_() : QSystemTrayIcon::isSystemTrayAvailable();
}

TrayAnchor TrayPopups::showDashboard() {
    dashboardOpen_ = true;
    dashboard_->setWindowTitle(MenuTexts::dashboardTitle);
    dashboard_->findChild<ConfigView*>()->refreshIfStale();
    const auto [rect, anchor] = anchorRect();
    dashboard_->showBeside(rect);
    return anchor;
}

void TrayPopups::showDashboardWindow() {
    dashboardOpen_ = true;
    dashboard_->findChild<ConfigView*>()->refreshIfStale();
    dashboard_->showAsWindow(MenuTexts::productName);
}

void TrayPopups::closeDashboard() {
    dashboardOpen_ = false;
    dashboard_->hide();
}

void TrayPopups::watchOutsideClicks(std::function<void()> onOutsideClick) {
    onOutsideClick_ = std::move(onOutsideClick);
}

bool TrayPopups::isQuickMenuShown() const {
    return quickMenu_->isVisible();
}

void TrayPopups::showQuickMenu() {
    quickMenu_->showBeside(anchorRect().first);
}

void TrayPopups::closeQuickMenu() {
    quickMenu_->hide();
}

bool TrayPopups::confirm(const std::string& title, const std::string& text,
                         const std::string& confirmButton, const std::string& cancelButton) {
    // The questions asked here erase something, so the confirming button is drawn as such.
    return dialogs_.runModalAlert({title, text, {confirmButton, cancelButton}, true}) == 0u;
}

void TrayPopups::quit() {
    QCoreApplication::quit();
}

} // namespace corvale
