#include "app/linux/Launch.h"

#include "app/linux/CommandClient.h"
#include "app/linux/DesktopSession.h"
#include "core/Log.h"
#include "core/SupportPaths.h"
#include "core/linux/InstallPaths.h"
#include "core/linux/QuitOnSignals.h"
#include "core/linux/SingleInstanceLock.h"
#include "signals/SoundLibrary.h"
#include "silence/GlobalShortcutMechanism.h"
#include "store/RuleStore.h"
#include "ui/render/RenderHarness.h"

#include <QApplication>
#include <cstdio>
#include <cstdlib>
#include <xcb/xcb.h>

namespace corvale {

namespace {

bool environmentSet(const char* name) {
    const char* value = std::getenv(name);
    return value && *value;
}

// Whether the X server named by DISPLAY takes a connection. XWayland refuses one while its
// authority is not yet in the environment (a service started early), and Qt's xcb platform would
// then abort the program.
bool displayAnswers() {
    xcb_connection_t* connection = xcb_connect(nullptr, nullptr);
    const bool answers = xcb_connection_has_error(connection) == 0;
    xcb_disconnect(connection);
    return answers;
}

// Overlays stay above other windows and ignore input only on X11, so in a Wayland session with
// XWayland the program runs on Qt's xcb platform. Without any display it runs headless (sounds
// only). An explicit QT_QPA_PLATFORM is left alone.
void choosePlatform() {
    if (environmentSet("QT_QPA_PLATFORM")) {
        return;
    }
    const bool wayland =
        isWaylandSession(std::getenv("XDG_SESSION_TYPE"), std::getenv("WAYLAND_DISPLAY"));
    if (environmentSet("DISPLAY")) {
        if (displayAnswers()) {
            setenv("QT_QPA_PLATFORM", "xcb", 1);
            return;
        }
        std::fprintf(stderr,
                     wayland ? "corvale: the X display %s refuses the connection; using Wayland "
                               "windows, without the screen flash\n"
                             : "corvale: the X display %s refuses the connection; running without "
                               "windows (sounds only)\n",
                     std::getenv("DISPLAY"));
    }
    // Without Qt's wayland plugin installed, windows are the one thing given up.
    setenv("QT_QPA_PLATFORM", wayland ? "wayland;offscreen" : "offscreen", 1);
}

} // namespace

std::vector<std::filesystem::path> builtinSoundFolders() {
    auto userSounds = paths::dataHome();
    return SoundLibrary::defaultDirs("/usr/share/sounds/freedesktop/stereo",
                                     userSounds ? std::optional(*userSounds / "sounds")
                                                : std::nullopt,
                                     installedDataFolder() / "sounds");
}

int runDesktop(int argc, char** argv) {
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
    // Wayland compositors match our windows to the installed desktop entry by this id.
    QGuiApplication::setDesktopFileName("com.talvo.corvale");
    QApplication::setQuitOnLastWindowClosed(false);
    quitOnSignals.attach();

    DesktopSession session({*support, *config, builtinSoundFolders(), runningExecutable()});
    quitOnSignals.onHangUp([&session] { session.reloadRules(); });
    return QApplication::exec();
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

} // namespace corvale
