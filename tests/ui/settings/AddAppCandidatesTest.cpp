#include "ui/settings/AddAppCandidates.h"

#include <gtest/gtest.h>

using namespace corvale;
using namespace corvale::AddAppCandidates;

namespace {

std::vector<std::string> shown(const std::vector<Row>& rows) {
    std::vector<std::string> out;
    for (const auto& row : rows) {
        out.push_back(row.choosable() ? row.name : "# " + row.title);
    }
    return out;
}

const std::vector<InstalledApp> installed{{"Thunderbird", "/icons/thunderbird.png"},
                                          {"firefox", std::nullopt},
                                          {"Element", std::nullopt},
                                          {"slack", "/icons/slack.png"},
                                          {"Firefox", std::nullopt},
                                          {"  ", std::nullopt}};

TEST(AddAppCandidates, seenAppsComeFirstUnderTheirExactNamesThenInstalledOnes) {
    const std::vector<std::string> seen{"Slack", "backup-status", " Discord\n", "slack", "", " * "};
    auto rows = AddAppCandidates::rows(seen, installed, {"Mail"}, "");
    EXPECT_EQ(shown(rows), (std::vector<std::string>{"# Seen in notifications", "backup-status",
                                                     "Discord", "Slack", "# Installed applications",
                                                     "Element", "firefox", "Thunderbird"}));
    // The seen spelling is what rules match; the installed duplicate "slack" is dropped and lends
    // the seen row its icon.
    EXPECT_EQ(rows[3].kind, Row::Kind::seen);
    EXPECT_EQ(rows[3].icon, std::optional<std::filesystem::path>("/icons/slack.png"));
    EXPECT_EQ(rows[2].icon, std::nullopt);
    EXPECT_EQ(rows.back().icon, std::optional<std::filesystem::path>("/icons/thunderbird.png"));
    EXPECT_EQ(rows[5].kind, Row::Kind::installed);
}

TEST(AddAppCandidates, configuredAppsAreLeftOutAndHeadingsOnlyHeadSomething) {
    auto rows = AddAppCandidates::rows({"Slack", "MAIL"}, installed, {" mail", "Slack"}, "");
    EXPECT_EQ(shown(rows), (std::vector<std::string>{"# Installed applications", "Element",
                                                     "firefox", "Thunderbird"}));
    EXPECT_TRUE(AddAppCandidates::rows({}, {}, {}, "").empty());
}

TEST(AddAppCandidates, filterKeepsMatchesAndOffersATypedNameOfItsOwn) {
    const std::vector<std::string> seen{"Slack", "Signal"};
    struct Case {
        std::string filter;
        std::vector<std::string> expected;
    } cases[] = {
        {"S", {"# Seen in notifications", "Signal", "Slack", "Add \u201CS\u201D by name"}},
        {"  fire", {"# Installed applications", "firefox", "Add \u201Cfire\u201D by name"}},
        // The typed name is an existing one (any case): no row of its own.
        {"SLACK ", {"# Seen in notifications", "Slack"}},
        {"element", {"# Installed applications", "Element"}},
        {"Backup Daemon", {"Add \u201CBackup Daemon\u201D by name"}},
        // "*" names the default rule: a note says why it cannot be added.
        {" * ", {"That name can't be an application's."}},
        {"   ",
         {"# Seen in notifications", "Signal", "Slack", "# Installed applications", "Element",
          "firefox", "Thunderbird"}},
    };
    for (const auto& c : cases) {
        auto rows = AddAppCandidates::rows(seen, installed, {}, c.filter);
        std::vector<std::string> titles;
        for (const auto& row : rows) {
            titles.push_back(row.kind == Row::Kind::seen || row.kind == Row::Kind::installed
                                 ? row.name
                                 : (row.kind == Row::Kind::heading ? "# " : "") + row.title);
        }
        EXPECT_EQ(titles, c.expected) << "filter '" << c.filter << "'";
    }
    auto typed = AddAppCandidates::rows(seen, installed, {}, "  Backup Daemon ");
    ASSERT_EQ(typed.size(), 1u);
    EXPECT_EQ(typed[0].name, "Backup Daemon");
    EXPECT_EQ(typed[0].kind, Row::Kind::typed);
    EXPECT_FALSE(AddAppCandidates::rows(seen, installed, {}, "*")[0].choosable());
}

} // namespace
