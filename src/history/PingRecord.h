#pragma once

#include "core/Scheduler.h"

#include <nlohmann/json_fwd.hpp>
#include <optional>
#include <string>
#include <string_view>

namespace corvale {

// One alert the program acted on, as kept in the recent-alert history.
struct PingRecord {
    std::string appName;
    TimePoint timestamp;
    std::optional<std::string> preview;

    static constexpr int previewLimit = 140;

    // The first of the three texts that is not blank, on one line, cut to 140 user-perceived
    // characters plus "…"; none when all three are blank.
    static std::optional<std::string> previewText(std::string_view title, std::string_view subtitle,
                                                  std::string_view body);

    friend bool operator==(const PingRecord&, const PingRecord&) = default;
};

nlohmann::json toJson(const PingRecord& record);
// Throws DecodeError when the object is not a record (a missing key, a wrong type, a date in
// any form other than an internet date-time).
PingRecord pingRecordFromJson(const nlohmann::json& object);

} // namespace corvale
