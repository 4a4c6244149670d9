#include "silence/SoundCommand.h"

#include <charconv>
#include <vector>

namespace corvale {

std::optional<std::int64_t> SoundCommand::parseDecimal(std::string_view text) {
    bool negative = false;
    if (!text.empty() && (text.front() == '+' || text.front() == '-')) {
        negative = text.front() == '-';
        text.remove_prefix(1);
    }
    if (text.empty()) {
        return std::nullopt;
    }
    for (char c : text) {
        if (c < '0' || c > '9') {
            return std::nullopt;
        }
    }
    // Parsed with its sign so that the most negative value still fits.
    std::string digits = negative ? "-" + std::string(text) : std::string(text);
    std::int64_t value = 0;
    auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), value);
    if (error != std::errc() || end != digits.data() + digits.size()) {
        return std::nullopt;
    }
    return value;
}

std::optional<SoundCommand> SoundCommand::fromPayload(const std::optional<std::string>& payload) {
    if (!payload) {
        return std::nullopt;
    }
    const std::string& text = *payload;
    if (text == "mute") {
        return mute();
    }
    if (text == "unmute") {
        return unmute();
    }
    if (text == "resume") {
        return resume();
    }
    std::vector<std::string_view> pieces;
    const std::string_view whole(text);
    const auto colon = whole.find(':');
    if (colon == std::string_view::npos) {
        pieces.push_back(whole);
    } else {
        pieces.push_back(whole.substr(0, colon));
        pieces.push_back(whole.substr(colon + 1));
    }
    std::erase_if(pieces, [](std::string_view piece) { return piece.empty(); });
    if (pieces.size() != 2 || pieces[0] != "snooze") {
        return std::nullopt;
    }
    auto minutes = parseDecimal(pieces[1]);
    if (!minutes) {
        return std::nullopt;
    }
    return snooze(*minutes);
}

std::string SoundCommand::wireText() const {
    switch (kind_) {
    case Kind::mute:
        return "mute";
    case Kind::unmute:
        return "unmute";
    case Kind::resume:
        return "resume";
    case Kind::snooze:
        return "snooze:" + std::to_string(minutes_);
    }
    return "";
}

} // namespace corvale
