#pragma once

#include "app/AppDelegate.h"
#include "history/PingLogStore.h"
#include "store/RuleStore.h"
#include "support/FakeAudio.h"
#include "support/FakeHotKeyService.h"
#include "support/InMemoryBannerTree.h"
#include "support/InMemoryBroadcast.h"

#include <filesystem>
#include <vector>

namespace corvale::test {

// Every port of the application object but its clock, on fakes: preferences in memory, an
// in-memory banner tree, audio that records what it was asked to play. Tests pair it with the
// manual scheduler, benchmarks with the real one.
struct FakeAppPorts {
    InMemoryPreferences preferences;
    NotificationCenter center;
    InMemoryBroadcast broadcast;
    InMemoryBannerTree tree;
    FakeAudioDecoder decoder;
    FakeAudioEngine engine;
    FakeNamedSoundPlayer namedSounds;
    FakeHotKeyService hotKeyService;

    AppServices services(Scheduler& scheduler, LogFn systemLog, LogFn notices) {
        return {scheduler,         preferences, center,      broadcast,     tree,
                decoder,           engine,      namedSounds, hotKeyService, std::move(systemLog),
                std::move(notices)};
    }
};

// Lays rules down in the application's files under supportDir, as an earlier run would have left
// them; the application reads them when it is created.
inline void seedRules(const std::filesystem::path& supportDir, const std::vector<Rule>& rules) {
    RuleStore onDisk(RuleStore::defaultFileURL(supportDir), nullptr);
    onDisk.load();
    for (const auto& rule : rules) {
        onDisk.upsert(rule);
    }
}

} // namespace corvale::test
