#pragma once

#include "app/AlertDispatch.h"
#include "core/ObservedNotification.h"
#include "core/Rule.h"
#include "core/RuleEngine.h"
#include "signals/HeadStarts.h"
#include "signals/SoundLibrary.h"

#include <filesystem>
#include <memory>
#include <mutex>
#include <vector>

namespace corvale {

// The bus thread's share of an alert: for a notification it has just read, the sound the main
// thread's dispatch is going to play, asked for at once. It decides with the dispatch's own rule
// engine and gates, from what the main thread last published; whatever it gets wrong (an edit a
// moment old) the dispatch corrects before the sound is heard. Only the plain case starts ahead:
// the reader attached, the sounds on, a rule's own built-in or file sound with room to play.
class AlertHeadStart {
public:
    // What the main thread knows that the decision needs.
    struct Facts {
        bool armed = false; // the reader announces new banners
        AlertDispatch::SilenceFacts silence;
        bool roomToPlay = false; // fewer sounds play than the runner allows
    };

    AlertHeadStart(HeadStarts& headStarts, std::vector<std::filesystem::path> soundDirs);
    AlertHeadStart(const AlertHeadStart&) = delete;
    AlertHeadStart& operator=(const AlertHeadStart&) = delete;

    // Main thread.
    void publish(const std::vector<Rule>& rules, const Facts& facts);
    // The thread that reads the bus: a notification as the reader will see it (its identifier,
    // app name, texts and sound hints). Returns whether its sound was asked for.
    bool seen(const ObservedNotification& notification);

private:
    HeadStarts& headStarts_;
    std::mutex mutex_;
    std::shared_ptr<const std::vector<Rule>> rules_ = std::make_shared<std::vector<Rule>>();
    Facts facts_;
    static constexpr unsigned recheckEvery = 10;
    unsigned publications_ = 0;
    bool recheck_ = false;
    // Used on the bus thread only.
    SoundLibrary::Index index_;
    std::shared_ptr<const std::vector<Rule>> resolving_;
    RuleEngine engine_;
};

} // namespace corvale
