#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace corvale {

// Finds the file of a named icon the way the icon theme rules do: the themes' folders by size,
// the "hicolor" theme as the fallback of every theme, then the unthemed pixmaps.
class IconTheme {
public:
    // ~/.icons, $XDG_DATA_HOME/icons, each $XDG_DATA_DIRS folder with "/icons", /usr/share/pixmaps.
    static std::vector<std::filesystem::path> baseFolders();

    IconTheme(std::vector<std::filesystem::path> baseFolders, std::string themeName = "hicolor");

    // An Icon= value: an absolute path is taken as it is when the file exists; a name is looked
    // up for the size in pixels.
    std::optional<std::filesystem::path> find(const std::string& icon, int size = 48) const;

private:
    std::optional<std::filesystem::path> inTheme(const std::string& theme, const std::string& name,
                                                 int size) const;

    std::vector<std::filesystem::path> bases_;
    std::vector<std::string> themes_;
};

} // namespace corvale
