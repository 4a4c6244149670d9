#include "platform/linux/DesktopEntry.h"

#include "core/AtomicFile.h"

#include <cstdlib>

namespace corvale {

namespace {

std::string_view trimmedSpaces(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) {
        s.remove_prefix(1);
    }
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r')) {
        s.remove_suffix(1);
    }
    return s;
}

bool validKeyName(std::string_view key) {
    auto bracket = key.find('[');
    auto name = key.substr(0, bracket);
    if (name.empty()) {
        return false;
    }
    for (char c : name) {
        bool ok =
            (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-';
        if (!ok) {
            return false;
        }
    }
    return bracket == std::string_view::npos || (key.back() == ']' && key.size() > bracket + 2);
}

// Undoes the escapes of a value; "\;" is kept for `list`, which splits on the bare ";".
std::string unescaped(std::string_view value, bool keepSemicolonEscape) {
    std::string out;
    for (size_t i = 0; i < value.size(); ++i) {
        char c = value[i];
        if (c != '\\' || i + 1 == value.size()) {
            out += c;
            continue;
        }
        char next = value[++i];
        switch (next) {
        case 's':
            out += ' ';
            break;
        case 'n':
            out += '\n';
            break;
        case 't':
            out += '\t';
            break;
        case 'r':
            out += '\r';
            break;
        case '\\':
            out += '\\';
            break;
        case ';':
            if (keepSemicolonEscape) {
                out += '\\';
            }
            out += ';';
            break;
        default:
            out += '\\';
            out += next;
        }
    }
    return out;
}

// The locale's variants in the order the format matches them.
std::vector<std::string> localeVariants(const std::string& locale) {
    std::string lang = locale;
    std::string modifier;
    if (auto at = lang.find('@'); at != std::string::npos) {
        modifier = lang.substr(at);
        lang.erase(at);
    }
    if (auto dot = lang.find('.'); dot != std::string::npos) {
        lang.erase(dot);
    }
    std::string country;
    if (auto underscore = lang.find('_'); underscore != std::string::npos) {
        country = lang.substr(underscore);
        lang.erase(underscore);
    }
    std::vector<std::string> variants;
    if (lang.empty() || lang == "C" || lang == "POSIX") {
        return variants;
    }
    if (!country.empty() && !modifier.empty()) {
        variants.push_back(lang + country + modifier);
    }
    if (!country.empty()) {
        variants.push_back(lang + country);
    }
    if (!modifier.empty()) {
        variants.push_back(lang + modifier);
    }
    variants.push_back(lang);
    return variants;
}

} // namespace

std::optional<DesktopEntry> DesktopEntry::parse(std::string_view text, Parsing parsing) {
    const bool strict = parsing == Parsing::strict;
    DesktopEntry entry;
    std::map<std::string, std::string>* group = nullptr;
    while (!text.empty()) {
        auto end = text.find('\n');
        auto line = trimmedSpaces(text.substr(0, end));
        text = end == std::string_view::npos ? std::string_view{} : text.substr(end + 1);
        if (line.empty() || line.front() == '#') {
            continue;
        }
        if (line.front() == '[') {
            if (line.back() != ']' || line.size() < 3) {
                if (strict) {
                    return std::nullopt;
                }
                group = nullptr;
                continue;
            }
            // A repeated group is invalid; its first occurrence counts and later keys are merged
            // without replacing, as for repeated keys.
            group = &entry.groups_[std::string(line.substr(1, line.size() - 2))];
            continue;
        }
        auto equals = line.find('=');
        if (group == nullptr || equals == std::string_view::npos) {
            if (strict) {
                return std::nullopt;
            }
            continue;
        }
        auto key = trimmedSpaces(line.substr(0, equals));
        if (!validKeyName(key)) {
            if (strict) {
                return std::nullopt;
            }
            continue;
        }
        group->emplace(std::string(key), std::string(trimmedSpaces(line.substr(equals + 1))));
    }
    return entry;
}

std::optional<DesktopEntry> DesktopEntry::load(const std::filesystem::path& file) {
    std::string contents;
    std::string error;
    if (!readWholeFile(file, contents, error)) {
        return std::nullopt;
    }
    return parse(contents);
}

std::optional<std::string> DesktopEntry::raw(const std::string& key,
                                             const std::string& group) const {
    auto g = groups_.find(group);
    if (g == groups_.end()) {
        return std::nullopt;
    }
    auto found = g->second.find(key);
    if (found == g->second.end()) {
        return std::nullopt;
    }
    return found->second;
}

std::optional<std::string> DesktopEntry::string(const std::string& key,
                                                const std::string& group) const {
    auto value = raw(key, group);
    return value ? std::optional(unescaped(*value, false)) : std::nullopt;
}

std::optional<std::string> DesktopEntry::localeString(const std::string& key,
                                                      const std::string& locale,
                                                      const std::string& group) const {
    for (const auto& variant : localeVariants(locale)) {
        if (auto value = string(key + "[" + variant + "]", group)) {
            return value;
        }
    }
    return string(key, group);
}

bool DesktopEntry::boolean(const std::string& key, const std::string& group) const {
    return raw(key, group) == "true";
}

std::vector<std::string> DesktopEntry::list(const std::string& key,
                                            const std::string& group) const {
    std::vector<std::string> items;
    auto value = raw(key, group);
    if (!value) {
        return items;
    }
    auto text = unescaped(*value, true);
    std::string item;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\\' && i + 1 < text.size() && text[i + 1] == ';') {
            item += ';';
            ++i;
        } else if (text[i] == ';') {
            items.push_back(std::move(item));
            item.clear();
        } else {
            item += text[i];
        }
    }
    if (!item.empty()) {
        items.push_back(std::move(item));
    }
    return items;
}

std::string DesktopEntry::currentLocale() {
    for (const char* name : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
        const char* value = std::getenv(name);
        if (value != nullptr && value[0] != '\0') {
            return value;
        }
    }
    return "C";
}

std::optional<std::vector<std::string>> DesktopEntry::splitExec(std::string_view exec) {
    std::vector<std::string> words;
    std::string word;
    bool inWord = false;
    bool quoted = false;
    for (size_t i = 0; i < exec.size(); ++i) {
        char c = exec[i];
        if (quoted) {
            if (c == '"') {
                quoted = false;
            } else if (c == '\\' && i + 1 < exec.size() &&
                       std::string_view("\"`$\\").find(exec[i + 1]) != std::string_view::npos) {
                word += exec[++i];
            } else {
                word += c;
            }
        } else if (c == ' ' || c == '\t' || c == '\n') {
            if (inWord) {
                words.push_back(std::move(word));
                word.clear();
                inWord = false;
            }
        } else if (c == '"') {
            quoted = true;
            inWord = true;
        } else {
            word += c;
            inWord = true;
        }
    }
    if (quoted) {
        return std::nullopt;
    }
    if (inWord) {
        words.push_back(std::move(word));
    }
    return words;
}

std::string DesktopEntry::quoteExecArgument(std::string_view argument) {
    // Reserved characters of the quoting rules, and "%" which would start a field code.
    bool plain = !argument.empty() &&
                 argument.find_first_of(" \t\n\"'\\><~|&;$*?#()`=%") == std::string_view::npos;
    if (plain) {
        return std::string(argument);
    }
    std::string out = "\"";
    for (char c : argument) {
        if (c == '"' || c == '`' || c == '$' || c == '\\') {
            out += '\\';
        }
        out += c;
        if (c == '%') {
            out += '%';
        }
    }
    return out + "\"";
}

std::string DesktopEntry::escapeValue(std::string_view value) {
    std::string out;
    for (size_t i = 0; i < value.size(); ++i) {
        char c = value[i];
        switch (c) {
        case '\\':
            out += "\\\\";
            break;
        case '\n':
            out += "\\n";
            break;
        case '\t':
            out += "\\t";
            break;
        case '\r':
            out += "\\r";
            break;
        // Only spaces that trimming would lose need the escape.
        case ' ':
            out += (i == 0 || i + 1 == value.size()) ? "\\s" : " ";
            break;
        default:
            out += c;
        }
    }
    return out;
}

std::optional<std::vector<std::string>>
DesktopEntry::launchCommand(const std::string& locale, const std::filesystem::path& file) const {
    auto exec = string("Exec");
    if (!exec) {
        return std::nullopt;
    }
    auto words = splitExec(*exec);
    if (!words) {
        return std::nullopt;
    }
    std::vector<std::string> command;
    for (const auto& word : *words) {
        if (word == "%i") {
            if (auto icon = string("Icon"); icon && !icon->empty()) {
                command.push_back("--icon");
                command.push_back(*icon);
            }
            continue;
        }
        if (word == "%f" || word == "%F" || word == "%u" || word == "%U") {
            continue; // no files to pass
        }
        std::string expanded;
        for (size_t i = 0; i < word.size(); ++i) {
            if (word[i] != '%') {
                expanded += word[i];
                continue;
            }
            if (i + 1 == word.size()) {
                return std::nullopt;
            }
            char code = word[++i];
            switch (code) {
            case '%':
                expanded += '%';
                break;
            case 'c':
                expanded += localeString("Name", locale).value_or("");
                break;
            case 'k':
                expanded += file.string();
                break;
            case 'f':
            case 'F':
            case 'u':
            case 'U':
            case 'd':
            case 'D':
            case 'n':
            case 'N':
            case 'v':
            case 'm':
                break;
            default:
                return std::nullopt;
            }
        }
        command.push_back(std::move(expanded));
    }
    if (command.empty() || command.front().empty()) {
        return std::nullopt;
    }
    return command;
}

} // namespace corvale
