#pragma once

#include "core/FlashColor.h"
#include "core/Scheduler.h"
#include "signals/MenuBarIconStyle.h"
#include "signals/StatusButton.h"

#include <functional>
#include <map>
#include <optional>
#include <string>

namespace corvale {

// What the status icon reflects, read afresh on every update.
struct StatusInputs {
    std::function<bool()> isTrusted;
    // Whether the banner reader is attached to the notification server.
    std::function<bool()> isAttached;
    std::function<bool()> soundsEnabled;
    std::function<std::optional<TimePoint>()> snoozeDeadline;
    std::function<int()> unreadCount;
    std::function<long long()> detectedCount;
    // The stored "menuBarIconStyle".
    std::function<std::optional<std::string>()> iconStyleKey;
    // Whether Focus (the user's or the desktop's do-not-disturb) silences the rules that respect
    // it.
    std::function<bool()> focusSilencing;
};

// Decides what the status icon shows (glyph, unread badge), blinks it for an alert, and writes
// the dashboard's status line. Drawing is the button's business.
class StatusItemController {
public:
    static constexpr Millis blinkInterval{120};
    static constexpr int blinkTickCount = 6;
    static constexpr double dimOpacity = 0.2;

    static constexpr const char* needsPermissionSymbol = "exclamationmark.triangle";
    static constexpr const char* attachingSymbol = "hourglass";

    StatusItemController(Scheduler& scheduler, StatusInputs inputs);
    StatusItemController(const StatusItemController&) = delete;
    StatusItemController& operator=(const StatusItemController&) = delete;

    // The button of the status item once it is set up; none before (or after it went), and then
    // every operation here returns at once. A new button is drawn afresh at the next update.
    void setButton(StatusButton* button);

    // Recomputes glyph and badge and applies them when they changed (a badge is redrawn always).
    void updateStatus();
    // Blinks the icon in `color` (its normal colour when none): three dim and three bright
    // phases; a new blink restarts the sequence.
    void flashMenuBarIcon(std::optional<FlashColor> color);
    // Stops a running blink at once and draws the icon plain again.
    void endBlink();
    std::string statusText() const;

    // The glyph for a state, by precedence: missing permission, attaching, silenced, on.
    static std::string symbolFor(const MenuBarIconStyle& style, bool trusted, bool attached,
                                 bool soundsEnabled, std::optional<TimePoint> snoozeDeadline,
                                 TimePoint now);
    static std::string statusTextFor(bool trusted, std::optional<TimePoint> snoozeDeadline,
                                     TimePoint now, bool attached, long long detectedCount,
                                     bool focusSilencing = false);
    static constexpr const char* focusStatus =
        "\u263E Focus on - rules that respect Focus stay silent";

    const std::optional<std::string>& lastAppliedSymbol() const { return lastAppliedSymbol_; }
    const std::optional<std::string>& lastAppliedBadge() const { return lastAppliedBadge_; }
    int flashTicks() const { return flashTicks_; }
    // The item width per symbol without badge, measured once per symbol for the process.
    const std::map<std::string, double>& menuBarLengthCache() const { return menuBarLengthCache_; }
    bool isBlinking() const { return static_cast<bool>(flashTimer_); }

private:
    void blinkTick();
    void applyLength(const std::string& symbol, bool badged);

    Scheduler& scheduler_;
    StatusInputs inputs_;
    StatusButton* button_ = nullptr;
    std::optional<std::string> lastAppliedSymbol_;
    std::optional<std::string> lastAppliedBadge_;
    std::map<std::string, double> menuBarLengthCache_;
    Subscription flashTimer_;
    int flashTicks_ = 0;
};

} // namespace corvale
