#pragma once

#include <optional>

namespace corvale {

// What one of the desktop's do-not-disturb sources has told.
struct DoNotDisturbReading {
    // None while the source is absent or has not answered.
    std::optional<bool> value;
    // Whether it has answered once, or knows that it never will.
    bool settled = false;
};

struct DoNotDisturbReport {
    bool on;
    // True once, for the first report.
    bool initial;
};

// The readings of the desktop's do-not-disturb sources, and the single switch they make together:
// any one of them on makes it on.
struct DoNotDisturbReadings {
    // The notification server's "Inhibited" property.
    DoNotDisturbReading serverInhibited;
    // dunst's "paused" property.
    DoNotDisturbReading dunstPaused;
    // xfce4-notifyd's /do-not-disturb setting.
    DoNotDisturbReading xfceDoNotDisturb;
    // GNOME's show-banners setting, where false is do-not-disturb.
    DoNotDisturbReading gnomeShowBanners;

    // None while no source has told anything.
    std::optional<bool> state() const;
    bool allSettled() const;

    // What to tell next, given what was told last (none before the first report). The first
    // report waits until every source has settled or `stillWaiting` ends; after it, only
    // changes are told.
    std::optional<DoNotDisturbReport> nextReport(bool stillWaiting,
                                                 std::optional<bool> lastReported) const;
};

} // namespace corvale
