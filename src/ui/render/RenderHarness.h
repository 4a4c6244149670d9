#pragma once

#include <QImage>
#include <QString>

#include <functional>
#include <string>
#include <vector>

namespace corvale {

// How one image is drawn: at a device scale, with the light or the dark palette.
struct RenderVariant {
    qreal deviceScale = 1.0;
    bool dark = false;
    // "", "@2x" or "-dark": appended to the image's name.
    QString suffix;
};

// The images of one view, drawn from sample data. A view adds its images with one `add` call per
// image in a source function listed in RenderHarness.cpp.
class RenderCatalog {
public:
    using Draw = std::function<QImage(const RenderVariant&)>;
    void add(const QString& name, Draw draw) { entries_.push_back({name, std::move(draw)}); }

    struct Entry {
        QString name;
        Draw draw;
    };
    const std::vector<Entry>& entries() const { return entries_; }

private:
    std::vector<Entry> entries_;
};

// Fills a catalog with one view's images.
using RenderSource = void (*)(RenderCatalog&);

// The screenshot harness: every registered image in every variant, written as PNG files into
// `folder`. Touches no user file and needs no session. Returns the process exit code.
int runRenderHarness(const std::string& folder, std::vector<std::string>* written = nullptr);

void addTrayRenders(RenderCatalog& catalog);
void addFlashRenders(RenderCatalog& catalog);
// The dashboard with each lens, with sample alerts and empty, and the quick menu.
void addMenuRenders(RenderCatalog& catalog);
// The settings window's Recent Alerts, My Sounds, Popular apps, setup, Help and About panes.
void addInfoPaneRenders(RenderCatalog& catalog);
// The clip editor: previewing a long song, a short one, loading the waveform and exporting.
void addClipEditorRenders(RenderCatalog& catalog);
// The app editor pane (an app with content rules, the default rule, an app not yet detected), the
// rule sheet (new, and refusing a pattern) and the add-app chooser.
void addAppEditorRenders(RenderCatalog& catalog);
// The settings window on its General pane, with the multicolour and the accent sidebar icons.
void addSettingsRenders(RenderCatalog& catalog);

} // namespace corvale
