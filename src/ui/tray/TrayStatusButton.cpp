#include "ui/tray/TrayStatusButton.h"

#include <QCursor>
#include <QGuiApplication>
#include <QPalette>

#include <algorithm>
#include <iterator>

namespace corvale {
namespace {

bool darkPalette() {
    const QPalette palette = QGuiApplication::palette();
    return palette.color(QPalette::Window).lightness() <
           palette.color(QPalette::WindowText).lightness();
}

} // namespace

TrayStatusButton::TrayStatusButton(LogFn log, QObject* parent)
    : QObject(parent), tray_(std::make_unique<QSystemTrayIcon>()),
      look_(TrayLook::forPalette(darkPalette())) {
    if (!QSystemTrayIcon::isSystemTrayAvailable() && log) {
        log("[tray] no system tray on this desktop - running without a status icon");
    }
    tray_->setToolTip(QStringLiteral("Corvale"));
    connect(tray_.get(), &QSystemTrayIcon::activated, this,
            [this](QSystemTrayIcon::ActivationReason reason) {
                const QPoint at = QCursor::pos();
                if (reason == QSystemTrayIcon::Context) {
                    if (onContextMenu) {
                        onContextMenu(at);
                    }
                } else if (reason == QSystemTrayIcon::Trigger ||
                           reason == QSystemTrayIcon::DoubleClick) {
                    if (onActivate) {
                        onActivate(at);
                    }
                }
            });
}

TrayStatusButton::~TrayStatusButton() = default;

bool TrayStatusButton::setImage(const std::string& symbol, const std::string& badge) {
    const QString s = QString::fromStdString(symbol);
    const QString b = QString::fromStdString(badge);
    // An unknown name is drawn as the bell; only a missing bell leaves nothing to draw.
    if (!TrayGlyphs::has(s) && !TrayGlyphs::has(QStringLiteral("bell"))) {
        return false;
    }
    symbol_ = s;
    badge_ = b;
    render();
    if (!tray_->isVisible()) {
        tray_->show();
    }
    return true;
}

void TrayStatusButton::setTint(std::optional<FlashColor> color) {
    look_.tint = color;
    render();
}

void TrayStatusButton::setOpacity(double opacity) {
    look_.opacity = opacity;
    render();
}

QImage TrayStatusButton::currentImage(int pixels) const {
    return TrayGlyphs::menuBarImage(symbol_, badge_, pixels, look_);
}

void TrayStatusButton::render() {
    if (symbol_.isEmpty()) {
        return;
    }
    auto same = [this](const RenderedIcon& r) {
        return r.symbol == symbol_ && r.badge == badge_ && r.look == look_;
    };
    // The icon last used stands at the back: the tray shows it now.
    if (!recentIcons_.empty() && same(recentIcons_.back())) {
        return;
    }
    auto cached = std::find_if(recentIcons_.begin(), recentIcons_.end(), same);
    if (cached != recentIcons_.end()) {
        std::rotate(cached, std::next(cached), recentIcons_.end());
    } else {
        QIcon icon = TrayGlyphs::icon(symbol_, badge_, look_);
        if (icon.isNull()) {
            return;
        }
        constexpr size_t kept = 4;
        if (recentIcons_.size() == kept) {
            recentIcons_.erase(recentIcons_.begin());
        }
        recentIcons_.push_back({symbol_, badge_, look_, std::move(icon)});
    }
    tray_->setIcon(recentIcons_.back().icon);
}

} // namespace corvale
