// Process entry. The automation commands (mute, unmute, snooze, resume, focus) only broadcast to
// the running program and exit: they never take the instance lock, migrate folders or touch the
// log. Otherwise: read the debug-log switch, make sure only one Corvale runs in the session, move
// an earlier release's data, wire the Linux adapters into the application object and run the Qt
// event loop until SIGINT or SIGTERM.

#include "core/AppDelegate.h"
#include "core/Log.h"
#include "core/SupportPaths.h"
#include "core/linux/DbusBroadcast.h"
#include "core/linux/InstallPaths.h"
#include "core/linux/JsonFilePreferences.h"
#include "core/linux/QtScheduler.h"
#include "core/linux/QuitOnSignals.h"
#include "core/linux/SingleInstanceLock.h"
#include "core/linux/SystemLog.h"
#include "detect/linux/DbusBannerTree.h"
#include "signals/SoundLibrary.h"
#include "signals/linux/CanberraSoundPlayer.h"
#include "signals/linux/FfmpegAudioDecoder.h"
#include "signals/linux/PulseAudioEngine.h"
#include "silence/CommandLine.h"
#include "silence/CorvaleFocusFilter.h"
#include "silence/linux/DesktopDoNotDisturb.h"
#include "silence/linux/X11Keyboard.h"
#include "store/RuleStore.h"
#include "ui/menubar/StatusMenus.h"
#include "ui/menubar/views/DesktopSettings.h"
#include "ui/menubar/views/MenuPopovers.h"
#include "ui/menubar/views/MenuRender.h"

#include <QApplication>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

namespace {

using namespace corvale;

constexpr const char* usageHead =
    "Usage: corvale [--help | --version]\n"
    "       corvale COMMAND\n"
    "\n"
    "Corvale gives every application's notifications a signal of its own: it\n"
    "watches the notifications your desktop shows and plays, flashes and records\n"
    "each one by your rules. Started without a command, it runs in your session.\n"
    "\n"
    "Commands, sent to the running Corvale:\n";
constexpr const char* usageTail =
    "\n"
    "Options:\n"
    "  --help       show this help and exit\n"
    "  --version    show the version and exit\n"
    "\n"
    "Environment:\n"
    "  CORVALE_DEBUG_LOG=1   write a debug log to standard output and to\n"
    "                        $XDG_DATA_HOME/Corvale/corvale.log\n";

void focusSystemLog(const std::string& message) {
    systemLog(CorvaleFocusFilter::logSubsystem, CorvaleFocusFilter::logCategory, message);
}

int runCommand(const std::vector<std::string>& words) {
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
    JsonFilePreferences preferences(JsonFilePreferences::defaultFile(*config), nullptr);
    DbusBroadcast broadcast(
        [](const std::string& line) { std::fprintf(stderr, "corvale: %s\n", line.c_str()); });
    auto outcome = CommandLine::execute(*parsed.request, broadcast, preferences, focusSystemLog);
    broadcast.flush();
    if (!outcome.error.empty()) {
        std::fprintf(stderr, "%s\n", outcome.error.c_str());
    }
    return outcome.exitCode;
}

int runApplication(int argc, char** argv) {
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

    // Without a desktop session the program still watches and plays; it just shows no windows.
    if (!std::getenv("DISPLAY") && !std::getenv("WAYLAND_DISPLAY") &&
        !std::getenv("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QuitOnSignals quitOnSignals;
    QApplication app(argc, argv);
    QApplication::setApplicationName("corvale");
    QApplication::setQuitOnLastWindowClosed(false);
    quitOnSignals.attach();

    auto tones = installedDataFolder() / "sounds";
    auto userSounds = paths::dataHome();
    auto soundDirs = SoundLibrary::defaultDirs(
        "/usr/share/sounds/freedesktop/stereo",
        userSounds ? std::optional(*userSounds / "sounds") : std::nullopt, tones);
    std::vector<std::string> namedSoundFolders;
    for (const auto& dir : soundDirs) {
        namedSoundFolders.push_back(dir.string());
    }

    // The monitor is set up here, before the first start-up line reports whether we have it.
    DbusBannerTree bannerTree(logLine);
    QtScheduler scheduler;
    NotificationCenter center;
    DbusBroadcast broadcast(logLine);
    JsonFilePreferences preferences(JsonFilePreferences::defaultFile(*config), logLine);
    FfmpegAudioDecoder decoder;
    PulseAudioEngine audioEngine;
    CanberraSoundPlayer namedSounds(namedSoundFolders);
    X11Keyboard keyboard;

    AppDelegate delegate({scheduler, preferences, center, broadcast, bannerTree, decoder,
                          audioEngine, namedSounds, keyboard, focusSystemLog},
                         {*support, soundDirs});
    delegate.applicationDidFinishLaunching();
    StatusMenus menus(delegate, logLine);
    menus.setupStatusItem();
    if (auto openSettings = desktopNotificationSettingsOpener()) {
        menus.configModel().onOpenNotifSettings = openSettings;
        menus.configModel().onOpenAccessibilitySettings = openSettings;
    }
    MenuPopovers popovers(
        menus.configModel(),
        {menus.initialLens(), [&menus](PopoverLens lens) { menus.chooseLens(lens); }},
        {[&menus] { return menus.snoozeMinutes(); },
         [&delegate] { return delegate.prefs().accentTheme(); }},
        [] { return QRect(); });
    menus.attachHost(&popovers);
    DesktopDoNotDisturb doNotDisturb(
        [&delegate](bool on, bool initial) { delegate.desktopDoNotDisturbChanged(on, initial); },
        logLine);
    return QApplication::exec();
}

// Draws the views from sample data: no session, no user file, no lock.
int runRender(int argc, char** argv, const char* folder) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QApplication::setApplicationName("corvale");
    QString error;
    auto files = renderMenuViews(QString::fromLocal8Bit(folder), &error);
    for (const auto& file : files) {
        std::printf("%s\n", file.toLocal8Bit().constData());
    }
    if (!error.isEmpty()) {
        std::fprintf(stderr, "corvale: %s\n", error.toLocal8Bit().constData());
        return 1;
    }
    return 0;
}

} // namespace

int main(int argc, char** argv) {
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
            std::printf("corvale %s\n", CORVALE_VERSION);
            return 0;
        }
        if (arg == "--render") {
            if (i + 1 >= argc) {
                std::fprintf(stderr, "corvale: --render needs an output folder\n");
                return 2;
            }
            return runRender(argc, argv, argv[i + 1]);
        }
        std::fprintf(stderr, "corvale: unknown argument '%s' (see corvale --help)\n", argv[i]);
        return 2;
    }
    return runApplication(argc, argv);
}
