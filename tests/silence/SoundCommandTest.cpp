#include "silence/SoundCommand.h"

#include <gtest/gtest.h>

#include <limits>

using namespace corvale;

TEST(SoundCommand, decodesExactlyTheFourWireForms) {
    struct Case {
        std::optional<std::string> payload;
        std::optional<SoundCommand> expected;
    };
    const std::vector<Case> cases = {
        {"mute", SoundCommand::mute()},
        {"unmute", SoundCommand::unmute()},
        {"resume", SoundCommand::resume()},
        {"snooze:5", SoundCommand::snooze(5)},
        {"snooze:+5", SoundCommand::snooze(5)},
        {"snooze:-5", SoundCommand::snooze(-5)},
        {"snooze:0", SoundCommand::snooze(0)},
        {"snooze:5000", SoundCommand::snooze(5000)},
        {"snooze:007", SoundCommand::snooze(7)},
        {"snooze:9223372036854775807", SoundCommand::snooze(std::numeric_limits<int64_t>::max())},
        {"snooze:-9223372036854775808", SoundCommand::snooze(std::numeric_limits<int64_t>::min())},
        // Case-sensitive, no trimming.
        {"Mute", std::nullopt},
        {"MUTE", std::nullopt},
        {" mute", std::nullopt},
        {"mute\n", std::nullopt},
        {"Snooze:5", std::nullopt},
        // Only "snooze" with a whole number after one colon.
        {"snooze", std::nullopt},
        {"snooze:", std::nullopt},
        {"snooze:abc", std::nullopt},
        {"snooze:5x", std::nullopt},
        {"snooze: 5", std::nullopt},
        {"snooze:5 ", std::nullopt},
        {"snooze:5.5", std::nullopt},
        {"snooze:1e3", std::nullopt},
        {"snooze:+", std::nullopt},
        {"snooze:-", std::nullopt},
        {"snooze:+-5", std::nullopt},
        {"snooze::5", std::nullopt},
        {"snooze:5:6", std::nullopt},
        {":5", std::nullopt},
        {"mute:5", std::nullopt},
        {"snooze:\xEF\xBC\x95", std::nullopt}, // a full-width digit is not a decimal digit
        {"snooze:9223372036854775808", std::nullopt},
        {"snooze:99999999999999999999999", std::nullopt},
        {"", std::nullopt},
        {std::nullopt, std::nullopt},
        {std::string("mute\0", 5), std::nullopt},
    };
    for (const auto& c : cases) {
        const auto decoded = SoundCommand::fromPayload(c.payload);
        EXPECT_EQ(decoded, c.expected) << "payload: " << c.payload.value_or("<none>");
    }
}

TEST(SoundCommand, wireTextDecodesBackToTheSameCommand) {
    const std::vector<SoundCommand> commands = {
        SoundCommand::mute(),
        SoundCommand::unmute(),
        SoundCommand::resume(),
        SoundCommand::snooze(30),
        SoundCommand::snooze(-5),
        SoundCommand::snooze(0),
        SoundCommand::snooze(std::numeric_limits<int64_t>::min()),
    };
    for (const auto& command : commands) {
        EXPECT_EQ(SoundCommand::fromPayload(command.wireText()), command) << command.wireText();
    }
    EXPECT_EQ(SoundCommand::snooze(45).wireText(), "snooze:45");
    EXPECT_EQ(SoundCommand::mute().wireText(), "mute");
}
