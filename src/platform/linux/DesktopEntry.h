#pragma once

#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace corvale {

// A file in the desktop entry format (desktop entries, icon theme indexes): groups of keys, with
// the format's escapes undone and localised keys ("Name[de]") picked by locale.
class DesktopEntry {
public:
    static constexpr const char* mainGroup = "Desktop Entry";

    // How a line that breaks the format is taken: it makes the whole text unusable (strict), or
    // it is skipped with the keys of a malformed group (lenient: for reading one key of files
    // that other programs wrote, where a stray line elsewhere must not hide it).
    enum class Parsing { strict, lenient };

    // None when the text is not in the format (a key before any group, a malformed line) and
    // parsing is strict.
    static std::optional<DesktopEntry> parse(std::string_view text,
                                             Parsing parsing = Parsing::strict);
    static std::optional<DesktopEntry> load(const std::filesystem::path& file);

    bool hasGroup(const std::string& group) const { return groups_.contains(group); }
    // The value with the escapes \s \n \t \r \\ undone.
    std::optional<std::string> string(const std::string& key,
                                      const std::string& group = mainGroup) const;
    // The best value for the locale ("de_AT.UTF-8@euro" tries de_AT@euro, de_AT, de@euro, de).
    std::optional<std::string> localeString(const std::string& key, const std::string& locale,
                                            const std::string& group = mainGroup) const;
    // "true" only; anything else, or absent, is false.
    bool boolean(const std::string& key, const std::string& group = mainGroup) const;
    // A list separated by ";", where "\;" stands for a semicolon in an item.
    std::vector<std::string> list(const std::string& key,
                                  const std::string& group = mainGroup) const;

    // The locale people read in, from LC_ALL, LC_MESSAGES or LANG.
    static std::string currentLocale();

    // The command of an Exec value, split by its quoting rules, with the field codes expanded
    // for a launch without files. None for malformed quoting or an unknown field code.
    std::optional<std::vector<std::string>> launchCommand(const std::string& locale,
                                                          const std::filesystem::path& file) const;
    // The words of an Exec value by its quoting rules, field codes left as they are.
    static std::optional<std::vector<std::string>> splitExec(std::string_view exec);
    // One argument written so that splitExec gives it back (quoted when needed).
    static std::string quoteExecArgument(std::string_view argument);
    // A value written so that `string` gives it back.
    static std::string escapeValue(std::string_view value);

private:
    std::optional<std::string> raw(const std::string& key, const std::string& group) const;

    std::map<std::string, std::map<std::string, std::string>> groups_;
};

} // namespace corvale
