#pragma once

#include "platform/Dialogs.h"
#include "platform/Workspace.h"

#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace corvale {

// The operating system as the diagnostics block names it.
struct SystemFacts {
    std::string distribution; // for example "Debian GNU/Linux 12 (bookworm)"; may be empty
    std::string kernel;       // the kernel release
    std::string architecture; // the machine, for example "x86_64"
};

// A pre-filled support e-mail and where its links lead.
struct SupportContact {
    struct Diagnostics {
        std::string appVersion;
        std::string build;
        SystemFacts system;
        bool accessibility = false; // whether we may read the desktop's notifications
    };
    struct Mail {
        std::string subject;
        std::string body;
    };
    enum class MailResult { opened, addressCopied };

    static constexpr const char* supportAddress = "support@corvale.app";
    static constexpr const char* copyAddress = "help@corvale.app";
    static constexpr const char* websiteURL = "https://corvale.app";
    static constexpr const char* privacyURL = "https://corvale.app/privacy";
    static constexpr const char* termsURL = "https://corvale.app/terms";

    static Diagnostics currentDiagnostics(SystemFacts system, bool accessibility);
    static std::string diagnosticsBlock(const Diagnostics& diagnostics);
    static Mail emailSupport(const Diagnostics& diagnostics);
    static Mail reportBug(const Diagnostics& diagnostics);

    // None when the texts cannot be encoded (they are not UTF-8).
    static std::optional<std::string> mailtoURL(std::string_view subject, std::string_view body);

    // Opens the mail in the user's mail program; when that cannot be done, puts the support
    // address on the clipboard instead, and the caller shows `mailFallbackAlert`.
    static MailResult sendMail(const Mail& mail, Workspace& workspace,
                               const std::function<void(const std::string&)>& copyToClipboard);
    static AlertSpec mailFallbackAlert();
};

} // namespace corvale
