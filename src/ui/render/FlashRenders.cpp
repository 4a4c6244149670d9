#include "core/FlashValues.h"
#include "signals/FlashAnimation.h"
#include "signals/FlashPalette.h"
#include "ui/flash/FlashPainter.h"
#include "ui/render/RenderHarness.h"

#include <QLinearGradient>
#include <QPainter>

namespace corvale {
namespace {

const QSize screenSize(1024, 768);

// A plain desktop with a window on it, so the flash's translucency shows.
void paintDesktop(QPainter& p, bool dark) {
    QLinearGradient sky(0, 0, 0, screenSize.height());
    sky.setColorAt(0, dark ? QColor(30, 34, 44) : QColor(120, 150, 190));
    sky.setColorAt(1, dark ? QColor(10, 12, 18) : QColor(200, 210, 225));
    p.fillRect(QRect(QPoint(0, 0), screenSize), sky);
    p.fillRect(QRect(180, 140, 660, 460), dark ? QColor(48, 48, 54) : QColor(250, 250, 250));
    p.fillRect(QRect(180, 140, 660, 34), dark ? QColor(64, 64, 72) : QColor(225, 225, 230));
}

QImage flashFrame(FlashStyle style, const std::string& app, bool composited,
                  const RenderVariant& v) {
    QImage image(screenSize * v.deviceScale, QImage::Format_ARGB32_Premultiplied);
    image.setDevicePixelRatio(v.deviceScale);
    QPainter p(&image);
    paintDesktop(p, v.dark);
    OverlayContent content;
    content.fill = FlashPalette::color(app);
    content.textColor = FlashPalette::labelTextColor(content.fill);
    content.style = style;
    content.name = app;
    // The peak of a normal flash: the whole window's opacity, as the overlay shows it.
    const auto anim = FlashAnimation::make(style, FlashIntensity::normal, FlashDuration::normal, 1);
    QImage layer(image.size(), QImage::Format_ARGB32_Premultiplied);
    layer.setDevicePixelRatio(v.deviceScale);
    layer.fill(Qt::transparent);
    {
        QPainter lp(&layer);
        FlashPainter::paint(lp, QSizeF(screenSize), content, composited);
    }
    p.setOpacity(composited ? anim.peakAlpha : 1.0);
    p.drawImage(0, 0, layer);
    return image;
}

} // namespace

void addFlashRenders(RenderCatalog& catalog) {
    const std::string apps[] = {"Slack",       "Mail",    "Calendar", "Signal",
                                "Thunderbird", "Discord", "Teams",    "Element"};
    size_t i = 0;
    for (FlashStyle style : allFlashStyles) {
        const std::string app = apps[i++ % std::size(apps)];
        catalog.add(
            "flash-" + QString::fromUtf8(rawValue(style).data(), qsizetype(rawValue(style).size())),
            [style, app](const RenderVariant& v) { return flashFrame(style, app, true, v); });
    }
    catalog.add("flash-fullScreen-without-compositor", [](const RenderVariant& v) {
        return flashFrame(FlashStyle::fullScreen, "Slack", false, v);
    });
}

} // namespace corvale
