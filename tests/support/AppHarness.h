#pragma once

#include "support/FakeAppPorts.h"
#include "support/LogRecorder.h"
#include "support/ManualScheduler.h"
#include "support/TempDir.h"

#include <memory>

namespace corvale::test {

// The application object on fakes of every port and a manual clock.
struct AppHarness : FakeAppPorts {
    TempDir dir;
    ManualScheduler scheduler;
    LogRecorder log;
    LogRecorder systemLog;
    LogRecorder notices;
    std::unique_ptr<AppDelegate> app;

    // Lays rules and alerts down in the application's files, as an earlier run would have left
    // them; the application reads them when it is created.
    void seedRules(const std::vector<Rule>& rules) { test::seedRules(dir / "Corvale", rules); }
    void seedAlert(const std::string& appName, TimePoint when) {
        PingLogStore onDisk(PingLogStore::defaultFileURL(dir / "Corvale"), nullptr);
        onDisk.load();
        onDisk.record(appName, when, std::nullopt);
    }

    // Creates the application object (stores loaded) with one built-in tone, "Submarine".
    void create() {
        writeFile(dir / "tones" / "Submarine.wav", "");
        app = std::make_unique<AppDelegate>(services(scheduler, systemLog.fn(), notices.fn()),
                                            AppFolders{dir / "Corvale", {dir / "tones"}}, log.fn());
    }

    // Runs the start-up and connects the model's hooks that lead to the application object, as
    // the desktop session does.
    void launch() {
        app->applicationDidFinishLaunching();
        app->configModel()->setHooks(app->modelHooks());
    }
};

} // namespace corvale::test
