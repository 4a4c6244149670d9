#pragma once

#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace corvale {

// The built-in sounds: the folders searched, the file types accepted, lookup by name and the
// list every sound menu offers.
namespace SoundLibrary {

// Compared in lower case; the desktop's own sound theme uses Ogg files.
bool isAudioExtension(const std::filesystem::path& file);
// The accepted extensions, lower case and without the dot: what a file chooser offers.
std::vector<std::string> audioExtensions();

// The desktop's sounds, the user's own sounds, then our tones (only when that folder exists).
std::vector<std::filesystem::path>
defaultDirs(const std::filesystem::path& systemSounds,
            const std::optional<std::filesystem::path>& userSounds,
            const std::filesystem::path& bundledTones);

// The first file, folder by folder, whose name without extension equals the name ignoring case.
std::optional<std::filesystem::path> url(const std::string& name,
                                         const std::vector<std::filesystem::path>& dirs);

// Every sound name in the folders, first spelling per name wins, sorted for people.
std::vector<std::string> names(const std::vector<std::filesystem::path>& dirs);

// The same lookup as url(), from a table of the folders' sounds. The folders are listed again only
// when one of them has changed (its modification time moved), so an alert costs a few stat calls
// instead of three folder listings, and sounds added while the program runs are still found.
class Index {
public:
    explicit Index(std::vector<std::filesystem::path> dirs);
    std::optional<std::filesystem::path> url(const std::string& name);
    // The same from the table as it was last listed, without looking at the folders.
    std::optional<std::filesystem::path> listedUrl(const std::string& name);

private:
    void refreshIfChanged();

    std::vector<std::filesystem::path> dirs_;
    std::vector<std::optional<std::filesystem::file_time_type>> stamps_;
    std::map<std::string, std::filesystem::path> byKey_;
    bool built_ = false;
};

} // namespace SoundLibrary
} // namespace corvale
