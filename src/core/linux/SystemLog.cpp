#include "core/linux/SystemLog.h"

#include "core/Log.h"

#include <cstdio>
#include <syslog.h>
#include <systemd/sd-journal.h>

namespace corvale {

void systemLog(const std::string& subsystem, const std::string& category,
               const std::string& message) {
    int sent = sd_journal_send("MESSAGE=%s", message.c_str(), "PRIORITY=%i", LOG_NOTICE,
                               "SYSLOG_IDENTIFIER=corvale", "CORVALE_SUBSYSTEM=%s",
                               subsystem.c_str(), "CORVALE_CATEGORY=%s", category.c_str(), nullptr);
    if (sent < 0) {
        std::fprintf(stderr, "corvale [%s:%s] %s\n", subsystem.c_str(), category.c_str(),
                     message.c_str());
    }
}

void userNotice(const std::string& message) {
    const std::string text = debuglog::plainText(message);
    std::fprintf(stderr, "corvale: %s\n", text.c_str());
    std::fflush(stderr);
    sd_journal_send("MESSAGE=%s", text.c_str(), "PRIORITY=%i", LOG_WARNING,
                    "SYSLOG_IDENTIFIER=corvale", nullptr);
}

} // namespace corvale
