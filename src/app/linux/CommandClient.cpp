#include "app/linux/CommandClient.h"

#include "app/linux/RulesClient.h"
#include "core/SupportPaths.h"
#include "core/linux/DbusBroadcast.h"
#include "core/linux/JsonFilePreferences.h"
#include "core/linux/SessionBusName.h"
#include "core/linux/SystemLog.h"
#include "silence/CommandLine.h"
#include "silence/CorvaleFocusFilter.h"

#include <chrono>
#include <cstdio>

namespace corvale {

namespace {

int report(const CommandLine::Outcome& outcome) {
    if (!outcome.message.empty()) {
        std::printf("%s\n", outcome.message.c_str());
    }
    if (!outcome.error.empty()) {
        std::fprintf(stderr, "%s\n", outcome.error.c_str());
    }
    return outcome.exitCode;
}

} // namespace

void focusSystemLog(const std::string& message) {
    systemLog(CorvaleFocusFilter::logSubsystem, CorvaleFocusFilter::logCategory, message);
}

int runCommand(const std::vector<std::string>& words) {
    if (!words.empty() && words.front() == "rules") {
        return runRulesCommand({words.begin() + 1, words.end()});
    }
    auto parsed = CommandLine::parse(words);
    if (!parsed.request) {
        std::fprintf(stderr, "%s\n", parsed.error.c_str());
        return 2;
    }
    auto config = paths::configFolder();
    if (!config) {
        std::fprintf(
            stderr,
            "corvale: cannot find your configuration folder: set HOME or XDG_CONFIG_HOME\n");
        return 1;
    }
    JsonFilePreferences preferences(JsonFilePreferences::defaultFile(*config), nullptr, userNotice);
    DbusBroadcast broadcast(
        [](const std::string& line) { std::fprintf(stderr, "corvale: %s\n", line.c_str()); });
    auto outcome = CommandLine::execute(
        *parsed.request, broadcast, preferences, focusSystemLog,
        [&broadcast] { return SessionBusName::hasOwner(broadcast.connection()); },
        [&broadcast](const std::string& method, const std::vector<std::string>& args) {
            return SessionBusName::call(broadcast.connection(), method, args);
        });
    broadcast.flush();
    return report(outcome);
}

// It may be starting still: it takes its bus name only once it is ready to answer.
int openRunningInstance() {
    DbusBroadcast bus;
    return report(CommandLine::secondLaunch(
        [&bus](const std::string& method, const std::vector<std::string>& args) {
            return SessionBusName::call(bus.connection(), method, args, std::chrono::seconds(10));
        }));
}

} // namespace corvale
