#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace corvale {

// A command from automation that changes whether sounds play. It travels between processes as its
// wire text: "mute", "unmute", "resume" or "snooze:" followed by the minutes.
class SoundCommand {
public:
    enum class Kind { mute, unmute, resume, snooze };

    static SoundCommand mute() { return SoundCommand(Kind::mute, 0); }
    static SoundCommand unmute() { return SoundCommand(Kind::unmute, 0); }
    static SoundCommand resume() { return SoundCommand(Kind::resume, 0); }
    // The minutes stay as asked; the receiver brings them into the allowed span.
    static SoundCommand snooze(std::int64_t minutes) { return SoundCommand(Kind::snooze, minutes); }

    // Decodes a broadcast's object; none for no object and for any text that is not a command.
    static std::optional<SoundCommand> fromPayload(const std::optional<std::string>& payload);

    // An optional sign and then ASCII digits only, within the range of a 64-bit integer.
    static std::optional<std::int64_t> parseDecimal(std::string_view text);

    Kind kind() const { return kind_; }
    // The snooze span; 0 for the other kinds.
    std::int64_t minutes() const { return minutes_; }
    std::string wireText() const;

    friend bool operator==(const SoundCommand&, const SoundCommand&) = default;

private:
    SoundCommand(Kind kind, std::int64_t minutes) : kind_(kind), minutes_(minutes) {}

    Kind kind_;
    std::int64_t minutes_;
};

} // namespace corvale
