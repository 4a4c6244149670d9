// Process entry: reads the arguments and hands over. A command word goes to the running Corvale,
// --render draws the views into files, and no argument runs Corvale in the desktop session.

#include "app/linux/CommandClient.h"
#include "app/linux/Launch.h"
#include "core/BuildStamp.h"
#include "silence/CommandLine.h"

#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

namespace {

constexpr const char* usageHead =
    "Usage: corvale [--help | --version]\n"
    "       corvale COMMAND\n"
    "\n"
    "Corvale gives every application's notifications a signal of its own: it\n"
    "watches the notifications your desktop shows and plays, flashes and records\n"
    "each one by your rules. Started without a command, it runs in your session;\n"
    "when it already runs there, its settings window opens instead.\n"
    "\n"
    "Commands, sent to the running Corvale:\n";
constexpr const char* usageTail =
    "\n"
    "Options:\n"
    "  --help       show this help and exit\n"
    "  --version    show the version and exit\n"
    "  --render DIR draw the tray icon and the screen flash into PNG files in DIR\n"
    "               (the current folder when DIR is left out)\n"
    "\n"
    "Environment:\n"
    "  CORVALE_DEBUG_LOG=1   write a debug log to standard output and to\n"
    "                        $XDG_DATA_HOME/Corvale/corvale.log\n";

} // namespace

int main(int argc, char** argv) {
    using namespace corvale;
    if (argc > 1 && CommandLine::isCommandWord(argv[1])) {
        return runCommand(std::vector<std::string>(argv + 1, argv + argc));
    }
    for (int i = 1; i < argc; ++i) {
        std::string_view arg = argv[i];
        if (arg == "--help" || arg == "-h") {
            std::fputs(usageHead, stdout);
            std::fputs(CommandLine::usage, stdout);
            std::fputs(usageTail, stdout);
            return 0;
        }
        if (arg == "--version") {
            std::printf("corvale %s\n", BuildStamp::version);
            return 0;
        }
        if (arg == "--render") {
            return runRender(argc, argv, i + 1 < argc ? argv[i + 1] : ".");
        }
        std::fprintf(stderr, "corvale: unknown argument '%s' (see corvale --help)\n", argv[i]);
        return 2;
    }
    return runDesktop(argc, argv);
}
