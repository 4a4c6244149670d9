// Process entry: reads the debug-log switch, answers --help/--version, makes sure only one Corvale
// runs in the session, moves an earlier release's data, then runs the application object on the Qt
// event loop until SIGINT or SIGTERM.

#include "core/AppDelegate.h"
#include "core/InMemoryBroadcast.h"
#include "core/Log.h"
#include "core/SupportPaths.h"
#include "core/linux/JsonFilePreferences.h"
#include "core/linux/QtScheduler.h"
#include "core/linux/QuitOnSignals.h"
#include "core/linux/SingleInstanceLock.h"
#include "store/RuleStore.h"

#include <QCoreApplication>
#include <cstdio>
#include <cstdlib>
#include <string_view>
#include <unistd.h>

namespace {

constexpr const char* usage =
    "Usage: corvale [--help | --version]\n"
    "\n"
    "Corvale gives every application's notifications a signal of its own: it\n"
    "watches the notifications your desktop shows and plays, flashes and records\n"
    "each one by your rules.\n"
    "\n"
    "  --help       show this help and exit\n"
    "  --version    show the version and exit\n"
    "\n"
    "Environment:\n"
    "  CORVALE_DEBUG_LOG=1   write a debug log to standard output and to\n"
    "                        $XDG_DATA_HOME/Corvale/corvale.log\n";

int runApplication(int argc, char** argv) {
    using namespace corvale;
    debuglog::configure(debuglog::switchFromEnvironment(std::getenv("CORVALE_DEBUG_LOG")), {});
    auto support = paths::supportFolder();
    auto config = paths::configFolder();
    if (!support || !config) {
        std::fprintf(stderr, "corvale: cannot find your data folder: set HOME or XDG_DATA_HOME\n");
        return 1;
    }
    debuglog::configure(debuglog::enabled(), (*support / "corvale.log").string());

    auto lockFolder = paths::runtimeDir().value_or(*support);
    std::error_code ec;
    std::filesystem::create_directories(lockFolder, ec);
    SingleInstanceLock lock(lockFolder / "corvale.lock");
    if (!lock.acquired()) {
        std::fprintf(stderr, "corvale: %s\n", lock.problem().c_str());
        return 1;
    }

    if (auto legacy = paths::legacySupportFolder()) {
        RuleStore::migrateSupportDir(*legacy, *support, logLine);
    }

    QuitOnSignals quitOnSignals;
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName("corvale");
    quitOnSignals.attach();

    QtScheduler scheduler;
    NotificationCenter center;
    InMemoryBroadcast broadcast;
    JsonFilePreferences preferences(JsonFilePreferences::defaultFile(*config), logLine);
    AppDelegate delegate({scheduler, preferences, center, broadcast}, *support);
    delegate.applicationDidFinishLaunching();
    return QCoreApplication::exec();
}

} // namespace

int main(int argc, char** argv) {
    for (int i = 1; i < argc; ++i) {
        std::string_view arg = argv[i];
        if (arg == "--help" || arg == "-h") {
            std::fputs(usage, stdout);
            return 0;
        }
        if (arg == "--version") {
            std::printf("corvale %s\n", CORVALE_VERSION);
            return 0;
        }
        if (arg == "--render") {
            const char* folder = i + 1 < argc ? argv[i + 1] : ".";
            std::fprintf(stderr,
                         "corvale: the screenshot render mode is not part of this build (output "
                         "folder %s)\n",
                         folder);
            return 2;
        }
        std::fprintf(stderr, "corvale: unknown argument '%s' (see corvale --help)\n", argv[i]);
        return 2;
    }
    return runApplication(argc, argv);
}
