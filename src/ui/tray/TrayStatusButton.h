#pragma once

#include "core/Log.h"
#include "signals/StatusButton.h"
#include "ui/tray/TrayGlyphs.h"

#include <QObject>
#include <QPoint>
#include <QSystemTrayIcon>

#include <functional>
#include <memory>
#include <optional>
#include <vector>

namespace corvale {

// The status item as a tray icon (StatusNotifierItem where a watcher runs, else XEmbed). Every
// change of glyph, badge, tint or opacity gives the tray a new icon: trays draw pixmaps, not
// layers. The last few icons are kept, so a blink, which swaps between two looks, and a badge set
// again unchanged cost no drawing.
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

    struct RenderedIcon {
        QString symbol;
        QString badge;
        TrayLook look;
        QIcon icon;
    };

    std::unique_ptr<QSystemTrayIcon> tray_;
    QString symbol_;
    QString badge_;
    TrayLook look_;
    // Least recently used first; the last is what the tray shows now, so setting it again is free.
    std::vector<RenderedIcon> recentIcons_;
};

} // namespace corvale
