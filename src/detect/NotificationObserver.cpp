#include "detect/NotificationObserver.h"

#include "core/AlertTrace.h"
#include "detect/BannerReading.h"

#include <unordered_set>
#include <vector>

namespace corvale {

NotificationObserver::NotificationObserver(BannerTree& tree, Scheduler& scheduler)
    : tree_(tree), scheduler_(scheduler) {}

void NotificationObserver::start() {
    pollMode_ = PollMode::idle;
    pollTimer_ = scheduler_.every(idleInterval, [this] { pollFire(); });
    attachIfPossible();
    healthTimer_ = scheduler_.every(healthInterval, [this] { attachIfPossible(); });
    launchToken_ = tree_.observeLaunches([this] { attachIfPossible(); });
    refusals_ = tree_.observeRefusals([this](const std::string& uuid) {
        if (onRefused && hasSeen(uuid)) {
            onRefused(uuid);
        }
    });
}

std::optional<int> NotificationObserver::currentNCPID() {
    auto pid = tree_.serverPid();
    if (pid && *pid > 0) {
        return pid;
    }
    return std::nullopt;
}

void NotificationObserver::attachIfPossible() {
    if (!tree_.isTrusted()) {
        return;
    }
    if (auto pid = currentNCPID()) {
        if (!isAttached() || ncPID_ != *pid) {
            teardownObserver();
            attach(*pid);
        }
    } else if (isAttached()) {
        teardownObserver();
        writeLog("[detach] NotificationCenter not running");
    }
}

void NotificationObserver::attach(int pid) {
    auto observer = tree_.observeChanges(pid, [this] { handleAXEvent(); });
    if (!observer) {
        writeLog("[attach] AXObserverCreate failed");
        return;
    }
    observer_ = std::move(observer);
    ncPID_ = pid;
    lastActivity_ = scheduler_.now();
    switchPoll(PollMode::fast);
    primed_ = false;
    scan(false, "prime");
    primed_ = true;
    writeLog("[attach] OK pid=" + std::to_string(pid) + " - primed " +
             std::to_string(seen_.size()) + " existing; live (poll idle 1.0s / fast 0.2s)");
}

void NotificationObserver::teardownObserver() {
    observer_.reset();
    ncPID_ = 0;
    primed_ = false;
}

void NotificationObserver::handleAXEvent() {
    lastActivity_ = scheduler_.now();
    switchPoll(PollMode::fast);
    scan(true, "event");
    afterDelay(firstRescanDelay, [this] { scan(true, "event+80"); });
    afterDelay(secondRescanDelay, [this] { scan(true, "event+250"); });
}

void NotificationObserver::afterDelay(Millis delay, std::function<void()> fn) {
    const auto key = nextDelayed_++;
    delayed_[key] = scheduler_.after(delay, [this, key, fn = std::move(fn)] {
        fn();
        delayed_.erase(key);
    });
}

void NotificationObserver::pollFire() {
    const auto wanted =
        scheduler_.now() < lastActivity_ + fastWindow ? PollMode::fast : PollMode::idle;
    if (wanted != pollMode_) {
        switchPoll(wanted);
    }
    scan(true, pollMode_ == PollMode::fast ? "poll-fast" : "poll-idle");
}

void NotificationObserver::switchPoll(PollMode mode) {
    if (mode == pollMode_) {
        return;
    }
    pollTimer_ = scheduler_.every(mode == PollMode::fast ? fastInterval : idleInterval,
                                  [this] { pollFire(); });
    pollMode_ = mode;
}

void NotificationObserver::scan(bool emit, const std::string& source) {
    if (ncPID_ == 0) {
        return;
    }
    std::vector<BannerElement> banners;
    collectBanners(tree_, tree_.applicationElement(ncPID_), 0, banners);
    std::vector<ObservedNotification> fresh;
    std::unordered_set<std::string> freshIds;
    for (auto banner : banners) {
        // Known banners are passed over before their texts are read: every change walks all
        // the banners on screen, and a screen can hold many unread ones. A banner listed twice
        // in one walk is still one banner.
        const auto uuid = axString(tree_, banner, "AXIdentifier").value_or("");
        if (uuid.empty()) {
            continue;
        }
        if (auto known = seen_.find(uuid); known != seen_.end()) {
            touch(known);
            continue;
        }
        if (!freshIds.insert(uuid).second) {
            continue;
        }
        auto n = extract(tree_, banner, scheduler_.now());
        n.uuid = uuid;
        fresh.push_back(std::move(n));
    }
    if (fresh.empty()) {
        return;
    }
    if (emit && primed_ && fresh.size() > historyReplayThreshold) {
        for (const auto& n : fresh) {
            record(n.uuid);
        }
        writeLog("[history-guard] " + std::to_string(fresh.size()) + " new banners in one " +
                 source + " scan (> 3)  - recorded, not emitted (NC history reveal)");
        return;
    }
    bool announced = false;
    for (const auto& n : fresh) {
        record(n.uuid);
        if (emit && primed_) {
            ++detectedCount_;
            announced = true;
            if (onNotification) {
                alertTrace::stage("reader: banner announced");
                onNotification(n);
            }
        }
    }
    if (announced) {
        lastActivity_ = scheduler_.now();
        switchPoll(PollMode::fast);
    }
}

void NotificationObserver::record(const std::string& uuid) {
    if (auto known = seen_.find(uuid); known != seen_.end()) {
        touch(known);
        return;
    }
    seen_.emplace(uuid, seenOrder_.insert(seenOrder_.end(), uuid));
    if (seenOrder_.size() > seenCap) {
        seen_.erase(seenOrder_.front());
        seenOrder_.pop_front();
    }
}

void NotificationObserver::touch(SeenIndex::iterator known) {
    seenOrder_.splice(seenOrder_.end(), seenOrder_, known->second);
}

void NotificationObserver::writeLog(const std::string& line) const {
    if (log) {
        log(line);
    }
}

} // namespace corvale
