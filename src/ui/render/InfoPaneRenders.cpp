#include "ui/render/RenderHarness.h"
#include "ui/render/RenderSamples.h"

#include "ui/settings/views/AboutPane.h"
#include "ui/settings/views/DetectionPane.h"
#include "ui/settings/views/FixDoubleSoundPane.h"
#include "ui/settings/views/HelpPane.h"
#include "ui/settings/views/RecentAlertsPane.h"
#include "ui/settings/views/SoundLibraryPane.h"
#include "ui/settings/views/StarterPresetsPane.h"

#include <QCoreApplication>
#include <QScrollBar>
#include <memory>

namespace corvale {

namespace {

// The harness opens nothing.
struct NoWorkspace : Workspace {
    std::vector<RunningApp> runningApplications() override { return {}; }
    std::optional<AppLocation> applicationWithDesktopId(const std::string&) override { return {}; }
    std::optional<AppLocation> installedApplication(const std::string&) override { return {}; }
    std::vector<AppLocation> installedApplications() override { return {}; }
    bool openApplication(const AppLocation&) override { return false; }
    bool openURL(const std::string&) override { return false; }
    std::optional<std::filesystem::path> iconFile(const AppLocation&) override { return {}; }
    bool revealFile(const std::filesystem::path&) override { return false; }
};

// The detail column of the settings window.
const QSize detailSize(626, 560);

template <typename Pane> RenderCatalog::Draw pane(bool withData, bool trusted = true) {
    return [=](const RenderVariant& variant) {
        SampleSession session(withData);
        ConfigPublished values = session.model->published();
        values.isTrusted = trusted;
        session.model->publish(values);
        NoDialogs dialogs;
        NoWorkspace workspace;
        settings::SettingsContext context{
            *session.model, session.prefs, session.center, dialogs, workspace, {}, {}};
        Pane view(context);
        view.setAttribute(Qt::WA_DontShowOnScreen);
        view.resize(detailSize);
        view.show();
        // Taller until nothing scrolls, so that nothing below the fold goes unseen.
        int height = detailSize.height();
        for (int i = 0; i < 8; ++i) {
            QCoreApplication::sendPostedEvents();
            const int hidden = view.verticalScrollBar()->maximum();
            if (hidden <= 0) {
                break;
            }
            height += hidden;
            view.resize(detailSize.width(), height);
        }
        return grabAtSize(&view, QSize(detailSize.width(), height), variant.deviceScale);
    };
}

} // namespace

void addInfoPaneRenders(RenderCatalog& catalog) {
    catalog.add("settings-recent-alerts", pane<settings::RecentAlertsPane>(true));
    catalog.add("settings-recent-alerts-empty", pane<settings::RecentAlertsPane>(false));
    catalog.add("settings-my-sounds", pane<settings::SoundLibraryPane>(true));
    catalog.add("settings-my-sounds-empty", pane<settings::SoundLibraryPane>(false));
    catalog.add("settings-popular-apps", pane<settings::StarterPresetsPane>(true));
    catalog.add("settings-fix-double-sound", pane<settings::FixDoubleSoundPane>(true));
    catalog.add("settings-app-detection", pane<settings::DetectionPane>(true));
    catalog.add("settings-help", pane<settings::HelpPane>(true));
    catalog.add("settings-help-needs-access", pane<settings::HelpPane>(true, false));
    catalog.add("settings-about", pane<settings::AboutPane>(true));
}

} // namespace corvale
