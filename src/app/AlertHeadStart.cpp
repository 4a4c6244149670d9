#include "app/AlertHeadStart.h"

#include "signals/ActionRunner.h"

#include <utility>
#include <variant>

namespace corvale {

AlertHeadStart::AlertHeadStart(HeadStarts& headStarts, std::vector<std::filesystem::path> soundDirs)
    : headStarts_(headStarts), index_(std::move(soundDirs)),
      engine_([this]() -> const std::vector<Rule>& { return *resolving_; }, nullptr) {}

void AlertHeadStart::publish(const std::vector<Rule>& rules, const Facts& facts) {
    std::lock_guard lock(mutex_);
    if (*rules_ != rules) {
        rules_ = std::make_shared<const std::vector<Rule>>(rules);
    }
    facts_ = facts;
    if (++publications_ % recheckEvery == 0) {
        recheck_ = true;
    }
}

bool AlertHeadStart::seen(const ObservedNotification& notification) {
    Facts facts;
    bool recheck = false;
    {
        std::lock_guard lock(mutex_);
        facts = facts_;
        resolving_ = rules_;
        recheck = std::exchange(recheck_, false);
    }
    if (!facts.armed || !facts.roomToPlay) {
        return false;
    }
    const auto rule = engine_.resolve(notification);
    if (!rule || rule->useAppSound ||
        AlertDispatch::soundGate(*rule, notification, facts.silence) !=
            AlertDispatch::SoundGate::play) {
        return false;
    }
    std::filesystem::path path;
    if (const auto* file = std::get_if<SoundRef::File>(&rule->sound.value)) {
        path = file->url.path();
    } else if (const auto* builtin = std::get_if<SoundRef::Builtin>(&rule->sound.value)) {
        // The folders are looked at again every recheckEvery publications (some ten seconds):
        // a sound moved meanwhile fails to open as it would anyway, and a new one is left to
        // the dispatch until then.
        auto found = recheck ? index_.url(builtin->name) : index_.listedUrl(builtin->name);
        if (!found) {
            return false;
        }
        path = *found;
    } else {
        return false;
    }
    return headStarts_.start(notification.uuid, path.string(),
                             ActionRunner::gainFactor(rule->volume), ActionRunner::maxSoundSeconds);
}

} // namespace corvale
