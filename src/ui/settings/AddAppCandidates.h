#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// The list of the add-app chooser: first the apps seen sending notifications, under their exact
// names (the names rules match), then the installed applications, then nothing else; a typed name
// that is in neither list can be added as it is.
namespace corvale::AddAppCandidates {

struct InstalledApp {
    std::string name;
    std::optional<std::filesystem::path> icon;
};

struct Row {
    enum class Kind { heading, note, typed, seen, installed };
    Kind kind = Kind::seen;
    // What the row shows.
    std::string title;
    // The name added when the row is chosen; empty for headings.
    std::string name;
    std::optional<std::filesystem::path> icon;

    bool choosable() const { return kind != Kind::heading && kind != Kind::note; }
};

// The longest name the filter field takes: the detection keeps no more of a notification's app
// name, so no longer name can ever match.
inline constexpr int maxNameLength = 256;

inline constexpr const char* seenHeading = "Seen in notifications";
inline constexpr const char* installedHeading = "Installed applications";
inline constexpr const char* unusableName = "That name can't be an application's.";
std::string typedTitle(const std::string& name);

// Names that already have rules are left out (adding them changes nothing); an installed app is
// left out when a seen name is the same app (same name without regard to case or surrounding
// blanks), lending the seen row its icon; the filter keeps the rows whose name contains it,
// ignoring case. A non-blank filter that is no listed name comes last as a row of its own, or as
// a note saying why not when it cannot be an application's name ("*"); no listed row has one.
std::vector<Row> rows(const std::vector<std::string>& seen,
                      const std::vector<InstalledApp>& installed,
                      const std::vector<std::string>& configured, std::string_view filter);

// The row Enter adds before the user picks one: with a blank filter the first listed app, else
// exactly the typed name (its own row, or the listed row of the same name), never another app
// that merely contains it; none when the typed text cannot be a name.
std::optional<size_t> enterRow(const std::vector<Row>& rows, std::string_view filter);

} // namespace corvale::AddAppCandidates
