#include "app/RulesCommand.h"

#include "core/Log.h"
#include "core/RuleEngine.h"
#include "core/Text.h"
#include "signals/FlashPalette.h"
#include "store/VersionedJsonStore.h"
#include "ui/menubar/MenuModel.h"
#include "ui/settings/AppEditorState.h"
#include "ui/settings/AppEditorTexts.h"

#include <algorithm>
#include <array>
#include <nlohmann/json.hpp>

namespace corvale {

using nlohmann::json;

const char* const RulesCommand::usage =
    "Usage: corvale rules list [--json]\n"
    "       corvale rules show NAME [--json]\n"
    "       corvale rules add NAME [--sound SOUND] [--volume PERCENT]\n"
    "       corvale rules set NAME KEY VALUE\n"
    "       corvale rules remove NAME\n"
    "       corvale rules export [FILE]\n"
    "       corvale rules import FILE\n"
    "\n"
    "NAME is the app's name as the settings window shows it; \"All other apps\" is\n"
    "the rule of every app without one of its own (show and set only). remove\n"
    "takes the app's rule and its content rules. While Corvale runs, every change\n"
    "goes through it; otherwise rules.json is edited directly.\n"
    "\n"
    "Keys of set and their values:\n"
    "  sound                 a built-in sound, a sound of My Sounds, or Silent\n"
    "  volume                25 to 200 (percent)\n"
    "  enabled               on or off: the app's custom sound\n"
    "  flash                 on or off: flash the screen\n"
    "  blink                 on or off: flash the tray icon\n"
    "  flashColor            Blue, Red, Green, Orange, Purple, Cyan, Pink, Yellow,\n"
    "                        Indigo, Brown, Automatic, or #RRGGBB\n"
    "  flashStyle            fullScreen, edge, edgeTop, edgeBottom, edgeLeft,\n"
    "                        edgeRight, edgeTopBottom, edgeLeftRight\n"
    "  flashIntensity        gentle, normal, strong, or default\n"
    "  flashDuration         brief, normal, long, or default\n"
    "  flashRepeat           1, 2, 3, or default\n"
    "  useAppSound           on or off: play the sound the notification names\n"
    "                        (its sound-file or sound-name), else the rule's sound\n"
    "  respectFocus          on or off: stay quiet while do-not-disturb is on\n"
    "  respectSuppressSound  on or off: stay quiet when the app plays its own sound\n"
    "  nativeSoundMuted      on or off: the app's own sound is muted in your\n"
    "                        desktop's settings\n"
    "\n"
    "list and show print a table, or with --json the rules as rules.json holds them.\n"
    "export writes the rules file (to standard output without FILE). import checks\n"
    "all of FILE, then replaces every rule with its rules, keeping the rules it\n"
    "replaces as rules.before-import-DATE-TIME.json beside rules.json.\n";

namespace {

using Key = RuleSetting::Key;

constexpr std::array<std::pair<const char*, Key>, 14> keyNames{{
    {"sound", Key::sound},
    {"volume", Key::volume},
    {"enabled", Key::enabled},
    {"flash", Key::flash},
    {"blink", Key::blink},
    {"flashColor", Key::flashColor},
    {"flashStyle", Key::flashStyle},
    {"flashIntensity", Key::flashIntensity},
    {"flashDuration", Key::flashDuration},
    {"flashRepeat", Key::flashRepeat},
    {"useAppSound", Key::useAppSound},
    {"respectFocus", Key::respectFocus},
    {"respectSuppressSound", Key::respectSuppressSound},
    {"nativeSoundMuted", Key::nativeSoundMuted},
}};

constexpr const char* followsGlobal = "default";

RulesCommand::Parsed usageError(const std::string& why) {
    return {std::nullopt, "corvale: rules: " + why + " (see corvale rules --help)", 2};
}

RulesCommand::Parsed refused(const std::string& why) {
    return {std::nullopt, "corvale: " + why, 1};
}

std::optional<bool> switchValue(const std::string& text) {
    if (text == "on" || text == "true") {
        return true;
    }
    if (text == "off" || text == "false") {
        return false;
    }
    return std::nullopt;
}

// Each of these sets `value` and says whether the text was one of the key's values.
bool colorValue(const std::string& text, std::optional<FlashColor>& value) {
    if (caseFolded(text) == caseFolded(AppEditorTexts::automaticColor)) {
        value.reset();
        return true;
    }
    const auto& names = FlashPalette::names();
    for (size_t i = 0; i < names.size(); ++i) {
        if (caseFolded(text) == caseFolded(names[i])) {
            value = FlashPalette::colors()[i];
            return true;
        }
    }
    const std::string_view hex = std::string_view(text).substr(text.starts_with('#') ? 1 : 0);
    if (hex.size() == 6 &&
        std::all_of(hex.begin(), hex.end(), [](char c) { return hexDigitValue(c) >= 0; })) {
        value = FlashColor::fromHex(hex);
        return true;
    }
    return false;
}

// An override's value: "default" follows the global setting.
template <typename Value, typename Parse>
bool overrideValue(const std::string& text, Parse parse, std::optional<Value>& value) {
    value = text == followsGlobal ? std::nullopt : parse(text);
    return text == followsGlobal || value.has_value();
}

std::optional<int> repeatValue(std::string_view text) {
    if (text.size() == 1 && text[0] >= '1' && text[0] <= '3') {
        return text[0] - '0';
    }
    return std::nullopt;
}

// Characters, not bytes, so names with accents line up.
size_t columns(std::string_view text) {
    return static_cast<size_t>(
        std::count_if(text.begin(), text.end(), [](char c) { return (c & 0xC0) != 0x80; }));
}

std::string padded(const std::string& text, size_t width) {
    const size_t used = columns(text);
    return text + std::string(width > used ? width - used : 0, ' ') + "  ";
}

std::string onOff(bool on) {
    return on ? "on" : "off";
}

std::string percentText(double volume) {
    return std::to_string(MenuModel::percent(volume)) + "%";
}

template <typename Value> std::string overrideText(const std::optional<Value>& value) {
    return MenuModel::overrideText(value, followsGlobal);
}

std::string colorText(const std::optional<FlashColor>& color) {
    if (!color) {
        return AppEditorTexts::automaticColor;
    }
    const auto& palette = FlashPalette::colors();
    for (size_t i = 0; i < palette.size(); ++i) {
        if (palette[i].hexString() == color->hexString()) {
            return FlashPalette::names()[i];
        }
    }
    return color->hexString();
}

} // namespace

std::optional<double> RulesCommand::volumeFromPercent(std::string_view text) {
    if (text.ends_with('%')) {
        text.remove_suffix(1);
    }
    if (text.empty() || text.size() > 3 ||
        !std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; })) {
        return std::nullopt;
    }
    const int percent = std::stoi(std::string(text));
    if (percent < 25 || percent > 200) {
        return std::nullopt;
    }
    return percent / 100.0;
}

std::variant<RuleSetting, std::string> RulesCommand::setting(const std::string& key,
                                                             const std::string& value) {
    auto found = std::find_if(keyNames.begin(), keyNames.end(),
                              [&](const auto& entry) { return key == entry.first; });
    if (found == keyNames.end()) {
        return "no key '" + key +
               "'; the keys are sound, volume, enabled, flash, blink, flashColor, flashStyle, "
               "flashIntensity, flashDuration, flashRepeat, useAppSound, respectFocus, "
               "respectSuppressSound, "
               "nativeSoundMuted";
    }
    RuleSetting setting;
    setting.key = found->second;
    const std::string refusal = key + ": '" + value + "' is not ";
    switch (setting.key) {
    case Key::sound:
        if (trimmed(value).empty()) {
            return refusal + "a sound";
        }
        setting.sound = trimmed(value);
        return setting;
    case Key::volume:
        if (auto volume = volumeFromPercent(value)) {
            setting.volume = *volume;
            return setting;
        }
        return refusal + "a volume from 25 to 200 (percent)";
    case Key::enabled:
    case Key::flash:
    case Key::blink:
    case Key::useAppSound:
    case Key::respectFocus:
    case Key::respectSuppressSound:
    case Key::nativeSoundMuted:
        if (auto on = switchValue(value)) {
            setting.on = *on;
            return setting;
        }
        return refusal + "on or off";
    case Key::flashColor:
        if (colorValue(value, setting.color)) {
            return setting;
        }
        return refusal + "a colour: Blue, Red, Green, Orange, Purple, Cyan, Pink, Yellow, "
                         "Indigo, Brown, Automatic, or #RRGGBB";
    case Key::flashStyle:
        if (auto style = flashStyleFromRaw(value)) {
            setting.style = *style;
            return setting;
        }
        return refusal + "a style: fullScreen, edge, edgeTop, edgeBottom, edgeLeft, edgeRight, "
                         "edgeTopBottom, edgeLeftRight";
    case Key::flashIntensity:
        if (overrideValue<FlashIntensity>(value, flashIntensityFromRaw, setting.intensity)) {
            return setting;
        }
        return refusal + "gentle, normal, strong or default";
    case Key::flashDuration:
        if (overrideValue<FlashDuration>(value, flashDurationFromRaw, setting.duration)) {
            return setting;
        }
        return refusal + "brief, normal, long or default";
    case Key::flashRepeat:
        if (overrideValue<int>(value, repeatValue, setting.repeat)) {
            return setting;
        }
        return refusal + "1, 2, 3 or default";
    }
    return refusal + "a value of this key";
}

RulesCommand::Parsed RulesCommand::parse(const std::vector<std::string>& words) {
    RulesRequest request;
    if (words.empty() || words[0] == "--help" || words[0] == "-h" || words[0] == "help") {
        return {request, "", 0};
    }
    const std::string& action = words[0];
    std::vector<std::string> operands;
    for (size_t i = 1; i < words.size(); ++i) {
        const std::string& word = words[i];
        if (word == "--json" && (action == "list" || action == "show")) {
            request.json = true;
        } else if ((word == "--sound" || word == "--volume") && action == "add") {
            if (i + 1 == words.size()) {
                return usageError(word + " needs a value");
            }
            (word == "--sound" ? request.sound : request.volume) = words[++i];
        } else if (word.starts_with("--") && word.size() > 2) {
            return usageError(action + " has no option " + word);
        } else {
            operands.push_back(word);
        }
    }
    const auto takes = [&](size_t least, size_t most) {
        return operands.size() >= least && operands.size() <= most;
    };
    using Action = RulesRequest::Action;
    if (action == "list" && takes(0, 0)) {
        request.action = Action::list;
    } else if (action == "show" && takes(1, 1)) {
        request.action = Action::show;
    } else if (action == "add" && takes(1, 1)) {
        request.action = Action::add;
        if (request.volume && !volumeFromPercent(*request.volume)) {
            return refused("volume: '" + *request.volume +
                           "' is not a volume from 25 to 200 (percent)");
        }
        if (request.sound && trimmed(*request.sound).empty()) {
            return refused("sound: an empty name is not a sound");
        }
    } else if (action == "set" && takes(3, 3)) {
        request.action = Action::set;
        request.key = operands[1];
        request.value = operands[2];
        const auto checked = setting(operands[1], operands[2]);
        if (const auto* why = std::get_if<std::string>(&checked)) {
            return refused(*why);
        }
    } else if (action == "remove" && takes(1, 1)) {
        request.action = Action::remove;
    } else if (action == "export" && takes(0, 1)) {
        request.action = Action::exportRules;
    } else if (action == "import" && takes(1, 1)) {
        request.action = Action::importRules;
    } else if (action == "list" || action == "show" || action == "add" || action == "set" ||
               action == "remove" || action == "export" || action == "import") {
        return usageError("wrong number of arguments for " + action);
    } else {
        return usageError("unknown action '" + action + "'");
    }
    if (request.action == Action::exportRules || request.action == Action::importRules) {
        request.file = operands.empty() ? std::string() : operands[0];
    } else if (!operands.empty()) {
        request.app = operands[0];
        if (trimmed(request.app).empty()) {
            return usageError("NAME is empty");
        }
    }
    return {request, "", 0};
}

RulesCommand::Decoded RulesCommand::decode(const std::string& text) {
    json wrapper;
    try {
        wrapper = json::parse(text);
    } catch (const json::exception& e) {
        // "[json.exception.parse_error.101] parse error at line 3, column 5: ..." without the tag.
        std::string what = e.what();
        const auto tagEnd = what.find("] ");
        return {{}, tagEnd == std::string::npos ? what : what.substr(tagEnd + 2)};
    }
    if (!wrapper.is_object()) {
        return {{}, "the file is not a JSON object"};
    }
    auto version = wrapper.find("version");
    if (version == wrapper.end() || !version->is_number_integer()) {
        return {{}, "key \"version\" missing or not an integer"};
    }
    auto list = wrapper.find("rules");
    if (list == wrapper.end() || !list->is_array()) {
        return {{}, "key \"rules\" missing or not an array"};
    }
    Decoded decoded;
    for (size_t i = 0; i < list->size(); ++i) {
        const std::string which = "rule " + std::to_string(i + 1);
        try {
            decoded.rules.push_back(ruleFromJson((*list)[i]));
        } catch (const std::exception& e) {
            return {{}, which + ": " + e.what()};
        }
        const Rule& rule = decoded.rules.back();
        if (rule.condition && rule.condition->type == Condition::Type::regex) {
            if (auto problem = RuleEngine::regexProblem(rule.condition->value)) {
                return {{},
                        which + " (" + rule.appDisplayName +
                            "): ICU refuses the regular expression '" + rule.condition->value +
                            "': " + problem->errorName +
                            (problem->offset ? " at position " + std::to_string(*problem->offset)
                                             : std::string())};
            }
        }
    }
    return decoded;
}

std::string RulesCommand::encode(const std::vector<Rule>& rules) {
    json list = json::array();
    for (const auto& rule : rules) {
        list.push_back(toJson(rule));
    }
    return encodeWrapper("rules", list, VersionedJsonStore::schemaVersion);
}

std::string RulesCommand::jsonArray(const std::vector<Rule>& rules) {
    json list = json::array();
    for (const auto& rule : rules) {
        list.push_back(toJson(rule));
    }
    return list.dump(2, ' ', false, json::error_handler_t::replace) + "\n";
}

std::string RulesCommand::table(const std::vector<Rule>& rules) {
    std::vector<std::array<std::string, 7>> rows{
        {"APP", "SOUND", "VOLUME", "ENABLED", "FLASH", "BLINK", "CONTENT RULES"}};
    const auto add = [&](const std::string& name, const Rule& rule, bool enabled, size_t content) {
        // Names come from notifications and hand edits: none may drive the terminal.
        rows.push_back({debuglog::plainText(name),
                        debuglog::plainText(MenuModel::soundLabel(rule.sound)),
                        percentText(rule.volume), onOff(enabled), onOff(rule.flashScreen),
                        onOff(rule.flashMenuBar), std::to_string(content)});
    };
    const Rule fallback = MenuModel::defaultRule(rules).value_or(Rule::fallback());
    add(allOtherApps, fallback, fallback.enabled, 0);
    for (const auto& app : MenuModel::appRows(rules, {})) {
        add(app, AppEditorState::effectiveRule(app, rules),
            AppEditorState::customSoundOn(app, rules),
            MenuModel::conditionalRules(app, rules).size());
    }
    std::array<size_t, 7> widths{};
    for (const auto& row : rows) {
        for (size_t c = 0; c < row.size(); ++c) {
            widths[c] = std::max(widths[c], columns(row[c]));
        }
    }
    std::string text;
    for (const auto& row : rows) {
        std::string line;
        for (size_t c = 0; c < row.size(); ++c) {
            line += padded(row[c], widths[c]);
        }
        text += line.substr(0, line.find_last_not_of(' ') + 1) + "\n";
    }
    return text;
}

std::string RulesCommand::details(const std::optional<std::string>& app,
                                  const std::vector<Rule>& rules) {
    const Rule rule = AppEditorState::effectiveRule(app, rules);
    const bool enabled = app ? AppEditorState::customSoundOn(*app, rules) : rule.enabled;
    const std::vector<std::pair<std::string, std::string>> values{
        {"sound", debuglog::plainText(MenuModel::soundLabel(rule.sound))},
        {"volume", percentText(rule.volume)},
        {"enabled", onOff(enabled)},
        {"flash", onOff(rule.flashScreen)},
        {"blink", onOff(rule.flashMenuBar)},
        {"flashColor", colorText(rule.flashColor)},
        {"flashStyle", std::string(rawValue(rule.flashStyle))},
        {"flashIntensity", overrideText(rule.flashIntensity)},
        {"flashDuration", overrideText(rule.flashDuration)},
        {"flashRepeat", overrideText(rule.flashRepeat)},
        {"useAppSound", onOff(rule.useAppSound)},
        {"respectFocus", onOff(rule.respectFocus)},
        {"respectSuppressSound", onOff(rule.respectSuppressSound)},
        {"nativeSoundMuted", onOff(rule.nativeSoundMuted)},
    };
    std::string text = debuglog::plainText(app ? *app : std::string(allOtherApps)) + "\n";
    for (const auto& [key, value] : values) {
        text += "  " + padded(key, 20) + value + "\n";
    }
    if (app) {
        for (const auto& content : MenuModel::conditionalRules(*app, rules)) {
            text += "  content rule          " +
                    debuglog::plainText(AppEditorTexts::ruleRowLabel(
                        content.condition, MenuModel::soundLabel(content.sound))) +
                    ", " + percentText(content.volume) + (content.enabled ? "" : " (off)") + "\n";
        }
    }
    return text;
}

} // namespace corvale
