#include "silence/linux/GnomeCustomShortcuts.h"
#include "support/LogRecorder.h"
#include "support/ScopedEnvironment.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <fstream>
#include <map>

using namespace corvale;

namespace {

using KeyFile = std::map<std::string, std::map<std::string, std::string>>;

// The settings gsettings' keyfile backend holds, by group and key.
KeyFile read(const std::filesystem::path& file) {
    KeyFile groups;
    std::ifstream in(file);
    std::string line, group;
    while (std::getline(in, line)) {
        if (line.size() > 2 && line.front() == '[' && line.back() == ']') {
            group = line.substr(1, line.size() - 2);
        } else if (const auto eq = line.find('='); eq != std::string::npos) {
            groups[group][line.substr(0, eq)] = line.substr(eq + 1);
        }
    }
    // A group whose keys were all reset stays behind empty; it holds nothing.
    std::erase_if(groups, [](const auto& entry) { return entry.second.empty(); });
    return groups;
}

} // namespace

TEST(GnomeCustomShortcuts, addsAndRemovesExactlyItsOwnKeysBesideTheUsers) {
    test::TempDir dir;
    test::ScopedEnvironment env({{"GSETTINGS_BACKEND", "keyfile"},
                                 {"XDG_CONFIG_HOME", dir.path().string()},
                                 {"GSETTINGS_SCHEMA_DIR", std::nullopt}});
    const auto keyfile = dir.path() / "glib-2.0" / "settings" / "keyfile";
    const std::string list = "org/gnome/settings-daemon/plugins/media-keys";
    const std::string users = "'/org/gnome/settings-daemon/plugins/media-keys/custom-keybindings/"
                              "custom0/'";
    const std::string ours = "'/org/gnome/settings-daemon/plugins/media-keys/custom-keybindings/"
                             "corvale-mute/'";
    std::filesystem::create_directories(keyfile.parent_path());
    std::ofstream(keyfile) << "[" << list << "]\ncustom-keybindings=[" << users << "]\n";
    const KeyFile before = read(keyfile);

    test::LogRecorder log;
    GnomeCustomShortcuts gnome(log.fn());
    EXPECT_FALSE(gnome.isSet("corvale-mute"));
    ASSERT_TRUE(gnome.set(
        {"corvale-mute", "Mute all sounds", "'/opt/my apps/corvale' mute", "<Control><Alt>m"}))
        << (log.lines.empty() ? "" : log.lines.back());
    EXPECT_TRUE(gnome.isSet("corvale-mute"));
    KeyFile expected = before;
    expected[list]["custom-keybindings"] = "[" + users + ", " + ours + "]";
    expected[list + "/custom-keybindings/corvale-mute"] = {
        {"name", "'Mute all sounds'"},
        {"command", "\"'/opt/my apps/corvale' mute\""},
        {"binding", "'<Control><Alt>m'"}};
    EXPECT_EQ(read(keyfile), expected);

    // Setting again updates in place: no second entry in the list.
    ASSERT_TRUE(gnome.set({"corvale-mute", "Mute all sounds", "/usr/bin/corvale mute", "F5"}));
    expected[list + "/custom-keybindings/corvale-mute"]["command"] = "'/usr/bin/corvale mute'";
    expected[list + "/custom-keybindings/corvale-mute"]["binding"] = "'F5'";
    EXPECT_EQ(read(keyfile), expected);

    ASSERT_TRUE(gnome.remove("corvale-mute"));
    EXPECT_EQ(read(keyfile), before) << "the user's own shortcut is all that is left";
    EXPECT_FALSE(gnome.isSet("corvale-mute"));
}
