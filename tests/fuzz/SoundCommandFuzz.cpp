// A broadcast's object as a sound command: anything decodes to at most one command, and every
// command's wire text decodes to that same command.

#include "FuzzSupport.h"

#include "silence/SoundCommand.h"

#include <charconv>

using namespace corvale;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string payload(fuzz::text(data, size));
    if (auto command = SoundCommand::fromPayload(payload)) {
        fuzz::expect(SoundCommand::fromPayload(command->wireText()) == command,
                     "a command's wire text decodes to the same command");
    }

    // A decimal either matches what the standard parser makes of the same digits, or is refused.
    if (auto value = SoundCommand::parseDecimal(payload)) {
        std::string_view digits = payload;
        const bool plus = !digits.empty() && digits.front() == '+';
        if (plus) {
            digits.remove_prefix(1);
        }
        std::int64_t expected = 0;
        auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), expected);
        fuzz::expect(error == std::errc() && end == digits.data() + digits.size(),
                     "only whole decimals are accepted");
        fuzz::expect(*value == expected, "a decimal keeps its value");
    }
    return 0;
}
