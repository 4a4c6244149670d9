#pragma once

// The config model as the program builds it: over the four stores, with the program's file names,
// in a temporary folder, each loaded as at start-up. Everything the stores and the model log is
// recorded.

#include "core/NotificationCenter.h"
#include "detect/ObservedAppsStore.h"
#include "history/PingLogStore.h"
#include "library/CustomSoundStore.h"
#include "store/RuleStore.h"
#include "support/LogRecorder.h"
#include "support/ManualScheduler.h"
#include "support/TempDir.h"
#include "ui/menubar/ConfigModel.h"

#include <memory>
#include <string>
#include <vector>

namespace corvale::test {

struct ModelStores {
    TempDir dir;
    LogRecorder log;
    RuleStore rules{RuleStore::defaultFileURL(dir.path()), log.fn()};
    CustomSoundStore sounds{CustomSoundStore::defaultFileURL(dir.path()), log.fn()};
    ObservedAppsStore observed{ObservedAppsStore::defaultFileURL(dir.path()), log.fn()};
    PingLogStore pings{PingLogStore::defaultFileURL(dir.path()), log.fn()};
    NotificationCenter center;
    ManualScheduler scheduler;
    std::unique_ptr<ConfigModel> model;

    // `play` stands in for the sound player; `soundNames` are the built-in sounds offered.
    explicit ModelStores(
        ConfigModel::SoundRun play = [](const Rule&, const ObservedNotification&) {},
        std::vector<std::string> soundNames = {"Submarine"}) {
        rules.load();
        sounds.load();
        observed.load();
        pings.load();
        model = std::make_unique<ConfigModel>(ConfigModel::Stores{rules, sounds, observed, pings},
                                              std::move(play), std::move(soundNames), center,
                                              scheduler, log.fn());
    }
    ModelStores(const ModelStores&) = delete;
    ModelStores& operator=(const ModelStores&) = delete;

    // The rules as the next start would read them from the file.
    std::vector<Rule> rulesOnDisk() const {
        RuleStore disk(RuleStore::defaultFileURL(dir.path()), nullptr);
        disk.load();
        return disk.rules();
    }
};

} // namespace corvale::test
