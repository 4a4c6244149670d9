#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace corvale {

// A 128-bit identifier, written in the canonical upper-case 8-4-4-4-12 form.
struct Uuid {
    std::array<std::uint8_t, 16> bytes{};

    static Uuid random();
    static std::optional<Uuid> parse(std::string_view text);
    std::string str() const;

    friend bool operator==(const Uuid&, const Uuid&) = default;
    friend auto operator<=>(const Uuid&, const Uuid&) = default;
};

} // namespace corvale
