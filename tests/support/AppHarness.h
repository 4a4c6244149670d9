#pragma once

#include "app/AppDelegate.h"
#include "support/FakeAudio.h"
#include "support/FakeHotKeyService.h"
#include "support/InMemoryBannerTree.h"
#include "support/InMemoryBroadcast.h"
#include "support/LogRecorder.h"
#include "support/ManualScheduler.h"
#include "support/TempDir.h"

#include <memory>

namespace corvale::test {

// The application object on fakes of every port: a manual clock, preferences in memory, an
// in-memory banner tree, audio that records what it was asked to play.
struct AppHarness {
    TempDir dir;
    ManualScheduler scheduler;
    InMemoryPreferences preferences;
    NotificationCenter center;
    InMemoryBroadcast broadcast;
    InMemoryBannerTree tree;
    FakeAudioDecoder decoder;
    FakeAudioEngine engine;
    FakeNamedSoundPlayer namedSounds;
    FakeHotKeyService hotKeyService;
    LogRecorder log;
    LogRecorder systemLog;
    LogRecorder notices;
    std::unique_ptr<AppDelegate> app;

    // Lays rules and alerts down in the application's files, as an earlier run would have left
    // them; the application reads them when it is created.
    void seedRules(const std::vector<Rule>& rules) {
        RuleStore onDisk(RuleStore::defaultFileURL(dir / "Corvale"), nullptr);
        onDisk.load();
        for (const auto& rule : rules) {
            onDisk.upsert(rule);
        }
    }
    void seedAlert(const std::string& appName, TimePoint when) {
        PingLogStore onDisk(PingLogStore::defaultFileURL(dir / "Corvale"), nullptr);
        onDisk.load();
        onDisk.record(appName, when, std::nullopt);
    }

    // Creates the application object (stores loaded) with one built-in tone, "Submarine".
    void create() {
        writeFile(dir / "tones" / "Submarine.wav", "");
        AppServices services{scheduler,     preferences,    center,      broadcast,
                             tree,          decoder,        engine,      namedSounds,
                             hotKeyService, systemLog.fn(), notices.fn()};
        app = std::make_unique<AppDelegate>(services, AppFolders{dir / "Corvale", {dir / "tones"}},
                                            log.fn());
    }

    // Runs the start-up and connects the model's hooks that lead to the application object, as
    // the desktop session does.
    void launch() {
        app->applicationDidFinishLaunching();
        app->configModel()->setHooks(app->modelHooks());
    }
};

} // namespace corvale::test
