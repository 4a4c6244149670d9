#include "ui/settings/views/AppEditorPane.h"

#include "platform/Dialogs.h"
#include "signals/FlashPalette.h"
#include "signals/FlashTuning.h"
#include "ui/menubar/ConfigModel.h"
#include "ui/menubar/MenuModel.h"
#include "ui/settings/AppEditorState.h"
#include "ui/settings/AppEditorTexts.h"
#include "ui/settings/SoundChoices.h"
#include "ui/settings/views/FlashColorSwatchPicker.h"
#include "ui/settings/views/FlashStylePicker.h"
#include "ui/settings/views/RuleSheet.h"
#include "ui/settings/views/SoundPopUps.h"

#include <QCheckBox>
#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <array>

namespace corvale::settings {

using namespace AppEditorTexts;

namespace {

QComboBox* overridePopUp(const char* name, const std::vector<std::string>& titles, int current,
                         QWidget* parent) {
    auto* popUp = new QComboBox(parent);
    popUp->setObjectName(name);
    for (const auto& title : titles) {
        popUp->addItem(form::qs(title));
    }
    popUp->setCurrentIndex(current);
    return popUp;
}

template <typename Value, size_t N>
int overrideIndex(const std::optional<Value>& value, const std::array<Value, N>& cases) {
    for (size_t i = 0; value && i < N; ++i) {
        if (cases[i] == *value) {
            return static_cast<int>(i) + 1;
        }
    }
    return 0;
}

int repeatIndex(const std::optional<int>& repeat) {
    const auto& choices = FlashTuning::repeatChoices();
    for (size_t i = 0; repeat && i < choices.size(); ++i) {
        if (choices[i] == *repeat) {
            return static_cast<int>(i) + 1;
        }
    }
    return 0;
}

QCheckBox* makeSwitch(const char* title, const char* name, bool on, QWidget* parent) {
    auto* box = new QCheckBox(title, parent);
    box->setObjectName(name);
    box->setChecked(on);
    return box;
}

} // namespace

AppEditorPane::AppEditorPane(SettingsContext& context, std::optional<std::string> appName,
                             QWidget* parent)
    : FormPane(parent), context_(context), app_(std::move(appName)),
      label_(app_ ? *app_ : std::string(MenuModel::allOtherApps)), shown_(form::shortName(label_)) {
    setObjectName("appEditorPane");
    // Edits made here, in the rule sheet, in the sound library or by a reload of the rules file
    // all arrive as the model's change announcement.
    changes_ = context_.model.observe([this] {
        if (showsOutdated()) {
            reloadSoon();
        }
    });
}

bool AppEditorPane::showsOutdated() const {
    const auto& model = context_.model;
    return model.rules() != shownRules_ || model.customSounds() != shownSounds_ ||
           (app_ && model.isUnconfirmed(*app_) != shownUnconfirmed_);
}

void AppEditorPane::build() {
    shownRules_ = context_.model.rules();
    shownSounds_ = context_.model.customSounds();
    shownUnconfirmed_ = app_ && context_.model.isUnconfirmed(*app_);
    const Rule rule = AppEditorState::effectiveRule(app_, context_.model.rules());
    buildHeading();
    if (app_ && context_.model.isUnconfirmed(*app_)) {
        buildNotDetected();
    }
    buildSound(rule);
    if (app_) {
        buildRules();
    }
    buildAlerts(rule);
    if (app_) {
        buildNativeSound(rule);
        buildRemoveApp();
    }
}

void AppEditorPane::buildHeading() {
    auto* card = addCard(form::qs(shown_));
    card->setObjectName("headingCard");
    if (!app_) {
        return;
    }
    const bool on = AppEditorState::customSoundOn(*app_, context_.model.rules());
    auto* custom = makeSwitch(customSound, "customSound", on, card);
    connect(custom, &QCheckBox::clicked, this,
            [this](bool checked) { context_.model.setCustomEnabled(checked, app_); });
    card->addWidget(custom);
    card->addNote(form::qs(customSoundNote(shown_, on)))->setObjectName("customSoundNote");
}

void AppEditorPane::buildNotDetected() {
    auto* card = addCard(notDetectedTitle);
    card->setObjectName("notDetectedCard");
    card->addNote(form::qs(notDetectedNote(shown_)));
}

void AppEditorPane::buildSound(const Rule& rule) {
    auto* card = addCard(AppEditorTexts::soundCard);
    auto& model = context_.model;
    auto* sound = new SoundPopUp(SoundChoices::soundMenu(model.soundNames(), model.customSounds(),
                                                         rule.sound, true, rule.useAppSound),
                                 card);
    sound->onSound = [this](const SoundRef& chosen) { context_.model.setSound(chosen, app_); };
    sound->onAppSound = [this] { context_.model.setUseAppSound(app_); };
    sound->onAction = [this](SoundChoices::Item::Kind action) {
        if (action == SoundChoices::Item::Kind::chooseFile) {
            context_.model.onChooseFile(app_);
        } else {
            context_.model.onClipFromSong(app_);
        }
        reloadSoon();
    };
    card->row(AppEditorTexts::soundLabel, sound);
    auto* volume = makeVolumePopUp(rule.volume, card);
    connect(volume, &QComboBox::activated, this,
            [this, volume] { context_.model.setVolume(volumeOf(volume), app_); });
    card->row(volumeLabel, volume);
    auto* testButton = makeButton(
        AppEditorTexts::test, [this] { context_.model.test(app_); }, card);
    testButton->setObjectName("testSound");
    card->row(previewLabel, testButton);
    auto* quiet = makeSwitch(AppEditorTexts::respectSuppressSound, "respectSuppressSound",
                             rule.respectSuppressSound, card);
    connect(quiet, &QCheckBox::clicked, this,
            [this](bool on) { context_.model.setRespectSuppressSound(on, app_); });
    card->addWidget(quiet);
}

void AppEditorPane::buildRules() {
    auto* card = addCard(rulesCard);
    card->setObjectName("rulesCard");
    const auto rules = MenuModel::conditionalRules(*app_, context_.model.rules());
    const auto& library = context_.model.customSounds();
    int index = 0;
    for (const auto& rule : rules) {
        auto* row = new QWidget(card);
        row->setObjectName(QString("ruleRow:%1").arg(index));
        auto* line = new QHBoxLayout(row);
        line->setContentsMargins(0, 0, 0, 0);
        auto* label = form::label(
            form::qs(ruleRowLabel(rule.condition,
                                  form::shortName(SoundChoices::soundName(rule, library)))),
            row);
        label->setObjectName("ruleLabel");
        if (!rule.enabled) {
            label->setEnabled(false);
        }
        line->addWidget(label, 1);
        auto* edit = makeButton(
            editRule, [this, rule] { openRuleSheet(rule); }, row);
        edit->setObjectName("editRule");
        edit->setAccessibleName(
            form::qs(std::string(editRule) + " " + conditionSummary(rule.condition)));
        line->addWidget(edit);
        auto* removeButton = makeButton(
            remove, [this, rule] { confirmRemoveRule(rule); }, row);
        removeButton->setObjectName("removeRule");
        removeButton->setAccessibleName(
            form::qs(std::string(remove) + " " + conditionSummary(rule.condition)));
        line->addWidget(removeButton);
        card->addWidget(row);
        ++index;
    }
    card->addNote(form::qs(rulesNote(shown_)));
    auto* add = makeButton(
        addRule, [this] { openRuleSheet(std::nullopt); }, card);
    add->setObjectName("addRule");
    auto* holder = new QWidget(card);
    auto* line = new QHBoxLayout(holder);
    line->setContentsMargins(0, 0, 0, 0);
    line->addWidget(add);
    line->addStretch(1);
    card->addWidget(holder);
}

void AppEditorPane::buildAlerts(const Rule& rule) {
    auto* card = addCard(alertsCard);
    auto* blink = makeSwitch(flashTrayIcon, "flashMenuBar", rule.flashMenuBar, card);
    connect(blink, &QCheckBox::clicked, this,
            [this](bool on) { context_.model.setFlashMenuBar(on, app_); });
    card->addWidget(blink);
    auto* screen = makeSwitch(AppEditorTexts::flashScreen, "flashScreen", rule.flashScreen, card);
    connect(screen, &QCheckBox::clicked, this,
            [this](bool on) { context_.model.setFlashScreen(on, app_); });
    card->addWidget(screen);

    auto* colors = new FlashColorSwatchPicker(rule.flashColor, card);
    colors->setEnabled(AppEditorState::colorMatters(rule));
    colors->onChoose = [this](const std::optional<FlashColor>& color) {
        context_.model.setFlashColor(color, app_);
    };
    card->row(flashColorLabel, colors);

    const QColor band = form::toQColor(rule.flashColor.value_or(
        app_ ? FlashPalette::color(*app_) : FlashColor::fromHex(ConfigModel::brandColorHex)));
    auto* styles = new FlashStylePicker(rule.flashStyle, band, card);
    styles->setEnabled(rule.flashScreen);
    styles->onChoose = [this](FlashStyle style) { context_.model.setFlashStyle(style, app_); };
    card->row(flashStyleLabel, styles);

    auto* preview = makeButton(
        previewFlash, [this] { context_.model.previewFlash(app_); }, card);
    preview->setObjectName("previewFlash");
    auto* holder = new QWidget(card);
    auto* line = new QHBoxLayout(holder);
    line->setContentsMargins(0, 0, 0, 0);
    line->addWidget(preview);
    line->addStretch(1);
    card->addWidget(holder);
    card->addNote(form::qs(alertsNote(shown_)));

    auto* intensity =
        overridePopUp("flashIntensity", FlashTuning::intensityOverrideTitles(),
                      overrideIndex(rule.flashIntensity,
                                    std::array{FlashIntensity::gentle, FlashIntensity::normal,
                                               FlashIntensity::strong}),
                      card);
    connect(intensity, &QComboBox::activated, this, [this](int index) {
        context_.model.setFlashIntensity(FlashTuning::intensityOverride(index), app_);
    });
    card->row(intensityLabel, intensity);
    auto* duration = overridePopUp(
        "flashDuration", FlashTuning::durationOverrideTitles(),
        overrideIndex(rule.flashDuration, std::array{FlashDuration::brief, FlashDuration::normal,
                                                     FlashDuration::long_}),
        card);
    connect(duration, &QComboBox::activated, this, [this](int index) {
        context_.model.setFlashDuration(FlashTuning::durationOverride(index), app_);
    });
    card->row(durationLabel, duration);
    auto* repeat = overridePopUp("flashRepeat", FlashTuning::repeatOverrideTitles(),
                                 repeatIndex(rule.flashRepeat), card);
    connect(repeat, &QComboBox::activated, this, [this](int index) {
        context_.model.setFlashRepeat(FlashTuning::repeatOverride(index), app_);
    });
    card->row(repeatLabel, repeat);
    card->addNote(form::qs(overridesNote(shown_)));
}

void AppEditorPane::buildNativeSound(const Rule& rule) {
    auto* card = addCard(nativeSoundCard);
    auto* muted = makeSwitch(mutedInSettings, "nativeMuted", rule.nativeSoundMuted, card);
    connect(muted, &QCheckBox::clicked, this,
            [this](bool on) { context_.model.setNativeMuted(on, app_); });
    card->addWidget(muted);
    card->addNote(form::qs(nativeSoundNote(shown_)));
    auto* open = makeButton(
        openNotificationSettings, [this] { context_.model.onOpenNotifSettings(); }, card);
    open->setObjectName("openNotificationSettings");
    // Some desktops have no notification settings we know how to open.
    open->setEnabled(static_cast<bool>(context_.model.onOpenNotifSettings));
    auto* holder = new QWidget(card);
    auto* line = new QHBoxLayout(holder);
    line->setContentsMargins(0, 0, 0, 0);
    line->addWidget(open);
    line->addStretch(1);
    card->addWidget(holder);
}

void AppEditorPane::buildRemoveApp() {
    auto* card = addCard(removeAppCard);
    auto* removeButton = makeButton(
        removeAppButton, [this] { confirmRemoveApp(); }, card);
    removeButton->setObjectName("removeApp");
    QPalette danger = removeButton->palette();
    danger.setColor(QPalette::ButtonText, QColor(0xD3, 0x2F, 0x2F));
    removeButton->setPalette(danger);
    auto* holder = new QWidget(card);
    auto* line = new QHBoxLayout(holder);
    line->setContentsMargins(0, 0, 0, 0);
    line->addWidget(removeButton);
    line->addStretch(1);
    card->addWidget(holder);
    card->addNote(form::qs(removeAppNote(shown_)));
}

void AppEditorPane::confirmRemoveApp() {
    if (context_.dialogs.runModalAlert(removeAppAlert(*app_)) != std::optional<std::size_t>(0)) {
        return;
    }
    context_.model.removeApp(*app_);
    if (context_.onAppRemoved) {
        context_.onAppRemoved();
    }
}

void AppEditorPane::confirmRemoveRule(const Rule& rule) {
    const auto alert = removeRuleAlert(
        rule.condition, SoundChoices::soundName(rule, context_.model.customSounds()), app_);
    if (context_.dialogs.runModalAlert(alert) == std::optional<std::size_t>(0)) {
        context_.model.removeRule(rule.id);
    }
}

RuleSheet* AppEditorPane::openRuleSheet(const std::optional<Rule>& editing) {
    if (!app_) {
        return nullptr;
    }
    auto* sheet = new RuleSheet(
        context_.model, context_.dialogs, *app_, editing,
        // The model outlives both; the pane may not outlive the sheet.
        [&model = context_.model, app = *app_](const std::optional<Uuid>& id,
                                               const Condition& condition, const SoundRef& sound,
                                               double volume, bool useAppSound) {
            if (id) {
                model.updateRule(*id, condition, sound, volume, useAppSound);
            } else {
                model.addRule(app, condition, sound, volume, useAppSound);
            }
        },
        window());
    sheet->setAttribute(Qt::WA_DeleteOnClose);
    sheet->setWindowModality(Qt::WindowModal);
    sheet->open();
    return sheet;
}

} // namespace corvale::settings
