#include "platform/linux/XdgAutostart.h"
#include "platform/LoginItem.h"
#include "platform/linux/DesktopEntry.h"
#include "support/ChildProcess.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

using namespace corvale;
using test::readFile;
using test::writeFile;

namespace {

// desktop-file-validate's verdict: empty when the entry is valid, else its complaints.
std::string validationProblems(const std::filesystem::path& file) {
    auto result = test::runCommand({"desktop-file-validate", file.string()});
    bool valid = result.exitCode == 0 && result.output.find("error") == std::string::npos;
    return valid ? std::string{} : "exit " + std::to_string(result.exitCode) + ": " + result.output;
}

} // namespace

TEST(XdgAutostart, theLoginSwitchWritesAValidEntryThatStartsThisProgram) {
    test::TempDir dir;
    auto program = dir / "opt/it's a \"build\" $1 100%/bin/corvale";
    XdgAutostart autostart(program, dir / "config/autostart", {dir / "etc/autostart"});
    std::vector<std::string> systemLog;
    auto log = [&](const std::string& line) { systemLog.push_back(line); };

    EXPECT_EQ(autostart.status(), LoginItemStatus::notRegistered);
    EXPECT_EQ(LoginItem::setEnabled(true, autostart, log).action,
              LoginItem::Decision::Action::registered);
    ASSERT_TRUE(std::filesystem::exists(autostart.entryFile()));
    EXPECT_EQ(autostart.entryFile(), dir / "config/autostart/corvale.desktop");
    EXPECT_EQ(validationProblems(autostart.entryFile()), "");
    auto entry = DesktopEntry::load(autostart.entryFile());
    ASSERT_TRUE(entry);
    EXPECT_EQ(entry->launchCommand("C", autostart.entryFile()),
              std::vector<std::string>{program.string()});
    EXPECT_EQ(autostart.status(), LoginItemStatus::enabled);

    EXPECT_EQ(LoginItem::setEnabled(false, autostart, log).action,
              LoginItem::Decision::Action::unregistered);
    EXPECT_FALSE(std::filesystem::exists(autostart.entryFile()));
    EXPECT_EQ(autostart.status(), LoginItemStatus::notRegistered);
    EXPECT_TRUE(systemLog.empty());
}

TEST(XdgAutostart, theUsersEntryDecidesOverTheSystemsAndSwitchesItOff) {
    test::TempDir dir;
    auto systemEntry = dir / "etc/autostart/corvale.desktop";
    writeFile(systemEntry, "[Desktop Entry]\nType=Application\nName=Corvale\nExec=corvale\n");
    XdgAutostart autostart("/usr/bin/corvale", dir / "config/autostart",
                           {dir / "etc-first/autostart", dir / "etc/autostart"});
    EXPECT_EQ(autostart.status(), LoginItemStatus::enabled);

    // Removing our file would leave the system's entry starting us: hide it instead.
    EXPECT_EQ(autostart.unregisterItem(), std::nullopt);
    EXPECT_EQ(autostart.status(), LoginItemStatus::notRegistered);
    EXPECT_NE(readFile(autostart.entryFile()).find("Hidden=true"), std::string::npos);
    EXPECT_EQ(validationProblems(autostart.entryFile()), "");
    EXPECT_TRUE(std::filesystem::exists(systemEntry));

    EXPECT_EQ(autostart.registerItem(), std::nullopt);
    EXPECT_EQ(autostart.status(), LoginItemStatus::enabled);

    writeFile(autostart.entryFile(), "[Desktop Entry]\nType=Application\nName=Corvale\n"
                                     "Exec=corvale\nX-GNOME-Autostart-enabled=false\n");
    EXPECT_EQ(autostart.status(), LoginItemStatus::notRegistered)
        << "switched off in the desktop's own settings";
    writeFile(autostart.entryFile(), "garbage");
    EXPECT_EQ(autostart.status(), LoginItemStatus::notRegistered);
    EXPECT_EQ(autostart.registerItem(), std::nullopt) << "an unreadable entry is replaced";
    EXPECT_EQ(autostart.status(), LoginItemStatus::enabled);
}

TEST(XdgAutostart, failuresAreReportedNotHidden) {
    test::TempDir dir;
    writeFile(dir / "config", "a file where the folder should be");
    XdgAutostart blocked("/usr/bin/corvale", dir / "config/autostart", {});
    std::vector<std::string> systemLog;
    auto action =
        LoginItem::setEnabled(true, blocked, [&](const std::string& l) { systemLog.push_back(l); });
    EXPECT_EQ(action.action, LoginItem::Decision::Action::none);
    ASSERT_EQ(systemLog.size(), 1u);
    EXPECT_TRUE(systemLog[0].starts_with("Corvale launchAtLogin(on) failed: cannot create "))
        << systemLog[0];
    EXPECT_EQ(blocked.status(), LoginItemStatus::notRegistered);

    XdgAutostart multiline("/opt/a\nb/corvale", dir / "autostart", {});
    EXPECT_TRUE(multiline.registerItem().has_value());
    EXPECT_FALSE(std::filesystem::exists(multiline.entryFile()));
}
