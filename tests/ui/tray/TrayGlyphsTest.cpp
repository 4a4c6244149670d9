#include "ui/tray/TrayGlyphs.h"
#include "signals/MenuBarIconStyle.h"
#include "signals/StatusItemController.h"
#include "support/GuiApp.h"

#include <gtest/gtest.h>

#include <QPainter>

#include <functional>

#include <set>

using namespace corvale;

namespace {

int countPixels(const QImage& image, const std::function<bool(QColor)>& match) {
    int n = 0;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            n += match(image.pixelColor(x, y)) ? 1 : 0;
        }
    }
    return n;
}

bool isRed(QColor c) {
    return c.alpha() > 200 && c.red() > 180 && c.green() < 110 && c.blue() < 110;
}

QImage over(const QImage& icon, QColor panel) {
    QImage out(icon.size(), QImage::Format_ARGB32);
    out.fill(panel);
    QPainter p(&out);
    p.drawImage(0, 0, icon);
    return out;
}

} // namespace

TEST(TrayGlyphs, everyShownSymbolHasItsOwnGlyphAtEveryTraySize) {
    test::guiApp();
    std::set<std::string> symbols{StatusItemController::needsPermissionSymbol,
                                  StatusItemController::attachingSymbol};
    for (const auto& style : MenuBarIconStyle::all()) {
        symbols.insert(style.onSymbol);
        symbols.insert(style.mutedSymbol);
    }
    std::set<QByteArray> drawings;
    for (const auto& symbol : symbols) {
        const QString name = QString::fromStdString(symbol);
        ASSERT_TRUE(TrayGlyphs::has(name)) << symbol;
        for (int size : {16, 22, 32}) {
            const QImage mask = TrayGlyphs::mask(name, size);
            ASSERT_EQ(mask.size(), QSize(size, size));
            const int inked = countPixels(mask, [](QColor c) { return c.alpha() > 128; });
            EXPECT_GT(inked, size * size / 12) << symbol << " at " << size << " is nearly empty";
            EXPECT_LT(inked, size * size * 2 / 3) << symbol << " at " << size << " is a blob";
            if (size == 22) {
                drawings.insert(QByteArray(reinterpret_cast<const char*>(mask.constBits()),
                                           mask.sizeInBytes()));
            }
        }
    }
    EXPECT_EQ(drawings.size(), symbols.size()) << "two symbols share one drawing";

    const TrayLook look = TrayLook::forPalette(false);
    EXPECT_EQ(TrayGlyphs::menuBarImage("no.such.symbol", "", 22, look),
              TrayGlyphs::menuBarImage("bell", "", 22, look))
        << "an unknown symbol shows the bell";
}

TEST(TrayGlyphs, badgeStaysInsideTheSquareAndGlyphReadsOnLightAndDarkPanels) {
    test::guiApp();
    for (bool dark : {false, true}) {
        const TrayLook look = TrayLook::forPalette(dark);
        for (const QString badge : {"3", "9+"}) {
            const QImage image = TrayGlyphs::menuBarImage("bell", badge, 22, look);
            ASSERT_EQ(image.size(), QSize(22, 22));
            const int red = countPixels(image, isRed);
            EXPECT_GT(red, 30) << "badge " << badge.toStdString();
            // The pill sits in the top-right corner.
            EXPECT_EQ(countPixels(image.copy(0, 14, 22, 8), isRed), 0);
            if (badge == "3") {
                EXPECT_EQ(countPixels(image.copy(0, 0, 8, 22), isRed), 0);
            }
        }
        const QImage plain = TrayGlyphs::menuBarImage("bell", "", 22, look);
        for (QColor panel : {QColor(245, 245, 245), QColor(25, 25, 28)}) {
            const QImage shown = over(plain, panel);
            const int contrasting = countPixels(
                shown, [&](QColor c) { return std::abs(c.lightness() - panel.lightness()) > 120; });
            EXPECT_GT(contrasting, 40) << "glyph lost on a panel of lightness " << panel.lightness()
                                       << (dark ? " (dark)" : " (light)");
        }
    }
}

TEST(TrayGlyphs, blinkTintsTheGlyphAndDimsTheWholeIcon) {
    test::guiApp();
    TrayLook look = TrayLook::forPalette(false);
    look.tint = FlashColor::fromHex("#43A047");
    const QImage tinted = TrayGlyphs::menuBarImage("bell", "", 22, look);
    EXPECT_GT(
        countPixels(tinted,
                    [](QColor c) { return c.alpha() > 200 && c.green() > 140 && c.red() < 100; }),
        40);
    look.opacity = 0.2;
    const QImage dim = TrayGlyphs::menuBarImage("bell", "1", 22, look);
    EXPECT_EQ(countPixels(dim, [](QColor c) { return c.alpha() > 0.2 * 255 + 2; }), 0);
    EXPECT_GT(countPixels(dim, [](QColor c) { return c.alpha() > 0; }), 40);
}
