// Process entry. The automation commands (mute, unmute, snooze, resume, focus, settings,
// dashboard) only reach the running program and exit: they never take the instance lock, migrate
// folders or touch the log. A launch that finds Corvale running asks it to open its settings
// window and exits. Otherwise: read the debug-log switch, make sure only one Corvale runs in the
// session, move an earlier release's data, wire the Linux adapters into the application object and
// run the Qt event loop until SIGINT or SIGTERM (SIGHUP reloads the rules).

#include "core/AppDelegate.h"
#include "core/Log.h"
#include "core/SupportPaths.h"
#include "core/linux/DbusBroadcast.h"
#include "core/linux/InstallPaths.h"
#include "core/linux/JsonFilePreferences.h"
#include "core/linux/QtScheduler.h"
#include "core/linux/QuitOnSignals.h"
#include "core/linux/SessionBusName.h"
#include "core/linux/SingleInstanceLock.h"
#include "core/linux/SystemLog.h"
#include "detect/linux/DbusBannerTree.h"
#include "library/CustomSoundStore.h"
#include "library/linux/FfmpegMediaTools.h"
#include "library/linux/WorkerThreadTasks.h"
#include "platform/AppActivator.h"
#include "platform/AppTranslocation.h"
#include "platform/linux/LinuxSystemFacts.h"
#include "platform/linux/XdgAutostart.h"
#include "platform/linux/XdgWorkspace.h"
#include "signals/CachingAudioDecoder.h"
#include "signals/SoundLibrary.h"
#include "signals/linux/CanberraSoundPlayer.h"
#include "signals/linux/FfmpegAudioDecoder.h"
#include "signals/linux/PulseAudioEngine.h"
#include "silence/CommandLine.h"
#include "silence/CorvaleFocusFilter.h"
#include "silence/linux/DesktopDoNotDisturb.h"
#include "silence/linux/X11Keyboard.h"
#include "silence/linux/X11VirtualKey.h"
#include "store/RuleStore.h"
#include "store/linux/FileChangeWatcher.h"
#include "ui/menubar/StatusMenus.h"
#include "ui/menubar/views/DesktopSettings.h"
#include "ui/menubar/views/MenuPopovers.h"
#include "ui/menubar/views/TrayClicks.h"
#include "ui/settings/views/AddAppChooser.h"
#include "ui/settings/views/SoundChoosers.h"

#include "signals/ScreenFlash.h"
#include "ui/flash/QtOverlayHost.h"
#include "ui/render/RenderHarness.h"
#include "ui/settings/views/QtDialogs.h"
#include "ui/settings/views/SettingsPaneFactories.h"
#include "ui/tray/TrayStatusButton.h"

#include <QApplication>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>
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
    "\n"
    "Environment:\n"
    "  CORVALE_DEBUG_LOG=1   write a debug log to standard output and to\n"
    "                        $XDG_DATA_HOME/Corvale/corvale.log\n";

void focusSystemLog(const std::string& message) {
    systemLog(CorvaleFocusFilter::logSubsystem, CorvaleFocusFilter::logCategory, message);
}

int report(const CommandLine::Outcome& outcome) {
    if (!outcome.message.empty()) {
        std::printf("%s\n", outcome.message.c_str());
    }
    if (!outcome.error.empty()) {
        std::fprintf(stderr, "%s\n", outcome.error.c_str());
    }
    return outcome.exitCode;
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

// Another Corvale holds the session. It may be starting still: it takes its bus name only once
// it is ready to answer.
int openRunningInstance() {
    DbusBroadcast bus;
    return report(CommandLine::secondLaunch(
        [&bus](const std::string& method, const std::vector<std::string>& args) {
            return SessionBusName::call(bus.connection(), method, args, std::chrono::seconds(10));
        }));
}

bool environmentSet(const char* name) {
    const char* value = std::getenv(name);
    return value && *value;
}

// Overlays stay above other windows and ignore input only on X11, so in a Wayland session with
// XWayland the program runs on Qt's xcb platform. Without any display it runs headless (sounds
// only). An explicit QT_QPA_PLATFORM is left alone.
void choosePlatform() {
    if (environmentSet("QT_QPA_PLATFORM")) {
        return;
    }
    if (environmentSet("DISPLAY")) {
        setenv("QT_QPA_PLATFORM", "xcb", 1);
    } else if (!environmentSet("WAYLAND_DISPLAY")) {
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
    }
}

int runRender(int argc, char** argv, const std::string& folder) {
    // Drawn off screen, so it needs no session and shows nothing.
    if (!environmentSet("QT_QPA_PLATFORM")) {
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
    }
    QApplication app(argc, argv);
    std::vector<std::string> written;
    const int status = runRenderHarness(folder, &written);
    std::printf("corvale: wrote %zu images to %s\n", written.size(), folder.c_str());
    return status;
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
        if (lock.heldElsewhere()) {
            return openRunningInstance();
        }
        std::fprintf(stderr, "corvale: %s\n", lock.problem().c_str());
        return 1;
    }
    // Emptied before anything is logged, so the file keeps why a store was reset or migrated.
    debuglog::startFresh();

    if (auto legacy = paths::legacySupportFolder()) {
        RuleStore::migrateSupportDir(*legacy, *support, logLine);
    }

    choosePlatform();
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
    JsonFilePreferences preferences(JsonFilePreferences::defaultFile(*config), logLine, userNotice);
    FfmpegAudioDecoder decoder;
    CachingAudioDecoder alertSounds(decoder);
    PulseAudioEngine audioEngine(alertSounds);
    CanberraSoundPlayer namedSounds(namedSoundFolders);
    X11Keyboard keyboard;
    // The X session is over: end as on SIGTERM rather than live on without a desktop.
    keyboard.onDisplayLost([] {
        logLine("[x11] the display went away - quitting");
        QCoreApplication::quit();
    });

    AppDelegate delegate({scheduler, preferences, center, broadcast, bannerTree, decoder,
                          audioEngine, namedSounds, keyboard, focusSystemLog, userNotice},
                         {*support, soundDirs});
    XdgWorkspace workspace;
    bool quitAtStart = false;
    // No alert can be shown before the views exist: the check then lets the session go on.
    RelocationCheck relocation{runningExecutable(), nullptr, &workspace,
                               [&quitAtStart] { quitAtStart = true; }, logLine};
    delegate.setRelocationCheck(
        [&relocation] { return relocation.nudgeIfTranslocatedShouldQuit(); });
    QtOverlayHost overlayHost(logLine);
    ScreenFlash screenFlash(scheduler, overlayHost,
                            [&delegate] { return delegate.flashDefaults(); });
    delegate.setScreenFlash(&screenFlash);
    std::unique_ptr<TrayStatusButton> trayButton;
    delegate.createStatusButton = [&trayButton]() -> StatusButton* {
        trayButton = std::make_unique<TrayStatusButton>(logLine);
        return trayButton.get();
    };
    delegate.applicationDidFinishLaunching();
    if (quitAtStart) {
        return 0;
    }
    StatusMenus menus(delegate, preferences);
    menus.setupStatusItem();
    if (auto openSettings = desktopNotificationSettingsOpener()) {
        menus.configModel().onOpenNotifSettings = openSettings;
        menus.configModel().onOpenAccessibilitySettings = openSettings;
    }
    // The settings window: made on first use, then hidden and shown again. Set before the
    // popups are built, which offer its rows only when it can open.
    std::unique_ptr<SettingsWindowController> settingsWindow;
    QtDialogs dialogs([&settingsWindow]() -> QWidget* {
        return settingsWindow && settingsWindow->isVisible() ? settingsWindow.get() : nullptr;
    });
    XdgAutostart autostart(runningExecutable());
    settings::SettingsContext settingsContext{
        menus.configModel(), delegate.prefs(), center, dialogs, workspace, {}, {}};
    settingsContext.loginItems = &autostart;
    settingsContext.systemLog = [](const std::string& line) {
        systemLog("com.talvo.corvale", "login-item", line);
    };
    settingsContext.keyboardLayout = &keyboard;
    settingsContext.virtualKeyCode = [&keyboard](std::uint8_t code) {
        return keyboard.virtualKeyCode(code);
    };
    settingsContext.keysymVirtualKeyCode = &X11VirtualKey::virtualKeyCodeForKeysym;
    settingsContext.systemFacts = [] { return linuxSystemFacts(); };
    settingsContext.hotKeyRegistered = [&delegate](std::uint32_t id) {
        return delegate.hotKeyRegistered(id);
    };
    menus.connectSettings([&](const std::optional<PaneID>& pane) {
        if (!settingsWindow) {
            settingsWindow = std::make_unique<SettingsWindowController>(settingsContext,
                                                                        settingsPaneFactories());
        }
        settingsWindow->open(pane);
    });
    menus.connectAppOpener(
        [&workspace](const std::string& app) { return AppActivator(workspace).activate(app); },
        logLine);
    menus.configModel().onAddApp = [&menus, &workspace] {
        return settings::presentAddApp(menus.configModel(), workspace);
    };
    // Choosing a sound file and clipping a song; the worker joins its thread before the tools go,
    // and the choosers go before both.
    FfmpegMediaTools mediaTools;
    WorkerThreadTasks mediaTasks;
    SoundChoosers soundChoosers(
        {menus.configModel(), dialogs, decoder, mediaTools, mediaTasks, audioEngine, scheduler},
        CustomSoundStore::soundsFolder(*support), logLine);
    soundChoosers.sheetHost = [&settingsWindow]() -> QWidget* { return settingsWindow.get(); };
    soundChoosers.attach();
    MenuPopovers popovers(
        menus.configModel(), dialogs,
        {menus.initialLens(), [&menus](PopoverLens lens) { menus.chooseLens(lens); },
         [&delegate] { return delegate.prefs().accentTheme(); }},
        {[&menus] { return menus.snoozeMinutes(); },
         [&delegate] { return delegate.prefs().accentTheme(); }},
        [&trayButton] { return trayButton ? trayButton->trayIcon().geometry() : QRect(); });
    menus.attachHost(&popovers);
    if (trayButton) {
        connectTrayClicks(trayButton->trayIcon(), menus);
    }
    // Owned only now that the observers are in place: a command that finds the name is heard.
    SessionBusName busName(
        broadcast.connection(),
        programMethods(
            [&delegate](const std::optional<PaneID>& pane) { delegate.openSettings(pane); },
            [&delegate] { delegate.openDashboard(); }),
        logLine);
    broadcast.flush();
    // Hand edits of the rules apply without a restart; SIGHUP reloads them at once.
    FileChangeWatcher rulesWatcher(
        delegate.ruleStore().fileURL(), [&delegate] { delegate.rulesFileChanged(); }, logLine);
    quitOnSignals.onHangUp([&delegate] { delegate.reloadRules(); });
    DesktopDoNotDisturb doNotDisturb(
        [&delegate](bool on, bool initial) { delegate.desktopDoNotDisturbChanged(on, initial); },
        logLine);
    const int status = QApplication::exec();
    delegate.status().setButton(nullptr);
    // The audio threads stop and their undelivered results go before the objects they would
    // reach.
    audioEngine.shutdown();
    namedSounds.shutdown();
    return status;
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
