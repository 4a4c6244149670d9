#pragma once

#include "core/Log.h"
#include "signals/StatusButton.h"
#include "ui/tray/TrayGlyphs.h"

#include <QObject>
#include <QPoint>
#include <QSystemTrayIcon>

#include <functional>
#include <memory>

namespace corvale {

// The status item as a tray icon (StatusNotifierItem where a watcher runs, else XEmbed). Every
// change of glyph, badge, tint or opacity renders the icon anew: trays draw pixmaps, not layers.
class TrayStatusButton : public QObject, public StatusButton {
    Q_OBJECT
public:
    explicit TrayStatusButton(LogFn log, QObject* parent = nullptr);
    ~TrayStatusButton() override;

    // A click on the icon, and a request for its menu, with the pointer's position.
    std::function<void(QPoint)> onActivate;
    std::function<void(QPoint)> onContextMenu;

    bool setImage(const std::string& symbol, const std::string& badge) override;
    void setTint(std::optional<FlashColor> color) override;
    void setOpacity(double opacity) override;

    // The icon as shown now, at `pixels` square, for screenshots and checks.
    QImage currentImage(int pixels) const;
    QSystemTrayIcon& trayIcon() { return *tray_; }

private:
    void render();

    std::unique_ptr<QSystemTrayIcon> tray_;
    QString symbol_;
    QString badge_;
    TrayLook look_;
};

} // namespace corvale
