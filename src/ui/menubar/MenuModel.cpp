#include "ui/menubar/MenuModel.h"

#include "signals/FlashPalette.h"

#include "core/Text.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <filesystem>
#include <unordered_set>

namespace corvale::MenuModel {

namespace {

std::optional<int> validRepeat(const std::optional<int>& repeat) {
    if (repeat && *repeat >= 1 && *repeat <= 3) {
        return repeat;
    }
    return std::nullopt;
}

template <typename Edit> Rule edited(const App& app, const Rules& rules, Edit&& edit) {
    Rule rule = ruleToEdit(app, rules);
    edit(rule);
    return rule;
}

} // namespace

bool belongsTo(const Rule& rule, std::string_view app) {
    auto key = nameKey(app);
    return !key.empty() && !rule.isDefault() && nameKey(rule.appDisplayName) == key;
}

std::optional<Rule> rule(std::string_view forApp, const Rules& rules) {
    for (const auto& r : rules) {
        if (belongsTo(r, forApp)) {
            return r;
        }
    }
    return std::nullopt;
}

std::vector<Rule> rulesForApp(std::string_view app, const Rules& rules) {
    std::vector<Rule> found;
    std::copy_if(rules.begin(), rules.end(), std::back_inserter(found),
                 [&](const Rule& r) { return belongsTo(r, app); });
    return found;
}

std::optional<Rule> baseRule(std::string_view forApp, const Rules& rules) {
    for (const auto& r : rules) {
        if (!r.condition && belongsTo(r, forApp)) {
            return r;
        }
    }
    return std::nullopt;
}

std::vector<Rule> conditionalRules(std::string_view forApp, const Rules& rules) {
    std::vector<Rule> found;
    std::copy_if(rules.begin(), rules.end(), std::back_inserter(found),
                 [&](const Rule& r) { return r.condition && belongsTo(r, forApp); });
    return found;
}

std::optional<Rule> defaultRule(const Rules& rules) {
    auto found =
        std::find_if(rules.begin(), rules.end(), [](const Rule& r) { return r.isDefault(); });
    return found == rules.end() ? std::nullopt : std::optional<Rule>(*found);
}

Rule ruleToEdit(const App& app, const Rules& rules) {
    if (app) {
        auto base = baseRule(*app, rules);
        return base ? *base : newRuleTemplate(*app);
    }
    auto fallback = defaultRule(rules);
    return fallback ? *fallback : Rule::fallback();
}

// The colour the screen flash gives an app without one of its own, so a new row starts with it.
FlashColor paletteColor(std::string_view app) {
    return FlashPalette::color(app);
}

Rule newRuleTemplate(std::string_view app) {
    Rule rule = Rule::fallback();
    rule.appBundleId = trimmed(app);
    rule.appDisplayName = rule.appBundleId;
    rule.flashColor = paletteColor(app);
    return rule;
}

Rule ruleAfterSettingSound(const SoundRef& sound, const App& app, const Rules& rules) {
    // A sound chosen is the sound that plays, whatever the notification names.
    return edited(app, rules, [&](Rule& r) {
        r.sound = sound;
        r.useAppSound = false;
    });
}

Rule ruleAfterSettingVolume(double volume, const App& app, const Rules& rules) {
    return edited(app, rules, [&](Rule& r) { r.volume = clampedVolume(volume); });
}

Rule ruleAfterSettingFlashMenuBar(bool on, const App& app, const Rules& rules) {
    return edited(app, rules, [&](Rule& r) { r.flashMenuBar = on; });
}

Rule ruleAfterSettingFlashScreen(bool on, const App& app, const Rules& rules) {
    return edited(app, rules, [&](Rule& r) { r.flashScreen = on; });
}

Rule ruleAfterSettingFlashColor(const std::optional<FlashColor>& color, const App& app,
                                const Rules& rules) {
    return edited(app, rules, [&](Rule& r) { r.flashColor = color; });
}

Rule ruleAfterSettingFlashStyle(FlashStyle style, const App& app, const Rules& rules) {
    return edited(app, rules, [&](Rule& r) { r.flashStyle = style; });
}

Rule ruleAfterSettingFlashIntensity(const std::optional<FlashIntensity>& intensity, const App& app,
                                    const Rules& rules) {
    return edited(app, rules, [&](Rule& r) { r.flashIntensity = intensity; });
}

Rule ruleAfterSettingFlashDuration(const std::optional<FlashDuration>& duration, const App& app,
                                   const Rules& rules) {
    return edited(app, rules, [&](Rule& r) { r.flashDuration = duration; });
}

Rule ruleAfterSettingFlashRepeat(const std::optional<int>& repeat, const App& app,
                                 const Rules& rules) {
    // The rules file reads any other count as the global setting; store what will be read back.
    return edited(app, rules, [&](Rule& r) { r.flashRepeat = validRepeat(repeat); });
}

bool canBeAppName(std::string_view name) {
    const auto app = trimmed(name);
    return !app.empty() && app != Rule::defaultAppKey;
}

Rule ruleForAddedApp(std::string_view named, const Rules& rules) {
    if (auto existing = rule(named, rules)) {
        return *existing;
    }
    Rule added = newRuleTemplate(named);
    if (auto fallback = defaultRule(rules)) {
        added.sound = fallback->sound;
        added.volume = clampedVolume(fallback->volume);
    }
    return added;
}

Rule newConditionalRule(std::string_view forApp, const Condition& condition, const SoundRef& sound,
                        double volume, const std::optional<Rule>& inheritingFrom) {
    Rule rule = newRuleTemplate(forApp);
    rule.condition = condition;
    rule.sound = sound;
    rule.volume = clampedVolume(volume);
    if (inheritingFrom) {
        const Rule& base = *inheritingFrom;
        rule.flashMenuBar = base.flashMenuBar;
        rule.flashScreen = base.flashScreen;
        rule.flashColor = base.flashColor;
        rule.flashStyle = base.flashStyle;
        rule.flashIntensity = base.flashIntensity;
        rule.flashDuration = base.flashDuration;
        rule.flashRepeat = validRepeat(base.flashRepeat);
        rule.respectFocus = base.respectFocus;
        rule.respectSuppressSound = base.respectSuppressSound;
    }
    rule.nativeSoundMuted = false;
    return rule;
}

Rule ruleForPreset(const AppPreset& preset, const Rules& rules) {
    if (auto existing = rule(preset.appName, rules)) {
        return *existing;
    }
    Rule rule = newRuleTemplate(preset.appName);
    rule.sound = SoundRef::builtin(preset.soundName);
    rule.volume = clampedVolume(preset.volume);
    rule.flashColor = preset.color;
    return rule;
}

bool isPresetApplied(const AppPreset& preset, const Rules& rules) {
    return rule(preset.appName, rules).has_value();
}

std::vector<std::string> appRows(const Rules& rules, const std::vector<std::string>& seen) {
    std::vector<std::string> rows;
    std::unordered_set<std::string> keys;
    auto collect = [&](std::string_view name) {
        auto shown = trimmed(name);
        if (!shown.empty() && keys.insert(caseFolded(shown)).second) {
            rows.push_back(std::move(shown));
        }
    };
    for (const auto& r : rules) {
        if (!r.isDefault()) {
            collect(r.appDisplayName);
        }
    }
    for (const auto& name : seen) {
        collect(name);
    }
    std::stable_sort(rows.begin(), rows.end(), [](const std::string& a, const std::string& b) {
        return localizedCaseInsensitiveLess(a, b);
    });
    return rows;
}

std::vector<std::string> configuredApps(const Rules& rules, const std::vector<std::string>& seen) {
    std::vector<std::string> configured;
    for (auto& row : appRows(rules, seen)) {
        auto own = rulesForApp(row, rules);
        if (std::any_of(own.begin(), own.end(), [](const Rule& r) { return r.enabled; })) {
            configured.push_back(std::move(row));
        }
    }
    return configured;
}

std::set<std::string> forgetting(std::string_view name, const std::set<std::string>& seen) {
    auto key = nameKey(name);
    if (key.empty()) {
        return seen;
    }
    std::set<std::string> kept;
    for (const auto& member : seen) {
        if (nameKey(member) != key) {
            kept.insert(member);
        }
    }
    return kept;
}

std::vector<std::string> appsUsingFile(const FileUrl& url, const Rules& rules) {
    std::vector<std::string> names;
    for (const auto& r : rules) {
        const auto* file = std::get_if<SoundRef::File>(&r.sound.value);
        if (file && file->url == url) {
            names.push_back(r.appDisplayName);
        }
    }
    return names;
}

std::string soundLabel(const SoundRef& sound) {
    if (const auto* builtin = std::get_if<SoundRef::Builtin>(&sound.value)) {
        return builtin->name;
    }
    if (const auto* file = std::get_if<SoundRef::File>(&sound.value)) {
        return std::filesystem::path(file->url.standardizedPath()).filename().string();
    }
    return "Silent";
}

std::string conditionLabel(const Condition& condition) {
    std::string operand;
    for (char c : condition.value) {
        if (c == '"' || c == '\\') {
            operand += '\\';
        }
        operand += c;
    }
    std::string kind;
    switch (condition.type) {
    case Condition::Type::titleContains:
        kind = "titleContains";
        break;
    case Condition::Type::bodyContains:
        kind = "bodyContains";
        break;
    case Condition::Type::regex:
        kind = "regex";
        break;
    }
    return kind + "(\"" + operand + "\")";
}

long percent(double volume) {
    return std::lround(volume * 100);
}

double clampedVolume(double volume) {
    if (std::isnan(volume)) {
        return 1.0;
    }
    return std::clamp(volume, 0.0, 2.0);
}

} // namespace corvale::MenuModel
