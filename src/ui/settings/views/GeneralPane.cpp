#include "ui/settings/views/GeneralPane.h"

#include "core/SettingsPrefs.h"
#include "platform/Dialogs.h"
#include "platform/LoginItem.h"
#include "signals/FlashTuning.h"
#include "signals/MenuBarIconStyle.h"
#include "silence/HotKeyRegistrar.h"
#include "silence/Snooze.h"
#include "ui/menubar/ConfigModel.h"
#include "ui/settings/GeneralTexts.h"
#include "ui/settings/HotKeyNotes.h"
#include "ui/settings/views/HotKeyRecorderView.h"
#include "ui/settings/views/IconSwatchPicker.h"
#include "ui/settings/views/ThemeColorPicker.h"

#include <QCheckBox>
#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QSignalBlocker>

namespace corvale {

namespace T = GeneralTexts;

namespace {

QCheckBox* switchFor(const char* name, const char* title, bool on) {
    auto* box = new QCheckBox(title);
    box->setObjectName(name);
    box->setChecked(on);
    return box;
}

// A pop-up of titled values; `chosen` is told the index of the user's choice.
QComboBox* popUp(const char* name, const std::vector<std::string>& titles, int current,
                 std::function<void(int)> chosen) {
    auto* box = new QComboBox;
    box->setObjectName(name);
    for (const auto& title : titles) {
        box->addItem(QString::fromStdString(title));
    }
    box->setCurrentIndex(current);
    QObject::connect(box, &QComboBox::activated, box, std::move(chosen));
    return box;
}

} // namespace

GeneralPane::GeneralPane(settings::SettingsContext& context, QWidget* parent)
    : FormPane(parent), context_(context) {
    setObjectName("generalPane");
    // Sounds are also turned off and on by the mute shortcut, the tray menu and the command line,
    // while the pane is open; the model announces each change.
    changes_ = context_.model.observe([this] {
        if (playSounds_) {
            QSignalBlocker quiet(playSounds_);
            playSounds_->setChecked(context_.prefs.soundsEnabled());
        }
        // A shortcut stops being live when a keyboard mapping change costs its grab, and the
        // desktop tells the keys it assigned when it likes.
        for (auto [view, hotKeyID] :
             {std::pair{muteRecorder_, HotKeyRegistrar::muteHotKeyID},
              std::pair{snoozeRecorder_, HotKeyRegistrar::snoozeHotKeyID}}) {
            if (view) {
                showHotKeyNote(view, hotKeyID);
            }
        }
    });
}

void GeneralPane::build() {
    soundsCard();
    flashCard();
    startupCard();
    iconCard();
    appearanceCard();
    permissionsCard();
    addCard(T::privacyCard)->addNote(T::privacyNote);
}

void GeneralPane::soundsCard() {
    auto& prefs = context_.prefs;
    auto* card = addCard(T::soundsCard);
    auto* play = switchFor("playSounds", T::playSounds, prefs.soundsEnabled());
    playSounds_ = play;
    // Through the model, as the tray menu does, so the change is logged and the tray follows.
    connect(play, &QCheckBox::toggled, this,
            [this](bool on) { context_.model.onSoundsEnabledChanged(on); });
    card->row(QString(), play, T::playSoundsNote);
    muteRecorder_ = recorder("muteHotKey", prefs.muteHotKeyCombo(), HotKeyRegistrar::muteHotKeyID,
                             &SettingsPrefs::setMuteHotKeyCombo);
    card->row(T::muteHotKey, muteRecorder_, T::muteHotKeyNote);
    snoozeRecorder_ =
        recorder("snoozeHotKey", prefs.snoozeHotKeyCombo(), HotKeyRegistrar::snoozeHotKeyID,
                 &SettingsPrefs::setSnoozeHotKeyCombo);
    card->row(T::snoozeHotKey, snoozeRecorder_, T::snoozeHotKeyNote);
    const auto& spans = T::snoozeChoices();
    std::vector<std::string> titles;
    int current = 0;
    for (int i = 0; i < static_cast<int>(spans.size()); ++i) {
        titles.push_back(Snooze::durationLabel(spans[i]));
        if (spans[i] == prefs.snoozeDurationMinutes()) {
            current = i;
        }
    }
    card->row(T::snoozeFor, popUp("snoozeFor", titles, current, [&prefs, spans](int index) {
                  prefs.setSnoozeDurationMinutes(spans.at(index));
              }));
}

HotKeyRecorderView*
GeneralPane::recorder(const char* name, std::optional<HotKeyCombo> combo, std::uint32_t hotKeyID,
                      void (SettingsPrefs::*store)(std::optional<HotKeyCombo>)) {
    auto* view = new HotKeyRecorderView(combo, {context_.keyboardLayout, context_.virtualKeyCode,
                                                context_.keysymVirtualKeyCode,
                                                [this] { context_.dialogs.beep(); }});
    view->setObjectName(name);
    // The write posts the change on which the shortcuts are registered anew, so whether this one
    // could be had is known as soon as the write returns.
    view->onChange = [this, view, hotKeyID, store](std::optional<HotKeyCombo> value) {
        (context_.prefs.*store)(value);
        if (context_.hotKeyNotes) {
            context_.hotKeyNotes->comboChanged(hotKeyID);
        }
        showHotKeyNote(view, hotKeyID);
    };
    showHotKeyNote(view, hotKeyID);
    return view;
}

void GeneralPane::showHotKeyNote(HotKeyRecorderView* view, std::uint32_t hotKeyID) {
    const auto note =
        context_.hotKeyNotes ? context_.hotKeyNotes->note(hotKeyID) : HotKeyNotes::Note{};
    view->setProblem(QString::fromStdString(note.text), note.warning);
    QPointer<HotKeyRecorderView> guarded(view);
    view->setAction(QString::fromStdString(note.action), [this, guarded, hotKeyID] {
        context_.hotKeyNotes->act(hotKeyID);
        if (guarded) {
            showHotKeyNote(guarded, hotKeyID);
        }
    });
}

void GeneralPane::flashCard() {
    auto& prefs = context_.prefs;
    auto* card = addCard(T::flashCard);
    // The override menus' titles without their "global default" entry are the global choices.
    auto globalTitles = [](std::vector<std::string> titles) {
        titles.erase(titles.begin());
        return titles;
    };
    card->row(T::intensity,
              popUp("flashIntensity", globalTitles(FlashTuning::intensityOverrideTitles()),
                    static_cast<int>(prefs.flashIntensity()),
                    [&prefs](int index) {
                        if (auto value = FlashTuning::intensityOverride(index + 1)) {
                            prefs.setFlashIntensity(*value);
                        }
                    }),
              T::intensityNote);
    card->row(T::duration,
              popUp("flashDuration", globalTitles(FlashTuning::durationOverrideTitles()),
                    static_cast<int>(prefs.flashDuration()),
                    [&prefs](int index) {
                        if (auto value = FlashTuning::durationOverride(index + 1)) {
                            prefs.setFlashDuration(*value);
                        }
                    }),
              T::durationNote);
    const auto& counts = FlashTuning::repeatChoices();
    std::vector<std::string> repeatTitles;
    int current = 0;
    for (int i = 0; i < static_cast<int>(counts.size()); ++i) {
        repeatTitles.push_back(FlashTuning::repeatTitle(counts[i]));
        if (counts[i] == prefs.flashRepeat()) {
            current = i;
        }
    }
    card->row(T::repeat,
              popUp("flashRepeat", repeatTitles, current,
                    [&prefs, counts](int index) { prefs.setFlashRepeat(counts.at(index)); }),
              T::repeatNote);
    auto* test =
        settings::makeButton(T::testFlash, [this] { context_.center.post(notes::testFlash); });
    test->setObjectName("testFlash");
    if (context_.flashNeedsXWayland) {
        test->setEnabled(false);
        test->setToolTip(T::testFlashNeedsXWayland);
    }
    card->row(T::preview, test,
              context_.flashNeedsXWayland ? T::testFlashNeedsXWayland : T::testFlashNote);
    card->addNote(T::flashCardNote);
    if (context_.flashNeedsXWayland) {
        card->addNote(T::flashNeedsXWayland)->setObjectName("flashNeedsXWayland");
    }
}

void GeneralPane::startupCard() {
    // Without an autostart service there is nothing the switch could change.
    if (!context_.loginItems) {
        return;
    }
    auto* card = addCard(T::startupCard);
    auto& service = *context_.loginItems;
    auto* launch =
        switchFor("launchAtLogin", T::launchAtLogin, service.status() == LoginItemStatus::enabled);
    connect(launch, &QCheckBox::toggled, this, [this, launch](bool on) {
        LoginItem::setEnabled(on, *context_.loginItems,
                              context_.systemLog ? context_.systemLog : LogFn([](const auto&) {}));
        // The switch shows what the service reports, which a failure leaves as it was.
        QSignalBlocker quiet(launch);
        launch->setChecked(context_.loginItems->status() == LoginItemStatus::enabled);
    });
    card->row(QString(), launch, T::launchAtLoginNote);
    const auto program = service.launchedProgram();
    if (!program.empty() &&
        LoginItem::startsFromTemporaryFolder(program, LoginItem::temporaryFolders())) {
        card->addNote(QString::fromStdString(T::launchAtLoginTemporary(program.string())))
            ->setObjectName("launchAtLoginTemporary");
    }
}

void GeneralPane::iconCard() {
    auto* card = addCard(T::iconCard);
    auto* picker = new IconSwatchPicker(
        context_.prefs.menuBarIconStyleKey().value_or(MenuBarIconStyle::defaultKey));
    picker->setAccessibleName(T::iconCard);
    picker->onChoose = [this](const std::string& key) {
        context_.prefs.setMenuBarIconStyleKey(key);
    };
    card->addWidget(picker);
    card->addNote(T::iconNote);
}

void GeneralPane::appearanceCard() {
    auto& prefs = context_.prefs;
    auto* card = addCard(T::appearanceCard);
    auto* theme = new ThemeColorPicker(prefs.accentTheme());
    theme->onChoose = [&prefs](const AccentTheme& chosen) { prefs.setAccentTheme(chosen); };
    card->row(T::dropdownTheme, theme, T::dropdownThemeNote);
    auto* tint = switchFor("sidebarIconsUseAccent", "", prefs.sidebarIconsUseAccent());
    connect(tint, &QCheckBox::toggled, this,
            [&prefs](bool on) { prefs.setSidebarIconsUseAccent(on); });
    card->row(T::sidebarAccent, tint, T::sidebarAccentNote);
}

void GeneralPane::permissionsCard() {
    auto& model = context_.model;
    auto* card = addCard(T::permissionsCard);
    auto* line = new QWidget;
    auto* row = new QHBoxLayout(line);
    row->setContentsMargins(0, 0, 0, 0);
    const bool granted = model.published().isTrusted;
    auto* status = new QLabel(QString::fromStdString(T::accessStatus(granted)));
    status->setObjectName("accessStatus");
    QPalette pal = status->palette();
    pal.setColor(QPalette::WindowText, granted ? form::liveColor : form::actionNeededColor);
    status->setPalette(pal);
    row->addWidget(status);
    auto* open =
        settings::makeButton(T::openSettings, [&model] { model.onOpenAccessibilitySettings(); });
    open->setObjectName("openNotificationSettings");
    // Only GNOME and KDE say where their notification settings are.
    open->setEnabled(static_cast<bool>(model.onOpenAccessibilitySettings));
    row->addWidget(open);
    row->addStretch(1);
    card->row(T::notificationAccess, line, T::permissionsNote);
}

} // namespace corvale
