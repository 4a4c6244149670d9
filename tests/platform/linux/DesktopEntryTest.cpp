#include "platform/linux/DesktopEntry.h"
#include "platform/linux/DesktopEntryIndex.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

using namespace corvale;
using test::writeFile;
using Words = std::vector<std::string>;

TEST(DesktopEntry, readsGroupsLocalisedKeysEscapesAndLists) {
    auto entry = DesktopEntry::parse("# comment\n"
                                     "[Desktop Entry]\n"
                                     "Name = Files \n"
                                     "Name[de]=Dateien\n"
                                     "Name[de_AT]=Dateien (AT)\n"
                                     "Name[sr@latin]=Datoteke\n"
                                     "Comment=\\sTwo\\nlines\\tand a \\\\ back\n"
                                     "Keywords=folder;a\\;b;last\n"
                                     "NoDisplay=true\n"
                                     "Terminal=True\n"
                                     "Name=Second value ignored\n"
                                     "\n"
                                     "[Desktop Action new]\n"
                                     "Name=New Window\n");
    ASSERT_TRUE(entry.has_value());
    EXPECT_EQ(entry->string("Name"), "Files");
    EXPECT_EQ(entry->localeString("Name", "de_AT.UTF-8"), "Dateien (AT)");
    EXPECT_EQ(entry->localeString("Name", "de_CH.UTF-8"), "Dateien");
    EXPECT_EQ(entry->localeString("Name", "sr_RS@latin"), "Datoteke");
    EXPECT_EQ(entry->localeString("Name", "fr_FR.UTF-8"), "Files");
    EXPECT_EQ(entry->localeString("Name", "C"), "Files");
    EXPECT_EQ(entry->string("Comment"), " Two\nlines\tand a \\ back");
    EXPECT_EQ(entry->list("Keywords"), (Words{"folder", "a;b", "last"}));
    EXPECT_TRUE(entry->boolean("NoDisplay"));
    EXPECT_FALSE(entry->boolean("Terminal")) << "only the exact word true";
    EXPECT_EQ(entry->string("Name", "Desktop Action new"), "New Window");
    EXPECT_FALSE(entry->string("Exec").has_value());

    EXPECT_FALSE(DesktopEntry::parse("Name=before any group\n[Desktop Entry]\n"));
    EXPECT_FALSE(DesktopEntry::parse("[Desktop Entry]\nno equals sign\n"));
    EXPECT_FALSE(DesktopEntry::parse("[Desktop Entry]\nBad Key=1\n"));
    EXPECT_FALSE(DesktopEntry::parse("[Desktop Entry\nName=x\n"));
    EXPECT_FALSE(DesktopEntry::load("/nonexistent/x.desktop"));
}

TEST(DesktopEntry, execQuotingAndFieldCodes) {
    EXPECT_EQ(DesktopEntry::splitExec(R"(app "two words" "q\"x\`y\$z\\w" plain)"),
              (Words{"app", "two words", "q\"x`y$z\\w", "plain"}));
    EXPECT_EQ(DesktopEntry::splitExec("  a\t b  "), (Words{"a", "b"}));
    EXPECT_EQ(DesktopEntry::splitExec(R"(app "" end)"), (Words{"app", "", "end"}));
    EXPECT_FALSE(DesktopEntry::splitExec(R"(app "unterminated)"));

    auto entry = DesktopEntry::parse("[Desktop Entry]\nName=Mail\nName[de]=Post\nIcon=mail-app\n"
                                     "Exec=\"/opt/my apps/mail\" %U --title=%c %i 100%% %k\n");
    ASSERT_TRUE(entry);
    EXPECT_EQ(entry->launchCommand("de_DE.UTF-8", "/x/mail.desktop"),
              (Words{"/opt/my apps/mail", "--title=Post", "--icon", "mail-app", "100%",
                     "/x/mail.desktop"}));
    for (const char* bad :
         {"Exec=app %z\n", "Exec=app 50%\n", "Exec=\n", "Exec=%f\n", "Name=x\n"}) {
        auto broken = DesktopEntry::parse(std::string("[Desktop Entry]\n") + bad);
        ASSERT_TRUE(broken) << bad;
        EXPECT_FALSE(broken->launchCommand("C", "/x.desktop")) << bad;
    }

    // What we write comes back as it was, through both layers of escaping.
    for (std::string arg :
         {"/usr/bin/corvale", "/home/a b/it's \"q\" $HOME `x`\\back 100%/corvale", " lead"}) {
        auto written = "[Desktop Entry]\nExec=" +
                       DesktopEntry::escapeValue(DesktopEntry::quoteExecArgument(arg)) + " end\n";
        auto read = DesktopEntry::parse(written);
        ASSERT_TRUE(read) << written;
        EXPECT_EQ(read->launchCommand("C", "/x"), (Words{arg, "end"})) << written;
    }
}

TEST(DesktopEntryIndex, userFolderFirstHiddenHidesAndIdsFollowSubfolders) {
    test::TempDir dir;
    auto user = dir / "home/applications";
    auto system = dir / "usr/applications";
    writeFile(user / "editor.desktop",
              "[Desktop Entry]\nType=Application\nName=My Editor\nExec=myedit\n");
    writeFile(system / "editor.desktop",
              "[Desktop Entry]\nType=Application\nName=System Editor\nExec=edit\n");
    writeFile(user / "player.desktop", "[Desktop Entry]\nType=Application\nName=P\nHidden=true\n");
    writeFile(system / "player.desktop",
              "[Desktop Entry]\nType=Application\nName=Player\nExec=play\n");
    writeFile(system / "kde/konsole.desktop",
              "[Desktop Entry]\nType=Application\nName=Konsole\nName[fr]=Terminal KDE\nExec=k\n");
    writeFile(system / "link.desktop", "[Desktop Entry]\nType=Link\nName=Site\nURL=https://x\n");
    writeFile(system / "broken.desktop", "not a desktop entry\n");
    writeFile(system / "notes.txt", "[Desktop Entry]\nType=Application\nName=Notes\n");

    DesktopEntryIndex index({user, dir / "missing", system}, "fr_FR.UTF-8");
    Words ids;
    for (const auto& app : index.applications()) {
        ids.push_back(app.id);
    }
    std::sort(ids.begin(), ids.end());
    EXPECT_EQ(ids, (Words{"editor", "kde-konsole"}));
    ASSERT_NE(index.withID("editor"), nullptr);
    EXPECT_EQ(index.withID("editor")->name, "My Editor");
    EXPECT_EQ(index.withID("player"), nullptr) << "hidden by the user's entry";

    ASSERT_NE(index.named(" terminal kde "), nullptr);
    EXPECT_EQ(index.named("Konsole")->id, "kde-konsole") << "the unlocalised name counts too";
    EXPECT_EQ(index.named("KDE-KONSOLE")->id, "kde-konsole") << "and the ID";
    EXPECT_EQ(index.named("System Editor"), nullptr) << "the system's entry is shadowed";
    EXPECT_EQ(index.named(""), nullptr);
}
