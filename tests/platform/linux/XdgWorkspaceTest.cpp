#include "platform/linux/XdgWorkspace.h"
#include "platform/AppIconProvider.h"
#include "platform/SupportContact.h"
#include "platform/linux/LinuxSystemFacts.h"
#include "support/ChildProcess.h"
#include "support/ManualScheduler.h"
#include "support/ScopedEnvironment.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

using namespace corvale;
using namespace std::chrono_literals;
using test::readFile;
using test::writeFile;

namespace {

void writeScript(const std::filesystem::path& path, const std::string& body) {
    writeFile(path, "#!/bin/sh\n" + body);
    chmod(path.c_str(), 0755);
}

const char* hicolorIndex = "[Icon Theme]\nName=Hicolor\nDirectories=16x16/apps,48x48/apps,"
                           "scalable/apps,48x48@2/apps\n\n"
                           "[16x16/apps]\nSize=16\nType=Threshold\n\n"
                           "[48x48/apps]\nSize=48\nType=Fixed\n\n"
                           "[48x48@2/apps]\nSize=48\nScale=2\nType=Fixed\n\n"
                           "[scalable/apps]\nSize=128\nMinSize=8\nMaxSize=512\nType=Scalable\n";

// A private desktop: applications and icons in temporary XDG folders.
struct PrivateDesktop {
    test::TempDir dir;
    std::filesystem::path apps = dir / "data/applications";
    std::filesystem::path icons = dir / "data/icons";
    std::filesystem::path pixmaps = dir / "pixmaps";
    XdgWorkspace workspace{{{apps}, {icons, pixmaps}, "/proc"}};
};

} // namespace

TEST(XdgWorkspace, iconsComeFromTheThemeBySizeThenFromPixmaps) {
    PrivateDesktop d;
    writeFile(d.icons / "hicolor/index.theme", hicolorIndex);
    writeFile(d.icons / "hicolor/16x16/apps/chat.png", "png");
    writeFile(d.icons / "hicolor/scalable/apps/chat.svg", "<svg/>");
    writeFile(d.icons / "hicolor/48x48/apps/chat.png", "png");
    writeFile(d.icons / "hicolor/48x48@2/apps/small.png", "png");
    writeFile(d.icons / "hicolor/16x16/apps/small.png", "png");
    writeFile(d.pixmaps / "legacy.xpm", "xpm");
    writeFile(d.pixmaps / "chat.png", "not preferred over the theme");
    writeFile(d.dir / "abs/icon.png", "png");

    auto entry = [&](const std::string& id, const std::string& icon) {
        writeFile(d.apps / (id + ".desktop"), "[Desktop Entry]\nType=Application\nName=" + id +
                                                  "\nExec=" + id + "\nIcon=" + icon + "\n");
        return AppLocation{id, id, d.apps / (id + ".desktop")};
    };
    EXPECT_EQ(d.workspace.iconFile(entry("chat", "chat")), d.icons / "hicolor/48x48/apps/chat.png");
    EXPECT_EQ(d.workspace.iconFile(entry("small", "small")),
              d.icons / "hicolor/16x16/apps/small.png")
        << "the closest size of scale 1";
    EXPECT_EQ(d.workspace.iconFile(entry("old", "legacy")), d.pixmaps / "legacy.xpm");
    EXPECT_EQ(d.workspace.iconFile(entry("old2", "legacy.xpm")), d.pixmaps / "legacy.xpm");
    EXPECT_EQ(d.workspace.iconFile(entry("abs", (d.dir / "abs/icon.png").string())),
              d.dir / "abs/icon.png");
    EXPECT_FALSE(d.workspace.iconFile(entry("gone", (d.dir / "abs/none.png").string())));
    EXPECT_FALSE(d.workspace.iconFile(entry("escape", "../../abs/icon")));
    EXPECT_FALSE(d.workspace.iconFile(entry("none", "")));
}

TEST(XdgWorkspace, findsRunningAndInstalledApplicationsAndOpensThem) {
    PrivateDesktop d;
    // A program of a name no other process has, running for the test.
    auto program = d.dir / "bin/corvaletestapp";
    std::filesystem::create_directories(program.parent_path());
    std::filesystem::copy_file("/bin/sleep", program);
    test::ChildProcess running({program.string(), "60"}, {}, d.dir.path());
    writeFile(d.apps / "vendor/testapp.desktop",
              "[Desktop Entry]\nType=Application\nName=Test App\nName[de]=Testprogramm\n"
              "Exec=env GDK_BACKEND=x11 corvaletestapp --new %U\nIcon=testapp\n");
    writeFile(d.apps / "helper.desktop", "[Desktop Entry]\nType=Application\nName=Helper\n"
                                         "Exec=sh -c helper\nNoDisplay=true\n");

    std::optional<RunningApp> found;
    ASSERT_TRUE(test::waitUntil(
        [&] {
            for (const auto& app : d.workspace.runningApplications()) {
                if (app.app.desktopId == "vendor-testapp") {
                    found = app;
                }
            }
            return found.has_value();
        },
        5s));
    EXPECT_EQ(found->app.name, "Test App");
    EXPECT_TRUE(found->ordinary);
    for (const auto& app : d.workspace.runningApplications()) {
        EXPECT_NE(app.app.desktopId, "helper") << "a shell is no application of its own";
    }

    EXPECT_EQ(d.workspace.installedApplication("test app"), found->app);
    EXPECT_EQ(d.workspace.installedApplications(), std::vector<AppLocation>{found->app})
        << "the menus' list leaves out the hidden helper";
    EXPECT_EQ(d.workspace.applicationWithDesktopId("vendor-testapp.desktop"), found->app);
    EXPECT_FALSE(d.workspace.installedApplication("Nothing"));

    // Opening runs the entry's command with its field codes expanded.
    auto marker = d.dir / "launched";
    writeScript(d.dir / "bin/launch-me", "printf '%s|' \"$@\" > " + marker.string() + "\n");
    writeFile(d.apps / "launch.desktop",
              "[Desktop Entry]\nType=Application\nName=Launch\nIcon=launch-icon\nExec=\"" +
                  (d.dir / "bin/launch-me").string() + "\" \"two words\" %U %i %c\n");
    auto launch = d.workspace.installedApplication("Launch");
    ASSERT_TRUE(launch);
    ASSERT_TRUE(d.workspace.openApplication(*launch));
    ASSERT_TRUE(test::waitUntil([&] { return std::filesystem::exists(marker); }, 10s));
    ASSERT_TRUE(test::waitUntil([&] { return readFile(marker).ends_with("|"); }, 10s));
    EXPECT_EQ(readFile(marker), "two words|--icon|launch-icon|Launch|");

    EXPECT_FALSE(d.workspace.openApplication({"x", "x", d.dir / "missing.desktop"}));
}

TEST(XdgWorkspace, aMailURLOpensOnlyWhenTheDesktopHasAMailHandler) {
    test::TempDir dir;
    auto received = dir / "received";
    writeScript(dir / "bin/mailer", "printf '%s' \"$1\" > " + received.string() + "\n");
    // xdg-open hands URLs to scheme handlers only in a graphical session.
    test::ScopedEnvironment env{{"HOME", dir.path().string()},
                                {"XDG_CONFIG_HOME", (dir / "config").string()},
                                {"XDG_DATA_HOME", (dir / "data").string()},
                                {"XDG_DATA_DIRS", (dir / "system").string()},
                                {"XDG_CONFIG_DIRS", (dir / "etc").string()},
                                {"XDG_CURRENT_DESKTOP", std::nullopt},
                                {"DESKTOP_SESSION", std::nullopt},
                                {"KDE_FULL_SESSION", std::nullopt},
                                {"GNOME_DESKTOP_SESSION_ID", std::nullopt},
                                {"DBUS_SESSION_BUS_ADDRESS", std::nullopt},
                                {"BROWSER", std::nullopt},
                                {"DISPLAY", ":97"}};
    XdgWorkspace workspace({{dir / "data/applications"}, {}, "/proc"});
    std::vector<std::string> clipboard;
    auto copy = [&](const std::string& text) { clipboard.push_back(text); };
    auto mail =
        SupportContact::reportBug(SupportContact::currentDiagnostics(linuxSystemFacts(), false));

    EXPECT_EQ(XdgWorkspace::defaultHandler("mailto"), "");
    EXPECT_EQ(SupportContact::sendMail(mail, workspace, copy),
              SupportContact::MailResult::addressCopied);
    EXPECT_EQ(clipboard, std::vector<std::string>{SupportContact::supportAddress});

    writeFile(dir / "data/applications/mailer.desktop",
              "[Desktop Entry]\nType=Application\nName=Mailer\nExec=" +
                  (dir / "bin/mailer").string() + " %u\nMimeType=x-scheme-handler/mailto;\n");
    writeFile(dir / "config/mimeapps.list",
              "[Default Applications]\nx-scheme-handler/mailto=mailer.desktop\n");
    EXPECT_EQ(XdgWorkspace::defaultHandler("mailto"), "mailer.desktop");
    EXPECT_EQ(SupportContact::sendMail(mail, workspace, copy), SupportContact::MailResult::opened);
    ASSERT_TRUE(test::waitUntil([&] { return std::filesystem::exists(received); }, 10s));
    ASSERT_TRUE(test::waitUntil([&] { return !readFile(received).empty(); }, 10s));
    EXPECT_EQ(readFile(received), SupportContact::mailtoURL(mail.subject, mail.body));
    EXPECT_EQ(clipboard.size(), 1u);
}

TEST(LinuxSystemFacts, namesTheDistributionKernelAndMachine) {
    EXPECT_EQ(distributionName("NAME=\"Debian GNU/Linux\"\nVERSION_ID=\"12\"\n"
                               "PRETTY_NAME=\"Debian GNU/Linux 12 (bookworm)\"\n"),
              "Debian GNU/Linux 12 (bookworm)");
    EXPECT_EQ(distributionName("# made by hand\nNAME='Arch Linux'\nVERSION=rolling\n"),
              "Arch Linux rolling");
    EXPECT_EQ(distributionName("PRETTY_NAME=\"Say \\\"hi\\\"\"\n"), "Say \"hi\"");
    EXPECT_EQ(distributionName("garbage\n=\n"), "");

    test::TempDir dir;
    writeFile(dir / "os-release", "PRETTY_NAME=\"Test OS 1\"\n");
    auto facts = linuxSystemFacts(dir / "missing", dir / "os-release");
    EXPECT_EQ(facts.distribution, "Test OS 1");
    EXPECT_FALSE(facts.kernel.empty());
    EXPECT_FALSE(facts.architecture.empty());
}
