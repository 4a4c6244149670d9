#include "ui/flash/QtOverlayHost.h"

#include "ui/flash/FlashPainter.h"

#include <QGuiApplication>
#include <QPaintEvent>
#include <QPainter>
#include <QPointer>
#include <QScreen>
#include <QTimer>
#include <QVariantAnimation>
#include <QWidget>
#include <QtGui/qguiapplication_platform.h>

#include <xcb/xcb.h>

#include <cmath>
#include <cstdlib>

namespace corvale {
namespace {

xcb_connection_t* x11Connection() {
    auto* x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    return x11 ? x11->connection() : nullptr;
}

// Qt 6.4 leaves window property changes in its output buffer until the next event.
void flushX11() {
    if (auto* connection = x11Connection()) {
        xcb_flush(connection);
    }
}

class FlashOverlayView : public QWidget {
public:
    FlashOverlayView(const QRect& frame, OverlayContent content, bool composited)
        : QWidget(nullptr, Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint |
                               Qt::X11BypassWindowManagerHint | Qt::WindowTransparentForInput |
                               Qt::WindowDoesNotAcceptFocus | Qt::Tool |
                               Qt::NoDropShadowWindowHint),
          content_(std::move(content)), composited_(composited) {
        setAttribute(Qt::WA_ShowWithoutActivating);
        setAttribute(Qt::WA_TransparentForMouseEvents);
        setAttribute(Qt::WA_TranslucentBackground, composited_);
        setFocusPolicy(Qt::NoFocus);
        setGeometry(frame);
        if (!composited_) {
            setMask(FlashPainter::shape(frame.size(), content_));
        }
        if (composited_) {
            show();
            flushX11();
        }
    }

    bool composited() const { return composited_; }
    double opacity() const { return opacity_; }

    // With a compositor the fade is in the alpha we paint, not the window's opacity property,
    // which some compositors (wlroots' XWayland) ignore.
    void setOpacity(double opacity) {
        opacity_ = opacity;
        if (composited_) {
            // Only what is drawn changes: an edge flash repaints its bands and label, not the
            // whole screen, so the fade stays cheap to send to the X server.
            if (content_.style == FlashStyle::fullScreen) {
                repaint();
            } else {
                repaint(FlashPainter::shape(size(), content_));
            }
        } else if (opacity > 0 && !isVisible()) {
            // Shown whole for the pulse: without a compositor there is no fading.
            show();
        }
        flushX11();
    }
    void fadedOut() {
        if (!composited_) {
            hide();
            flushX11();
        }
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        if (composited_) {
            painter.setCompositionMode(QPainter::CompositionMode_Source);
            painter.fillRect(rect(), Qt::transparent);
            painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
            painter.setOpacity(opacity_);
        }
        FlashPainter::paint(painter, size(), content_, composited_);
    }

private:
    OverlayContent content_;
    bool composited_;
    double opacity_ = 0.0;
};

struct QtOverlayWindow : OverlayWindow {
    QPointer<FlashOverlayView> view;
    ~QtOverlayWindow() override {
        if (view) {
            view->hide();
            delete view.data();
            flushX11();
        }
    }
};

} // namespace

QtOverlayHost::QtOverlayHost(LogFn log, QObject* parent) : QObject(parent) {
    const QString platform = QGuiApplication::platformName();
    available_ = platform == "xcb" || platform == "offscreen";
    if (!available_ && log) {
        log("[flash] no X11 display (XWayland) - screen flash off; platform=" +
            inQuotes(platform.toStdString()));
    }
}

bool QtOverlayHost::compositing() {
    auto* connection = x11Connection();
    if (!connection) {
        return false;
    }
    static const char name[] = "_NET_WM_CM_S0";
    auto atomCookie = xcb_intern_atom(connection, 0, sizeof name - 1, name);
    xcb_intern_atom_reply_t* atom = xcb_intern_atom_reply(connection, atomCookie, nullptr);
    if (!atom) {
        return false;
    }
    auto ownerCookie = xcb_get_selection_owner(connection, atom->atom);
    std::free(atom);
    xcb_get_selection_owner_reply_t* owner =
        xcb_get_selection_owner_reply(connection, ownerCookie, nullptr);
    const bool owned = owner && owner->owner != XCB_NONE;
    std::free(owner);
    return owned;
}

std::vector<FlashRect> QtOverlayHost::screens() {
    std::vector<FlashRect> frames;
    if (!available_) {
        return frames;
    }
    for (const QScreen* screen : QGuiApplication::screens()) {
        const QRect g = screen->geometry();
        frames.push_back({double(g.x()), double(g.y()), double(g.width()), double(g.height())});
    }
    return frames;
}

std::unique_ptr<OverlayWindow> QtOverlayHost::createOverlay(const FlashRect& frame,
                                                            const OverlayContent& content) {
    if (!available_) {
        return nullptr;
    }
    auto window = std::make_unique<QtOverlayWindow>();
    const QRect rect(int(std::lround(frame.x)), int(std::lround(frame.y)),
                     int(std::lround(frame.width)), int(std::lround(frame.height)));
    window->view = new FlashOverlayView(rect, content, compositing());
    return window;
}

void QtOverlayHost::animateOpacity(const std::vector<OverlayWindow*>& windows, double target,
                                   double seconds, std::function<void()> done) {
    std::vector<QPointer<FlashOverlayView>> views;
    for (auto* window : windows) {
        if (auto* w = static_cast<QtOverlayWindow*>(window); w && w->view) {
            views.emplace_back(w->view);
        }
    }
    auto finish = [views, target, done = std::move(done)] {
        for (const auto& view : views) {
            if (view) {
                view->setOpacity(target);
                if (target <= 0) {
                    view->fadedOut();
                }
            }
        }
        if (done) {
            done();
        }
    };
    if (seconds <= 0) {
        QTimer::singleShot(0, this, finish);
        return;
    }
    const double from = views.empty() || !views.front() ? 0.0 : views.front()->opacity();
    auto* animation = new QVariantAnimation(this);
    animation->setStartValue(from);
    animation->setEndValue(target);
    animation->setDuration(int(std::lround(seconds * 1000)));
    connect(animation, &QVariantAnimation::valueChanged, this, [views](const QVariant& value) {
        for (const auto& view : views) {
            if (view) {
                view->setOpacity(value.toDouble());
            }
        }
    });
    connect(animation, &QVariantAnimation::finished, this, finish);
    animation->start(QAbstractAnimation::DeleteWhenStopped);
}

} // namespace corvale
