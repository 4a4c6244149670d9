#include "platform/SupportContact.h"
#include "core/BuildStamp.h"
#include "support/FakeWorkspace.h"

#include <gtest/gtest.h>

using namespace corvale;

namespace {

SupportContact::Diagnostics sample(bool access) {
    return {"1.4.2", "87", {"Debian GNU/Linux 12 (bookworm)", "6.1.0-18-amd64", "x86_64"}, access};
}

std::string queryValue(const std::string& url, const std::string& name) {
    auto start = url.find("&" + name + "=");
    if (start == std::string::npos) {
        return "<missing>";
    }
    start += name.size() + 2;
    auto end = url.find('&', start);
    return url.substr(start, end == std::string::npos ? std::string::npos : end - start);
}

} // namespace

TEST(SupportContact, diagnosticsBlockNamesTheSystemAndThePermissionAndEndsEveryMail) {
    const auto block = SupportContact::diagnosticsBlock(sample(true));
    EXPECT_NE(block.find("Corvale 1.4.2 (build 87)\nDebian GNU/Linux 12 (bookworm), Linux "
                         "6.1.0-18-amd64 (x86_64)\n"),
              std::string::npos)
        << block;
    EXPECT_TRUE(block.ends_with("\nNotification access: granted")) << block;
    auto denied = SupportContact::diagnosticsBlock(sample(false));
    EXPECT_TRUE(denied.ends_with("\nNotification access: not granted")) << denied;
    auto unnamed = sample(true);
    unnamed.system.distribution.clear();
    EXPECT_NE(SupportContact::diagnosticsBlock(unnamed).find("\nLinux 6.1.0-18-amd64 (x86_64)\n"),
              std::string::npos);
    auto current = SupportContact::currentDiagnostics({}, true);
    EXPECT_EQ(current.appVersion, BuildStamp::version);
    EXPECT_FALSE(current.build.empty());

    for (const auto& mail :
         {SupportContact::emailSupport(sample(true)), SupportContact::reportBug(sample(true))}) {
        EXPECT_NE(mail.subject.find("(v1.4.2)"), std::string::npos) << mail.subject;
        EXPECT_TRUE(mail.body.ends_with("\n\n\n" + block)) << mail.body;
    }
}

TEST(SupportContact, mailtoURLKeepsEveryTextInsideItsParameter) {
    auto url = SupportContact::mailtoURL("Q&A + more=less? #1", "Line 1\nCafé 100%\t/ok:@");
    ASSERT_TRUE(url.has_value());
    EXPECT_TRUE(url->starts_with(std::string("mailto:") + SupportContact::supportAddress +
                                 "?cc=" + SupportContact::copyAddress + "&subject="))
        << *url;
    EXPECT_EQ(queryValue(*url, "subject"), "Q%26A%20%2B%20more%3Dless%3F%20%231");
    EXPECT_EQ(queryValue(*url, "body"), "Line%201%0ACaf%C3%A9%20100%25%09/ok:@");
    EXPECT_EQ(url->find('#'), std::string::npos);
    EXPECT_EQ(std::count(url->begin(), url->end(), '&'), 2) << *url;

    EXPECT_EQ(SupportContact::mailtoURL("", ""),
              std::string("mailto:") + SupportContact::supportAddress +
                  "?cc=" + SupportContact::copyAddress + "&subject=&body=");
    EXPECT_FALSE(SupportContact::mailtoURL("ok", "broken \xC3 text").has_value());
    EXPECT_FALSE(SupportContact::mailtoURL("\xFF", "ok").has_value());
}

TEST(SupportContact, sendMailFallsBackToTheClipboardWheneverNoMailProgramOpens) {
    test::FakeWorkspace ws;
    std::vector<std::string> clipboard;
    auto copy = [&](const std::string& text) { clipboard.push_back(text); };
    auto mail = SupportContact::emailSupport(sample(true));

    EXPECT_EQ(SupportContact::sendMail(mail, ws, copy), SupportContact::MailResult::opened);
    ASSERT_EQ(ws.urls.size(), 1u);
    EXPECT_EQ(ws.urls[0], SupportContact::mailtoURL(mail.subject, mail.body));
    EXPECT_TRUE(clipboard.empty());

    ws.urlsOpen = false;
    EXPECT_EQ(SupportContact::sendMail(mail, ws, copy), SupportContact::MailResult::addressCopied);
    EXPECT_EQ(clipboard, std::vector<std::string>{SupportContact::supportAddress});

    // A text that makes no URL never reaches the opener.
    EXPECT_EQ(SupportContact::sendMail({"bad \xC3", "body"}, ws, copy),
              SupportContact::MailResult::addressCopied);
    EXPECT_EQ(ws.urls.size(), 2u);
    EXPECT_NE(SupportContact::mailFallbackAlert().text.find(SupportContact::supportAddress),
              std::string::npos)
        << "the alert names the address it copied";
}
