#include "ui/settings/views/SettingsPaneFactories.h"

#include "ui/settings/views/AboutPane.h"
#include "ui/settings/views/AppEditorPane.h"
#include "ui/settings/views/DetectionPane.h"
#include "ui/settings/views/FixDoubleSoundPane.h"
#include "ui/settings/views/HelpPane.h"
#include "ui/settings/views/RecentAlertsPane.h"
#include "ui/settings/views/SoundLibraryPane.h"
#include "ui/settings/views/StarterPresetsPane.h"

namespace corvale {
namespace {

template <typename Pane> PaneFactory make() {
    return [](settings::SettingsContext& context, const PaneID&) -> settings::FormPane* {
        return new Pane(context);
    };
}

} // namespace

PaneFactories settingsPaneFactories() {
    using Kind = PaneID::Kind;
    using namespace settings;
    return {
        {Kind::app,
         [](SettingsContext& context, const PaneID& pane) -> FormPane* {
             return new AppEditorPane(context, pane.appName);
         }},
        {Kind::allOtherApps,
         [](SettingsContext& context, const PaneID&) -> FormPane* {
             return new AppEditorPane(context, std::nullopt);
         }},
        {Kind::recentAlerts, make<RecentAlertsPane>()},
        {Kind::starterPresets, make<StarterPresetsPane>()},
        {Kind::soundLibrary, make<SoundLibraryPane>()},
        {Kind::setup, make<FixDoubleSoundPane>()},
        {Kind::detection, make<DetectionPane>()},
        {Kind::help, make<HelpPane>()},
        {Kind::about, make<AboutPane>()},
    };
}

} // namespace corvale
