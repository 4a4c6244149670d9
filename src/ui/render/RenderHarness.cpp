#include "ui/render/RenderHarness.h"

#include <QDir>
#include <QGuiApplication>
#include <QPalette>

#include <cstdio>

namespace corvale {
namespace {

// One line per view; kept that way by hand, as clang-format would pack the names together.
// clang-format off
constexpr RenderSource sources[] = {
    addTrayRenders,
    addFlashRenders,
    addMenuRenders,
    addInfoPaneRenders,
    addClipEditorRenders,
    addAppEditorRenders,
    addSettingsRenders,
};
// clang-format on

const RenderVariant variants[] = {{1.0, false, ""}, {2.0, false, "@2x"}, {1.0, true, "-dark"}};

QPalette darkPalette() {
    QPalette p;
    p.setColor(QPalette::Window, QColor(40, 40, 44));
    p.setColor(QPalette::WindowText, QColor(235, 235, 235));
    p.setColor(QPalette::Base, QColor(30, 30, 34));
    p.setColor(QPalette::Text, QColor(235, 235, 235));
    p.setColor(QPalette::Button, QColor(52, 52, 58));
    p.setColor(QPalette::ButtonText, QColor(235, 235, 235));
    // A desktop's dark theme sets these too; without them secondary and disabled text keep the
    // light theme's dark greys and vanish on the dark panels.
    p.setColor(QPalette::PlaceholderText, QColor(160, 163, 168));
    p.setColor(QPalette::Mid, QColor(95, 99, 104));
    p.setColor(QPalette::Highlight, QColor(14, 138, 147));
    p.setColor(QPalette::HighlightedText, Qt::white);
    for (auto role : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText}) {
        p.setColor(QPalette::Disabled, role, QColor(128, 132, 137));
    }
    return p;
}

} // namespace

int runRenderHarness(const std::string& folder, std::vector<std::string>* written) {
    QDir dir(QString::fromStdString(folder));
    if (!dir.mkpath(".")) {
        std::fprintf(stderr, "corvale: cannot create the render folder %s\n", folder.c_str());
        return 1;
    }
    RenderCatalog catalog;
    for (auto source : sources) {
        source(catalog);
    }
    const QPalette light = QGuiApplication::palette();
    int failures = 0;
    for (const auto& variant : variants) {
        QGuiApplication::setPalette(variant.dark ? darkPalette() : light);
        for (const auto& entry : catalog.entries()) {
            const QImage image = entry.draw(variant);
            const QString path = dir.filePath(entry.name + variant.suffix + ".png");
            if (image.isNull() || !image.save(path, "PNG")) {
                std::fprintf(stderr, "corvale: could not render %s\n", qPrintable(path));
                ++failures;
                continue;
            }
            if (written) {
                written->push_back(path.toStdString());
            }
        }
    }
    QGuiApplication::setPalette(light);
    return failures == 0 ? 0 : 1;
}

} // namespace corvale
