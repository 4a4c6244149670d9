#include "app/RuleEdits.h"

#include "app/RulesCommand.h"
#include "core/Text.h"

#include <algorithm>

namespace corvale {

namespace {

// A change that holds in memory but did not reach the file is not done as far as a script knows.
std::string saved(const ConfigModel& model) {
    return model.saveProblem();
}

} // namespace

std::variant<ConfigModel::App, std::string> RuleEdits::findApp(const std::vector<Rule>& rules,
                                                               const std::string& name) {
    const auto key = nameKey(name);
    if (key == nameKey(RulesCommand::allOtherApps)) {
        return ConfigModel::App();
    }
    for (const auto& row : MenuModel::appRows(rules, {})) {
        if (nameKey(row) == key) {
            return ConfigModel::App(row);
        }
    }
    return "no app '" + trimmed(name) + "'; corvale rules list shows the apps";
}

std::variant<SoundRef, std::string> RuleEdits::soundNamed(const ConfigModel& model,
                                                          const std::string& name) {
    const auto key = caseFolded(trimmed(name));
    for (const auto& builtin : model.soundNames()) {
        if (caseFolded(builtin) == key) {
            return SoundRef::builtin(builtin);
        }
    }
    for (const auto& custom : model.customSounds()) {
        if (caseFolded(custom.name) == key) {
            return SoundRef::file(custom.fileURL);
        }
    }
    if (key == caseFolded("Silent")) {
        return SoundRef::silent();
    }
    return "no sound '" + trimmed(name) +
           "' in the library (the built-in sounds, My Sounds, or Silent)";
}

std::string RuleEdits::add(ConfigModel& model, const std::string& app, const std::string& sound,
                           const std::string& volume) {
    std::optional<SoundRef> chosen;
    if (!sound.empty()) {
        auto found = soundNamed(model, sound);
        if (const auto* why = std::get_if<std::string>(&found)) {
            return *why;
        }
        chosen = std::get<SoundRef>(found);
    }
    std::optional<double> level;
    if (!volume.empty()) {
        level = RulesCommand::volumeFromPercent(volume);
        if (!level) {
            return "volume: '" + volume + "' is not a volume from 25 to 200 (percent)";
        }
    }
    if (!MenuModel::canBeAppName(trimmed(app)) ||
        nameKey(app) == nameKey(RulesCommand::allOtherApps)) {
        return "'" + app + "' cannot be an app's name";
    }
    auto added = model.addApp(app);
    if (chosen) {
        model.setSound(*chosen, added);
    }
    if (level) {
        model.setVolume(*level, added);
    }
    return saved(model);
}

std::string RuleEdits::set(ConfigModel& model, const std::string& name, const std::string& key,
                           const std::string& value) {
    auto checked = RulesCommand::setting(key, value);
    if (const auto* why = std::get_if<std::string>(&checked)) {
        return *why;
    }
    const auto& setting = std::get<RuleSetting>(checked);
    auto found = findApp(model.rules(), name);
    if (const auto* why = std::get_if<std::string>(&found)) {
        return *why;
    }
    const auto& app = std::get<ConfigModel::App>(found);
    using Key = RuleSetting::Key;
    switch (setting.key) {
    case Key::sound: {
        auto sound = soundNamed(model, setting.sound);
        if (const auto* why = std::get_if<std::string>(&sound)) {
            return *why;
        }
        model.setSound(std::get<SoundRef>(sound), app);
        break;
    }
    case Key::volume:
        model.setVolume(setting.volume, app);
        break;
    case Key::enabled:
        model.setCustomEnabled(setting.on, app);
        break;
    case Key::flash:
        model.setFlashScreen(setting.on, app);
        break;
    case Key::blink:
        model.setFlashMenuBar(setting.on, app);
        break;
    case Key::flashColor:
        model.setFlashColor(setting.color, app);
        break;
    case Key::flashStyle:
        model.setFlashStyle(setting.style, app);
        break;
    case Key::flashIntensity:
        model.setFlashIntensity(setting.intensity, app);
        break;
    case Key::flashDuration:
        model.setFlashDuration(setting.duration, app);
        break;
    case Key::flashRepeat:
        model.setFlashRepeat(setting.repeat, app);
        break;
    case Key::useAppSound:
        if (setting.on) {
            model.setUseAppSound(app);
        } else {
            // As choosing a sound in the editor does: the rule's own sound plays again.
            model.setSound(MenuModel::ruleToEdit(app, model.rules()).sound, app);
        }
        break;
    case Key::respectFocus:
        model.setRespectFocus(setting.on, app);
        break;
    case Key::respectSuppressSound:
        model.setRespectSuppressSound(setting.on, app);
        break;
    case Key::nativeSoundMuted:
        model.setNativeMuted(setting.on, app);
        break;
    }
    return saved(model);
}

std::string RuleEdits::remove(ConfigModel& model, const std::string& name) {
    auto found = findApp(model.rules(), name);
    if (const auto* why = std::get_if<std::string>(&found)) {
        return *why;
    }
    const auto& app = std::get<ConfigModel::App>(found);
    if (!app) {
        return std::string("the rule of ") + RulesCommand::allOtherApps + " cannot be removed";
    }
    model.removeApp(*app);
    return saved(model);
}

std::string RuleEdits::importRules(ConfigModel& model, const std::string& text, std::string& kept) {
    auto decoded = RulesCommand::decode(text);
    if (!decoded.error.empty()) {
        return decoded.error;
    }
    std::string error;
    auto copy = model.importRules(std::move(decoded.rules), error);
    if (!copy) {
        return "the rules were not imported: " + error;
    }
    kept = copy->string();
    return {};
}

} // namespace corvale
