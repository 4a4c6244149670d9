#include "ui/menubar/ConfigModel.h"

#include "core/Text.h"
#include "detect/NotificationHealth.h"
#include "detect/Onboarding.h"
#include "ui/menubar/MenuTexts.h"

#include <algorithm>

namespace corvale {

namespace {

constexpr const char* changeName = "change";

std::string appLabel(const ConfigModel::App& app) {
    return app ? trimmed(*app) : std::string(MenuModel::allOtherApps);
}

// A content rule's sound in its log line; unchanged for rules that play their own sound.
std::string soundChoiceLabel(const SoundRef& sound, bool useAppSound) {
    return useAppSound ? "app's own sound, else " + MenuModel::soundLabel(sound)
                       : MenuModel::soundLabel(sound);
}

template <typename Value> std::string overrideText(const std::optional<Value>& value) {
    return MenuModel::overrideText(value, "global default");
}

} // namespace

ConfigModel::ConfigModel(Stores stores, SoundRun actionRunner, std::vector<std::string> soundNames,
                         NotificationCenter& center, Scheduler& scheduler, LogFn log)
    : stores_(stores), actionRunner_(std::move(actionRunner)), soundNames_(std::move(soundNames)),
      center_(center), scheduler_(scheduler), log_(std::move(log)),
      library_(stores.customSoundStore, stores.ruleStore, center, log_) {
    library_.onChange = [this] { announceChange(); };
    themeObserver_ = center_.observe(notes::themeAccentChanged, [this] { announceChange(); });
    for (const auto* data : dataStores()) {
        storeObservers_.push_back(data->observeProblems([this] { announceChange(); }));
    }
    dismissedNotices_.assign(storeObservers_.size(), 0);
}

std::vector<const VersionedJsonStore*> ConfigModel::dataStores() const {
    return {&stores_.ruleStore, &stores_.customSoundStore, &stores_.observedAppsStore,
            &stores_.pingLogStore};
}

std::string ConfigModel::saveProblem() const {
    for (const auto* data : dataStores()) {
        if (!data->saveError().empty()) {
            return MenuTexts::saveProblem(data->fileURL().string(), data->saveError());
        }
    }
    return {};
}

std::string ConfigModel::storeNotice() const {
    std::string text;
    const auto all = dataStores();
    for (size_t i = 0; i < all.size(); ++i) {
        const auto& moved = all[i]->movedAside();
        for (size_t m = dismissedNotices_[i]; m < moved.size(); ++m) {
            text += (text.empty() ? "" : "\n") +
                    MenuTexts::storeSetAside(moved[m].file.string(), moved[m].backup.string());
        }
    }
    return text;
}

void ConfigModel::dismissStoreNotice() {
    const auto all = dataStores();
    for (size_t i = 0; i < all.size(); ++i) {
        dismissedNotices_[i] = all[i]->movedAside().size();
    }
    announceChange();
}

Subscription ConfigModel::observe(std::function<void()> onChange) {
    return changes_.observe(changeName, std::move(onChange));
}

void ConfigModel::announceChange() {
    changes_.post(changeName);
}

void ConfigModel::publish(ConfigPublished values) {
    published_ = std::move(values);
    announceChange();
}

void ConfigModel::setSnoozed(bool snoozed) {
    if (published_.isSnoozed != snoozed) {
        published_.isSnoozed = snoozed;
        announceChange();
    }
}

const std::vector<Rule>& ConfigModel::rules() const {
    return stores_.ruleStore.rules();
}

const std::vector<CustomSound>& ConfigModel::customSounds() const {
    return stores_.customSoundStore.sounds();
}

std::vector<std::string> ConfigModel::appRows() const {
    return MenuModel::appRows(rules(), published_.seenApps);
}

std::vector<std::string> ConfigModel::configuredApps() const {
    return MenuModel::configuredApps(rules(), published_.seenApps);
}

std::vector<AppAlertGroup> ConfigModel::recentAlertGroups() const {
    auto groups = RecentAlertsDigest::grouped(stores_.pingLogStore.records());
    if (groups.size() > dashboardAlertGroups) {
        groups.resize(dashboardAlertGroups);
    }
    return groups;
}

std::vector<std::string> ConfigModel::unconfirmedApps() const {
    // The apps seen this run count too: the file may have lost them (its cap, a failed save).
    auto confirmed = stores_.observedAppsStore.apps();
    confirmed.insert(confirmed.end(), published_.seenApps.begin(), published_.seenApps.end());
    return NotificationHealth::unconfirmedApps(rules(), confirmed);
}

std::vector<std::string> ConfigModel::appsNeedingNativeMute() const {
    return Onboarding::appsNeedingNativeMute(rules());
}

std::vector<std::string> ConfigModel::appsPlayingTheirOwnSound() const {
    std::vector<std::string> apps;
    for (const auto& app : published_.suppressingApps) {
        if (!effectiveRule(app).respectSuppressSound) {
            apps.push_back(app);
        }
    }
    return apps;
}

const std::vector<std::string>& ConfigModel::observedApps() const {
    return stores_.observedAppsStore.apps();
}

bool ConfigModel::hasRecentAlerts() const {
    return !stores_.pingLogStore.records().empty();
}

std::optional<std::string> ConfigModel::addApp(const std::string& named) {
    auto name = trimmed(named);
    if (!MenuModel::canBeAppName(name)) {
        return std::nullopt;
    }
    store(MenuModel::ruleForAddedApp(name, rules()));
    log("[rule] added app " + name);
    announceChange();
    return name;
}

void ConfigModel::setSound(const SoundRef& sound, const App& app) {
    store(MenuModel::ruleAfterSettingSound(sound, app, rules()));
    log("[rule] " + appLabel(app) + " \u2192 sound " + MenuModel::soundLabel(sound));
    announceChange();
    center_.post(notes::soundDidChange);
}

void ConfigModel::setVolume(double volume, const App& app) {
    Rule rule = MenuModel::ruleAfterSettingVolume(volume, app, rules());
    store(rule);
    log("[rule] " + appLabel(app) + " \u2192 volume " +
        std::to_string(MenuModel::percent(rule.volume)) + "%");
    announceChange();
}

void ConfigModel::setFlashMenuBar(bool on, const App& app) {
    store(MenuModel::ruleAfterSettingFlashMenuBar(on, app, rules()));
    log("[rule] " + appLabel(app) + " \u2192 flashMenuBar = " + boolText(on));
    announceChange();
}

void ConfigModel::setFlashScreen(bool on, const App& app) {
    store(MenuModel::ruleAfterSettingFlashScreen(on, app, rules()));
    log("[rule] " + appLabel(app) + " \u2192 flashScreen = " + boolText(on));
    announceChange();
}

void ConfigModel::setFlashColor(const std::optional<FlashColor>& color, const App& app) {
    store(MenuModel::ruleAfterSettingFlashColor(color, app, rules()));
    log("[rule] " + appLabel(app) +
        " \u2192 flashColor = " + (color ? color->hexString() : std::string("default (white)")));
    announceChange();
}

void ConfigModel::setFlashStyle(FlashStyle style, const App& app) {
    store(MenuModel::ruleAfterSettingFlashStyle(style, app, rules()));
    log("[rule] " + appLabel(app) + " \u2192 flashStyle = " + std::string(rawValue(style)));
    announceChange();
}

void ConfigModel::setFlashIntensity(const std::optional<FlashIntensity>& intensity,
                                    const App& app) {
    store(MenuModel::ruleAfterSettingFlashIntensity(intensity, app, rules()));
    log("[rule] " + appLabel(app) + " \u2192 flashIntensity = " + overrideText(intensity));
    announceChange();
}

void ConfigModel::setFlashDuration(const std::optional<FlashDuration>& duration, const App& app) {
    store(MenuModel::ruleAfterSettingFlashDuration(duration, app, rules()));
    log("[rule] " + appLabel(app) + " \u2192 flashDuration = " + overrideText(duration));
    announceChange();
}

void ConfigModel::setFlashRepeat(const std::optional<int>& repeat, const App& app) {
    Rule rule = MenuModel::ruleAfterSettingFlashRepeat(repeat, app, rules());
    store(rule);
    log("[rule] " + appLabel(app) + " \u2192 flashRepeat = " + overrideText(rule.flashRepeat));
    announceChange();
}

void ConfigModel::setCustomEnabled(bool on, const App& app) {
    std::vector<Rule> own;
    if (app) {
        own = MenuModel::rulesForApp(*app, rules());
    } else if (auto fallback = MenuModel::defaultRule(rules())) {
        own.push_back(*fallback);
    }
    if (own.empty() && on) {
        store(app ? MenuModel::ruleForAddedApp(*app, rules()) : Rule::fallback());
    }
    for (auto& rule : own) {
        if (rule.enabled != on) {
            rule.enabled = on;
            store(rule);
        }
    }
    log("[rule] " + appLabel(app) + " \u2192 custom sound " +
        (on ? "ON" : "OFF (inherits default)"));
    announceChange();
}

void ConfigModel::setSwitch(bool Rule::*field, const char* key, bool on, const App& app) {
    Rule rule = MenuModel::ruleToEdit(app, rules());
    rule.*field = on;
    store(rule);
    log("[rule] " + appLabel(app) + " \u2192 " + key + " = " + boolText(on));
    announceChange();
}

void ConfigModel::setNativeMuted(bool on, const App& app) {
    setSwitch(&Rule::nativeSoundMuted, "nativeSoundMuted", on, app);
}

void ConfigModel::setRespectFocus(bool on, const App& app) {
    setSwitch(&Rule::respectFocus, "respectFocus", on, app);
}

void ConfigModel::setRespectSuppressSound(bool on, const App& app) {
    setSwitch(&Rule::respectSuppressSound, "respectSuppressSound", on, app);
}

void ConfigModel::setUseAppSound(const App& app) {
    Rule rule = MenuModel::ruleToEdit(app, rules());
    rule.useAppSound = true;
    store(rule);
    log("[rule] " + appLabel(app) + " \u2192 useAppSound = true, else " +
        MenuModel::soundLabel(rule.sound));
    announceChange();
    center_.post(notes::soundDidChange);
}

bool ConfigModel::removeApp(const std::string& named) {
    auto own = MenuModel::rulesForApp(named, rules());
    for (const auto& rule : own) {
        stores_.ruleStore.remove(rule.id);
    }
    stores_.pingLogStore.forget(named);
    onForgetSeenApp(named);
    log("[rule] removed app " + trimmed(named) + " (" + std::to_string(own.size()) + " rule(s))");
    announceChange();
    return !own.empty();
}

void ConfigModel::addRule(const std::string& forApp, const Condition& condition,
                          const SoundRef& sound, double volume, bool useAppSound) {
    auto base = MenuModel::baseRule(forApp, rules());
    if (!base) {
        base = MenuModel::defaultRule(rules());
    }
    Rule rule = MenuModel::newConditionalRule(forApp, condition, sound, volume, base);
    rule.useAppSound = useAppSound;
    store(rule);
    log("[rule] " + trimmed(forApp) + " + content rule " + MenuModel::conditionLabel(condition) +
        " \u2192 " + soundChoiceLabel(sound, useAppSound));
    announceChange();
    center_.post(notes::soundDidChange);
}

void ConfigModel::updateRule(const Uuid& id, const Condition& condition, const SoundRef& sound,
                             double volume, bool useAppSound) {
    const auto& list = rules();
    auto found = std::find_if(list.begin(), list.end(), [&](const Rule& r) { return r.id == id; });
    if (found == list.end()) {
        return;
    }
    Rule rule = *found;
    rule.condition = condition;
    rule.sound = sound;
    rule.useAppSound = useAppSound;
    // The rules file holds volumes within 0…2; an edit must not store what a reload would change.
    rule.volume = MenuModel::clampedVolume(volume);
    store(rule);
    log("[rule] edit content rule " + rule.appDisplayName + " " +
        MenuModel::conditionLabel(condition) + " \u2192 " + soundChoiceLabel(sound, useAppSound));
    announceChange();
    center_.post(notes::soundDidChange);
}

void ConfigModel::removeRule(const Uuid& id) {
    const auto& list = rules();
    if (std::none_of(list.begin(), list.end(), [&](const Rule& r) { return r.id == id; })) {
        return;
    }
    stores_.ruleStore.remove(id);
    log("[rule] removed content rule");
    announceChange();
    center_.post(notes::soundDidChange);
}

std::string ConfigModel::applyPreset(const AppPreset& preset) {
    Rule rule = MenuModel::ruleForPreset(preset, rules());
    store(rule);
    log("[rule] applied preset " + preset.appName + " \u2192 " + MenuModel::soundLabel(rule.sound));
    announceChange();
    center_.post(notes::soundDidChange);
    return preset.appName;
}

std::optional<std::filesystem::path> ConfigModel::importRules(std::vector<Rule> imported,
                                                              std::string& error) {
    const size_t count = imported.size();
    std::filesystem::path kept;
    if (!stores_.ruleStore.replaceAll(std::move(imported), scheduler_.now(), kept, error)) {
        announceChange();
        return std::nullopt;
    }
    log("[rule] imported " + std::to_string(count) + " rule(s); " +
        (kept.empty() ? std::string("no rules file was in place")
                      : "the rules replaced are kept in " + kept.string()));
    announceChange();
    center_.post(notes::soundDidChange);
    return kept;
}

void ConfigModel::clearAlerts(const std::string& forApp) {
    stores_.pingLogStore.forget(forApp);
    announceChange();
}

void ConfigModel::clearAllAlerts() {
    stores_.pingLogStore.clear();
    announceChange();
}

const std::vector<PingRecord>& ConfigModel::recentAlerts() const {
    return stores_.pingLogStore.records();
}

void ConfigModel::addCustomSound(const std::string& name, const FileUrl& url) {
    library_.addCustomSound(name, url);
}

void ConfigModel::renameCustomSound(const Uuid& id, const std::string& name) {
    library_.renameCustomSound(id, name);
}

void ConfigModel::removeCustomSound(const Uuid& id) {
    library_.removeCustomSound(id);
}

std::optional<std::string> ConfigModel::nameForFile(const FileUrl& url) const {
    return library_.nameForFile(url);
}

Rule ConfigModel::effectiveRule(const App& app) const {
    if (app) {
        if (auto base = MenuModel::baseRule(*app, rules())) {
            return *base;
        }
    }
    auto fallback = MenuModel::defaultRule(rules());
    return fallback ? *fallback : Rule::fallback();
}

ObservedNotification ConfigModel::syntheticNotification(const std::string& uuidPrefix,
                                                        const std::string& appName,
                                                        const std::string& title) const {
    ObservedNotification n;
    n.uuid = uuidPrefix + Uuid::random().str();
    n.appName = appName;
    n.title = title;
    n.kind = ObservedNotification::Kind::single;
    n.timestamp = scheduler_.now();
    return n;
}

void ConfigModel::test(const App& app) {
    Rule rule = effectiveRule(app);
    std::string line = "[test] " + appLabel(app) + " \u2192 " + MenuModel::soundLabel(rule.sound) +
                       " @ " + std::to_string(MenuModel::percent(rule.volume)) + "%";
    if (rule.flashMenuBar) {
        line += " + menubar-flash";
    }
    if (rule.flashScreen) {
        line += " + screen-flash";
    }
    log(line);
    if (actionRunner_) {
        actionRunner_(rule,
                      syntheticNotification("test-", app ? trimmed(*app) : "Test", "Corvale test"));
    }
    if (rule.flashMenuBar) {
        onFlashPreview(rule.flashColor);
    }
    if (rule.flashScreen) {
        onScreenFlashPreview(rule.flashColor, rule.flashStyle,
                             app ? trimmed(*app) : rule.appDisplayName, rule.flashIntensity,
                             rule.flashDuration, rule.flashRepeat);
    }
}

void ConfigModel::preview(const SoundRef& sound, double volume) {
    Rule rule = Rule::fallback();
    rule.appBundleId = "preview";
    rule.appDisplayName = "Preview";
    rule.sound = sound;
    rule.volume = MenuModel::clampedVolume(volume);
    if (actionRunner_) {
        actionRunner_(rule, syntheticNotification("preview-", "Preview", "Corvale preview"));
    }
}

void ConfigModel::previewSound(const FileUrl& url) {
    preview(SoundRef::file(url), 1.0);
}

void ConfigModel::previewFlash(const App& app) {
    Rule rule = effectiveRule(app);
    log("[preview-flash] " + appLabel(app) + " \u2192 " + std::string(rawValue(rule.flashStyle)) +
        " " + (rule.flashColor ? rule.flashColor->hexString() : std::string("white")));
    if (rule.flashMenuBar) {
        onFlashPreview(rule.flashColor);
    }
    onScreenFlashPreview(rule.flashColor, rule.flashStyle,
                         app ? trimmed(*app) : rule.appDisplayName, rule.flashIntensity,
                         rule.flashDuration, rule.flashRepeat);
}

std::string ConfigModel::summary(const App& forApp) const {
    Rule rule = effectiveRule(forApp);
    std::string text = isolated(MenuModel::soundLabel(rule.sound));
    if (!rule.sound.isSilent()) {
        text += " \u00B7 " + std::to_string(MenuModel::percent(rule.volume)) + "%";
    }
    if (forApp) {
        auto count = MenuModel::conditionalRules(*forApp, rules()).size();
        if (count > 0) {
            text += " \u00B7 " + std::to_string(count) + " custom rule" + (count == 1 ? "" : "s");
        }
    }
    return text;
}

FlashColor ConfigModel::dashboardColor(const App& forApp) const {
    if (forApp) {
        auto base = MenuModel::baseRule(*forApp, rules());
        if (base && base->flashColor) {
            return *base->flashColor;
        }
        return MenuModel::paletteColor(*forApp);
    }
    auto fallback = MenuModel::defaultRule(rules());
    if (fallback && fallback->flashColor) {
        return *fallback->flashColor;
    }
    return FlashColor::fromHex(brandColorHex);
}

bool ConfigModel::isUnconfirmed(const std::string& app) const {
    auto key = nameKey(app);
    auto unconfirmed = unconfirmedApps();
    return !key.empty() &&
           std::any_of(unconfirmed.begin(), unconfirmed.end(),
                       [&](const std::string& name) { return nameKey(name) == key; });
}

bool ConfigModel::mayPlayTwoSounds(const std::string& app) const {
    auto own = MenuModel::rulesForApp(app, rules());
    return !own.empty() && Onboarding::appNeedsNativeMute(own);
}

void ConfigModel::store(const Rule& rule) {
    // A failed save is logged by the store; the edit still holds for this run.
    stores_.ruleStore.upsert(rule);
}

void ConfigModel::log(const std::string& line) const {
    if (log_) {
        log_(line);
    }
}

} // namespace corvale
