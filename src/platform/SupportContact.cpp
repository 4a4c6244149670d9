#include "platform/SupportContact.h"

#include "core/BuildStamp.h"
#include "core/Text.h"

namespace corvale {

namespace {

// The characters a URL query keeps as they are, less those that would end or split a parameter.
bool keptInQuery(unsigned char c) {
    if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9')) {
        return true;
    }
    return std::string_view("-._~!$'()*,;:@/").find(static_cast<char>(c)) != std::string_view::npos;
}

std::optional<std::string> percentEncoded(std::string_view text) {
    if (validUtf8(text) != text) {
        return std::nullopt;
    }
    static constexpr char hex[] = "0123456789ABCDEF";
    std::string out;
    out.reserve(text.size());
    for (unsigned char c : text) {
        if (keptInQuery(c)) {
            out += static_cast<char>(c);
        } else {
            out += '%';
            out += hex[c >> 4];
            out += hex[c & 0x0F];
        }
    }
    return out;
}

} // namespace

SupportContact::Diagnostics SupportContact::currentDiagnostics(SystemFacts system,
                                                               bool accessibility) {
    return {BuildStamp::version, BuildStamp::build, std::move(system), accessibility};
}

std::string SupportContact::diagnosticsBlock(const Diagnostics& d) {
    std::string os = "Linux " + d.system.kernel;
    if (!d.system.distribution.empty()) {
        os = d.system.distribution + ", " + os;
    }
    return "--- Diagnostics (please keep this) ---\nCorvale " + d.appVersion + " (build " +
           d.build + ")\n" + os + " (" + d.system.architecture +
           ")\nNotification access: " + (d.accessibility ? "granted" : "not granted");
}

SupportContact::Mail SupportContact::emailSupport(const Diagnostics& d) {
    return {"Corvale support (v" + d.appVersion + ")",
            "How can we help?\n\n\n" + diagnosticsBlock(d)};
}

SupportContact::Mail SupportContact::reportBug(const Diagnostics& d) {
    return {"Corvale bug report (v" + d.appVersion + ")",
            "What happened, and what did you expect instead?\n\n\nSteps to reproduce (if you know "
            "them):\n\n\n" +
                diagnosticsBlock(d)};
}

std::optional<std::string> SupportContact::mailtoURL(std::string_view subject,
                                                     std::string_view body) {
    auto encodedSubject = percentEncoded(subject);
    auto encodedBody = percentEncoded(body);
    if (!encodedSubject || !encodedBody) {
        return std::nullopt;
    }
    return std::string("mailto:") + supportAddress + "?cc=" + copyAddress +
           "&subject=" + *encodedSubject + "&body=" + *encodedBody;
}

SupportContact::MailResult
SupportContact::sendMail(const Mail& mail, Workspace& workspace,
                         const std::function<void(const std::string&)>& copyToClipboard) {
    if (auto url = mailtoURL(mail.subject, mail.body); url && workspace.openURL(*url)) {
        return MailResult::opened;
    }
    if (copyToClipboard) {
        copyToClipboard(supportAddress);
    }
    return MailResult::addressCopied;
}

AlertSpec SupportContact::mailFallbackAlert() {
    return {"Couldn't Open Your Email App",
            std::string("Please email us at ") + supportAddress +
                " - the address has been copied to your clipboard.",
            {"OK"}};
}

} // namespace corvale
