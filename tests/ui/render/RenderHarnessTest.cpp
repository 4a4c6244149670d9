#include "ui/render/RenderHarness.h"
#include "support/GuiApp.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <QImage>

using namespace corvale;

TEST(RenderHarness, writesEveryImageInEveryVariant) {
    test::guiApp();
    test::TempDir dir;
    std::vector<std::string> written;
    ASSERT_EQ(runRenderHarness((dir / "out").string(), &written), 0);

    RenderCatalog catalog;
    addTrayRenders(catalog);
    addFlashRenders(catalog);
    addMenuRenders(catalog);
    addInfoPaneRenders(catalog);
    addClipEditorRenders(catalog);
    addAppEditorRenders(catalog);
    addSettingsRenders(catalog);
    EXPECT_EQ(written.size(), catalog.entries().size() * 3);

    const auto path = [&](const char* name) {
        return QString::fromStdString((dir / "out" / name).string());
    };
    const QImage plain(path("tray-bell-watching.png"));
    const QImage doubled(path("tray-bell-watching@2x.png"));
    const QImage dark(path("tray-bell-watching-dark.png"));
    ASSERT_FALSE(plain.isNull());
    EXPECT_EQ(doubled.size(), plain.size() * 2);
    EXPECT_NE(dark, plain) << "the dark palette changes the look";
    EXPECT_EQ(QImage(path("flash-edgeTop.png")).size(), QSize(1024, 768));
    const QImage help(path("settings-help.png"));
    EXPECT_EQ(help.width(), 626);
    EXPECT_GT(help.height(), 560) << "a long pane is drawn whole, not cut at the window's height";
    EXPECT_EQ(QImage(path("settings-window@2x.png")).size(), QSize(1680, 1120));

    EXPECT_NE(runRenderHarness("/proc/no/such/folder"), 0);
}
