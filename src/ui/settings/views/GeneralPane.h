#pragma once

#include "core/Subscription.h"
#include "ui/settings/views/SettingsContext.h"
#include "ui/settings/views/SettingsForm.h"

#include <QPointer>
#include <cstdint>
#include <optional>

class QCheckBox;

namespace corvale {

class HotKeyRecorderView;
struct HotKeyCombo;

// The General pane: sounds and their shortcuts, the global screen-flash settings, launch at
// login, the tray glyph, the dropdown theme, notification access and the privacy promise. Every
// control writes its preference at once; the pane is built anew each time it is shown.
class GeneralPane : public settings::FormPane {
public:
    explicit GeneralPane(settings::SettingsContext& context, QWidget* parent = nullptr);

protected:
    void build() override;

private:
    void soundsCard();
    void flashCard();
    void startupCard();
    void iconCard();
    void appearanceCard();
    void permissionsCard();
    HotKeyRecorderView* recorder(const char* name, std::optional<HotKeyCombo> combo,
                                 std::uint32_t hotKeyID,
                                 void (SettingsPrefs::*store)(std::optional<HotKeyCombo>));
    void showHotKeyNote(HotKeyRecorderView* view, std::uint32_t hotKeyID);

    settings::SettingsContext& context_;
    QPointer<QCheckBox> playSounds_;
    QPointer<HotKeyRecorderView> muteRecorder_;
    QPointer<HotKeyRecorderView> snoozeRecorder_;
    Subscription changes_;
};

} // namespace corvale
