#pragma once

#include "ui/menubar/PopupHost.h"
#include "ui/menubar/views/ConfigView.h"
#include "ui/menubar/views/QuickMenuView.h"

#include <QFrame>
#include <QRect>
#include <functional>
#include <utility>

class QScreen;

namespace corvale {

class Dialogs;

// A frameless popup window holding one view; it tells its owner when it closed by itself (a
// click outside it, or Escape). Where no tray exists to open it beside, the same view goes up as
// an ordinary window instead.
class PopupFrame : public QFrame {
    Q_OBJECT
public:
    explicit PopupFrame(QWidget* content, const char* objectName);
    // Places the popup beside `anchor` (below it, or above when the screen ends first).
    void showBeside(const QRect& anchor);
    // Shows the view as an ordinary window with a title bar, centred on the screen the first time,
    // and brings it to the front.
    void showAsWindow(const QString& title);
    bool isWindowMode() const { return windowMode_; }

signals:
    void dismissed();

protected:
    void hideEvent(QHideEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void setWindowMode(bool window);
    // The frame takes its view's size, so the view is what is capped at the screen's free area.
    void fitTo(const QScreen* screen);

    QWidget* content_;
    QSize contentMaximum_;
    bool windowMode_ = false;
    // Changing the window's kind hides it for a moment; that is no dismissal.
    bool switching_ = false;
};

// The dashboard and the quick menu as popups beside the tray icon.
class TrayPopups : public PopupHost {
public:
    // `anchor` gives the tray icon's place on the screen, or an empty rectangle when the tray
    // does not say; the popups then open at the pointer. Questions go through `dialogs`.
    TrayPopups(ConfigModel& model, Dialogs& dialogs, ConfigView::Options dashboard,
               QuickMenuView::Options quick, std::function<QRect()> anchor);
    ~TrayPopups() override;

    bool hasTray() const override;
    bool isDashboardShown() const override { return dashboardOpen_; }
    TrayAnchor showDashboard() override;
    void showDashboardWindow() override;
    void closeDashboard() override;
    void watchOutsideClicks(std::function<void()> onOutsideClick) override;
    bool isQuickMenuShown() const override;
    void showQuickMenu() override;
    void closeQuickMenu() override;
    bool confirm(const std::string& title, const std::string& text,
                 const std::string& confirmButton, const std::string& cancelButton) override;
    void quit() override;

    // Whether the desktop has a tray (by default, what Qt finds on the display).
    void setTrayQuery(std::function<bool()> query) { trayQuery_ = std::move(query); }

    PopupFrame* dashboard() const { return dashboard_; }
    PopupFrame* quickMenu() const { return quickMenu_; }

private:
    std::pair<QRect, TrayAnchor> anchorRect() const;

    Dialogs& dialogs_;
    PopupFrame* dashboard_;
    PopupFrame* quickMenu_;
    std::function<QRect()> anchor_;
    std::function<bool()> trayQuery_;
    std::function<void()> onOutsideClick_;
    // The dashboard counts as open until the menus close it, even when the window already went
    // away by itself, so that closing it still marks the alerts as seen.
    bool dashboardOpen_ = false;
};

} // namespace corvale
