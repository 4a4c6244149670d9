#include "ui/tray/TrayGlyphs.h"

#include <QFile>
#include <QFont>
#include <QFontDatabase>
#include <QFontMetricsF>
#include <QPainter>
#include <QSvgRenderer>

#include <cmath>
#include <map>
#include <mutex>
#include <utility>

// Resources of a static library must be registered by name, from the global namespace.
static void registerGlyphResources() {
    Q_INIT_RESOURCE(glyphs);
}

namespace corvale {
namespace {

const QString slashSuffix = QStringLiteral(".slash");

QString resourcePath(const QString& symbol) {
    static const bool registered = (registerGlyphResources(), true);
    (void)registered;
    return QStringLiteral(":/glyphs/") + symbol + QStringLiteral(".svg");
}

bool drawSvg(QPainter& painter, const QString& symbol, const QRectF& box) {
    const QString path = resourcePath(symbol);
    if (!QFile::exists(path)) {
        return false;
    }
    QSvgRenderer renderer(path);
    if (!renderer.isValid()) {
        return false;
    }
    renderer.render(&painter, box);
    return true;
}

QImage drawMask(const QString& symbol, int pixels) {
    QImage image(pixels, pixels, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    // A one-pixel margin keeps the halo inside the square.
    const qreal margin = std::max(1.0, pixels / 22.0);
    const QRectF box(margin, margin, pixels - 2 * margin, pixels - 2 * margin);
    if (!drawSvg(painter, symbol, box)) {
        const QString base = symbol.chopped(slashSuffix.size());
        drawSvg(painter, base, box);
        // The slash: a gap cut through the glyph, then the stroke itself.
        const qreal unit = box.width() / 24.0;
        const QPointF from = box.topLeft() + QPointF(3 * unit, 2 * unit);
        const QPointF to = box.topLeft() + QPointF(21 * unit, 22 * unit);
        painter.setCompositionMode(QPainter::CompositionMode_Clear);
        painter.setPen(QPen(Qt::black, 5 * unit, Qt::SolidLine, Qt::RoundCap));
        painter.drawLine(from, to);
        painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
        painter.setPen(QPen(Qt::black, 2.1 * unit, Qt::SolidLine, Qt::RoundCap));
        painter.drawLine(from, to);
    }
    return image;
}

QColor withAlpha(QColor color, double alpha) {
    color.setAlphaF(static_cast<float>(alpha));
    return color;
}

} // namespace

TrayLook TrayLook::forPalette(bool darkPalette) {
    if (darkPalette) {
        return {QColor(250, 250, 250), withAlpha(QColor(0, 0, 0), 0.7), std::nullopt, 1.0};
    }
    return {QColor(30, 30, 30), withAlpha(QColor(255, 255, 255), 0.8), std::nullopt, 1.0};
}

bool TrayGlyphs::has(const QString& symbol) {
    if (QFile::exists(resourcePath(symbol))) {
        return true;
    }
    return symbol.endsWith(slashSuffix) &&
           QFile::exists(resourcePath(symbol.chopped(slashSuffix.size())));
}

QImage TrayGlyphs::mask(const QString& symbol, int pixels) {
    if (pixels <= 0 || !has(symbol)) {
        return {};
    }
    // Views draw glyphs on the main thread and the renderer may draw elsewhere; the lock is cheap.
    static std::mutex lock;
    static std::map<std::pair<QString, int>, QImage> drawn;
    const std::lock_guard guard(lock);
    auto& kept = drawn[{symbol, pixels}];
    if (kept.isNull()) {
        kept = drawMask(symbol, pixels);
    }
    return kept;
}

void TrayGlyphs::composeBadgedImage(QImage& image, const QString& badge, int pixels) {
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    QFont font = QFontDatabase::systemFont(QFontDatabase::GeneralFont);
    font.setBold(true);
    font.setPixelSize(std::max(6, int(std::lround(pixels * 0.42))));
    const QFontMetricsF metrics(font);
    const qreal height = std::round(pixels * 0.56);
    const qreal width =
        std::min<qreal>(pixels, std::max(height, std::ceil(metrics.horizontalAdvance(badge)) +
                                                     std::round(pixels * 0.22)));
    const QRectF pill(pixels - width, 0, width, height);
    // A clear ring parts the pill from the glyph under it.
    painter.setCompositionMode(QPainter::CompositionMode_Clear);
    painter.setPen(Qt::NoPen);
    painter.setBrush(Qt::black);
    const qreal ring = std::max(1.0, pixels / 22.0);
    painter.drawRoundedRect(pill.adjusted(-ring, -ring, ring, ring), height / 2 + ring,
                            height / 2 + ring);
    painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
    painter.setBrush(QColor(0xE5, 0x39, 0x35));
    painter.drawRoundedRect(pill, height / 2, height / 2);
    painter.setFont(font);
    painter.setPen(Qt::white);
    painter.drawText(pill, Qt::AlignCenter, badge);
}

QImage TrayGlyphs::menuBarImage(const QString& symbol, const QString& badge, int pixels,
                                const TrayLook& look, qreal deviceScale) {
    const int device = int(std::lround(pixels * deviceScale));
    // A badged glyph shrinks towards the bottom left, so the pill hides less of it.
    const int glyphSize = badge.isEmpty() ? device : int(std::lround(device * 0.82));
    const QImage glyph = mask(has(symbol) ? symbol : QStringLiteral("bell"), glyphSize);
    if (glyph.isNull()) {
        return {};
    }
    const QPoint glyphAt(0, device - glyphSize);
    const QColor colour =
        look.tint ? QColor::fromRgbF(float(look.tint->r), float(look.tint->g), float(look.tint->b))
                  : look.glyph;
    auto coloured = [&glyph](const QColor& c) {
        QImage out = glyph;
        QPainter p(&out);
        p.setCompositionMode(QPainter::CompositionMode_SourceIn);
        p.fillRect(out.rect(), c);
        return out;
    };
    QImage image(device, device, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    {
        QPainter painter(&image);
        const QImage halo = coloured(look.halo);
        const int r = std::max(1, int(std::lround(device / 22.0)));
        for (int dx = -r; dx <= r; ++dx) {
            for (int dy = -r; dy <= r; ++dy) {
                if (dx != 0 || dy != 0) {
                    painter.drawImage(glyphAt + QPoint(dx, dy), halo);
                }
            }
        }
        painter.drawImage(glyphAt, coloured(colour));
    }
    if (!badge.isEmpty()) {
        composeBadgedImage(image, badge, device);
    }
    if (look.opacity < 1.0) {
        QImage faded(image.size(), QImage::Format_ARGB32_Premultiplied);
        faded.fill(Qt::transparent);
        QPainter p(&faded);
        p.setOpacity(look.opacity);
        p.drawImage(0, 0, image);
        p.end();
        image = faded;
    }
    image.setDevicePixelRatio(deviceScale);
    return image;
}

QIcon TrayGlyphs::icon(const QString& symbol, const QString& badge, const TrayLook& look) {
    QIcon icon;
    for (int size : {16, 22, 24, 32, 48, 64}) {
        const QImage image = menuBarImage(symbol, badge, size, look);
        if (image.isNull()) {
            return {};
        }
        icon.addPixmap(QPixmap::fromImage(image));
    }
    return icon;
}

} // namespace corvale
