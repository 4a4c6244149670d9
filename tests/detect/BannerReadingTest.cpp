#include "detect/BannerReading.h"
#include "core/AppMatch.h"
#include "support/InMemoryBannerTree.h"

#include <gtest/gtest.h>

namespace corvale {
namespace {

using test::InMemoryBannerTree;

TEST(BannerReading, extractReadsOnlyStaticTextChildrenByIdentifier) {
    InMemoryBannerTree tree;
    auto root = tree.root(7);
    auto banner = tree.addElement(root);
    tree.set(banner, "AXSubrole", std::string("AXNotificationCenterBanner"));
    tree.set(banner, "AXIdentifier", std::string("uuid-1"));
    tree.set(banner, "AXDescription", std::string("Mail, New message, Hello"));
    tree.addText(banner, "title", std::string("first title"));
    tree.addText(banner, "title", std::string("Hello"));
    tree.addText(banner, "subtitle", 42.0);
    tree.addText(banner, "body", std::string("not text"), "AXButton");
    tree.addText(banner, "footer", std::string("ignored"));
    auto group = tree.addElement(banner);
    tree.addText(group, "body", std::string("too deep"));

    const auto now = timePointFromSeconds(1'700'000'000.5);
    auto n = extract(tree, banner, now);
    EXPECT_EQ(n.uuid, "uuid-1");
    EXPECT_EQ(n.appName, "Mail");
    EXPECT_EQ(n.title, "Hello") << "a later child with the same identifier wins";
    EXPECT_EQ(n.subtitle, "42") << "a number value is read as its decimal text";
    EXPECT_EQ(n.body, "") << "neither a button nor a grandchild sets the body";
    EXPECT_EQ(n.kind, ObservedNotification::Kind::single);
    EXPECT_EQ(n.timestamp, now);

    tree.set(banner, "AXSubrole", std::string("AXNotificationCenterBannerStack"));
    tree.set(banner, "AXDescription", 3.0);
    tree.set(banner, "AXIdentifier", std::vector<BannerElement>{});
    n = extract(tree, banner, now);
    EXPECT_EQ(n.kind, ObservedNotification::Kind::stack);
    EXPECT_EQ(n.uuid, "") << "an identifier that is not text or number counts as missing";
    EXPECT_EQ(n.appName, "3");

    tree.set(banner, "AXSubrole", std::string("AXGroup"));
    EXPECT_EQ(extract(tree, banner, now).kind, ObservedNotification::Kind::unknown);
    EXPECT_EQ(extract(tree, BannerElement{999}, now).uuid, "")
        << "a vanished element reads as empty";
}

TEST(BannerReading, numbersReadAsDecimalText) {
    InMemoryBannerTree tree;
    auto element = tree.addElement(tree.root(1));
    const std::pair<double, const char*> cases[] = {{0.5, "0.5"}, {-3.0, "-3"}, {1e20, "1e+20"}};
    for (const auto& [number, text] : cases) {
        tree.set(element, "AXValue", number);
        EXPECT_EQ(axString(tree, element, "AXValue"), text);
    }
    tree.set(element, "AXValue", std::vector<BannerElement>{{1}});
    EXPECT_EQ(axString(tree, element, "AXValue"), std::nullopt);
    tree.set(element, "AXChildren", std::string("not a list"));
    EXPECT_TRUE(axChildren(tree, element).empty());
}

TEST(BannerReading, sourceAppFromDescription) {
    EXPECT_EQ(sourceAppFromDescription("Stacked summary: Calendar, 2 more"), "Calendar");
    EXPECT_EQ(sourceAppFromDescription("stacked SUMMARY:Calendar"), "Calendar");
    EXPECT_EQ(sourceAppFromDescription(", Mail"), "Mail");
    EXPECT_EQ(sourceAppFromDescription(" \tSlack , hi"), "Slack");
    EXPECT_EQ(sourceAppFromDescription(""), "");
    EXPECT_EQ(sourceAppFromDescription(" ,, "), "");
    EXPECT_EQ(sourceAppFromDescription("Stacked summary:"), "");
    EXPECT_EQ(sourceAppFromDescription("\nMail"), "\nMail") << "line breaks are not trimmed";
    EXPECT_EQ(sourceAppFromDescription("Café Ünïcode, x"), "Café Ünïcode");
}

TEST(BannerReading, collectBannersStopsAtBannersAndBelowTheDepthLimit) {
    InMemoryBannerTree tree;
    auto root = tree.root(5);
    auto first = tree.addBanner(root, "a", "A", "", "");
    // A banner inside a banner is part of the outer one, not a banner of its own.
    tree.addBanner(first, "inner", "A", "", "");
    auto element = root;
    BannerElement deepest{};
    for (int depth = 1; depth <= 19; ++depth) {
        element = tree.addElement(element);
        if (depth == 17) {
            deepest = tree.addBanner(element, "at-18", "B", "", "");
        }
        if (depth == 18) {
            tree.addBanner(element, "at-19", "C", "", "");
        }
    }
    auto stack =
        tree.addBanner(root, "s", "Stacked summary: D", "", "", "AXNotificationCenterBannerStack");

    std::vector<BannerElement> found;
    collectBanners(tree, root, 0, found);
    EXPECT_EQ(found, (std::vector<BannerElement>{first, deepest, stack}))
        << "the banner at level 18 is found, the one at level 19 and the nested one are not";
}

TEST(AppMatch, matchesWholeNamesIgnoringCaseAndSurroundingSpace) {
    const std::vector<std::string> running{"Safari", "Slack Helper", " slack ", "Slack"};
    EXPECT_EQ(AppMatch::bestRunningMatch("  SLACK\n", running), 2u) << "the first equal name wins";
    EXPECT_EQ(AppMatch::bestRunningMatch("Slac", running), std::nullopt) << "no prefix matching";
    EXPECT_EQ(AppMatch::bestRunningMatch("Helper", running), std::nullopt);
    EXPECT_EQ(AppMatch::bestRunningMatch(" \t", running), std::nullopt);
    EXPECT_EQ(AppMatch::bestRunningMatch("", {""}), std::nullopt);
}

} // namespace
} // namespace corvale
