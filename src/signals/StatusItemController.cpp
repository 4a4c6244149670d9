#include "signals/StatusItemController.h"

#include "history/UnreadTally.h"
#include "silence/Snooze.h"

namespace corvale {

StatusItemController::StatusItemController(Scheduler& scheduler, StatusInputs inputs)
    : scheduler_(scheduler), inputs_(std::move(inputs)) {}

void StatusItemController::setButton(StatusButton* button) {
    if (button != button_) {
        lastAppliedSymbol_.reset();
        lastAppliedBadge_.reset();
    }
    button_ = button;
}

std::string StatusItemController::symbolFor(const MenuBarIconStyle& style, bool trusted,
                                            bool attached, bool soundsEnabled,
                                            std::optional<TimePoint> snoozeDeadline,
                                            TimePoint now) {
    if (!trusted) {
        return needsPermissionSymbol;
    }
    if (!attached) {
        return attachingSymbol;
    }
    if (!soundsEnabled || Snooze::isActive(snoozeDeadline, now)) {
        return style.mutedSymbol;
    }
    return style.onSymbol;
}

void StatusItemController::updateStatus() {
    if (!button_) {
        return;
    }
    const auto& style =
        MenuBarIconStyle::forKey(inputs_.iconStyleKey ? inputs_.iconStyleKey() : std::nullopt);
    const std::string symbol = symbolFor(
        style, inputs_.isTrusted && inputs_.isTrusted(), inputs_.isAttached && inputs_.isAttached(),
        !inputs_.soundsEnabled || inputs_.soundsEnabled(),
        inputs_.snoozeDeadline ? inputs_.snoozeDeadline() : std::nullopt, scheduler_.now());
    const std::string badge =
        UnreadTally::badgeLabel(inputs_.unreadCount ? inputs_.unreadCount() : 0);
    // A badged image is rebuilt every time: the badge's colours follow the current appearance.
    if (badge.empty() && symbol == lastAppliedSymbol_ && badge == lastAppliedBadge_) {
        return;
    }
    lastAppliedSymbol_ = symbol;
    lastAppliedBadge_ = badge;
    if (button_->setImage(symbol, badge) && button_->honoursWidth()) {
        applyLength(symbol, !badge.empty());
    }
}

void StatusItemController::applyLength(const std::string& symbol, bool badged) {
    if (badged) {
        button_->setLength(MenuBarLength::badged(button_->imageWidth()));
        return;
    }
    auto cached = menuBarLengthCache_.find(symbol);
    if (cached == menuBarLengthCache_.end()) {
        GlyphBitmap bitmap;
        std::vector<float> pixels;
        if (!button_->renderGlyph(symbol, bitmap, pixels)) {
            bitmap = GlyphBitmap{button_->imageWidth(), 0, 0, nullptr};
        }
        cached = menuBarLengthCache_.emplace(symbol, MenuBarLength::tight(bitmap)).first;
    }
    button_->setLength(cached->second);
}

void StatusItemController::flashMenuBarIcon(std::optional<FlashColor> color) {
    if (!button_) {
        return;
    }
    flashTimer_.reset();
    flashTicks_ = 0;
    button_->setTint(color);
    flashTimer_ = scheduler_.every(blinkInterval, [this] { blinkTick(); });
}

void StatusItemController::endBlink() {
    if (!flashTimer_) {
        return;
    }
    flashTimer_.reset();
    flashTicks_ = 0;
    if (button_) {
        button_->setOpacity(1.0);
        button_->setTint(std::nullopt);
    }
}

void StatusItemController::blinkTick() {
    if (!button_) {
        flashTimer_.reset();
        return;
    }
    ++flashTicks_;
    button_->setOpacity(flashTicks_ % 2 == 1 ? dimOpacity : 1.0);
    if (flashTicks_ >= blinkTickCount) {
        flashTimer_.reset();
        button_->setOpacity(1.0);
        button_->setTint(std::nullopt);
    }
}

std::string StatusItemController::statusTextFor(bool trusted,
                                                std::optional<TimePoint> snoozeDeadline,
                                                TimePoint now, bool attached,
                                                long long detectedCount, bool focusSilencing) {
    if (!trusted) {
        return "\u26A0\uFE0E Needs notification access permission";
    }
    if (auto label = Snooze::statusLabel(snoozeDeadline, now)) {
        return "\U0001F515 " + *label;
    }
    if (focusSilencing) {
        return focusStatus;
    }
    if (attached) {
        return "\u2713 Watching - " + std::to_string(detectedCount) + " detected";
    }
    return "\u2026 attaching";
}

std::string StatusItemController::statusText() const {
    return statusTextFor(inputs_.isTrusted && inputs_.isTrusted(),
                         inputs_.snoozeDeadline ? inputs_.snoozeDeadline() : std::nullopt,
                         scheduler_.now(), inputs_.isAttached && inputs_.isAttached(),
                         inputs_.detectedCount ? inputs_.detectedCount() : 0,
                         inputs_.focusSilencing && inputs_.focusSilencing());
}

} // namespace corvale
