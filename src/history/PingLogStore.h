#pragma once

#include "history/PingRecord.h"
#include "store/VersionedJsonStore.h"

#include <chrono>
#include <deque>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace corvale {

// The recent-alert history in "pingHistory.json": oldest first, at most 50 records, none more
// than a day older than the newest.
class PingLogStore : public VersionedJsonStore {
public:
    static constexpr const char* fileName = "pingHistory.json";
    static constexpr size_t maxRetained = 50;
    static constexpr std::chrono::seconds maxAge{86'400};

    PingLogStore(std::filesystem::path fileURL, LogFn log);
    static std::filesystem::path defaultFileURL(const std::filesystem::path& supportFolder);

    const std::vector<PingRecord>& records() const { return records_; }

    // Appends one alert and saves; false when the name is blank (nothing recorded) or the save
    // failed. A non-empty uuid names the banner behind the alert, so the record can be withdrawn.
    bool record(std::string_view appName, TimePoint timestamp, std::optional<std::string> preview,
                std::string_view uuid = {});
    // Removes the record that the banner uuid produced, if it is still there; true without writing
    // when there is none.
    bool withdraw(std::string_view uuid);
    // Removes every record of one app, matched by name key; true without writing when none matched.
    bool forget(std::string_view appName);
    // Empties the history; writes only when there was something to clear.
    bool clear();

    // The retention rule: the age limit counts back from the newest record, not from now, and the
    // count limit keeps the last records in list order.
    static std::vector<PingRecord> pruned(std::vector<PingRecord> records, size_t maxRetained,
                                          Clock::duration maxAge);
    static std::vector<PingRecord> removingApp(std::string_view appName,
                                               std::vector<PingRecord> records);

protected:
    void installDecoded(const nlohmann::json& list) override;
    void checkDecodes(const nlohmann::json& list) const override;
    nlohmann::json encodeList() const override;
    void startEmpty() override { records_.clear(); }
    size_t count() const override { return records_.size(); }

private:
    void setRecords(std::vector<PingRecord> records);

    std::vector<PingRecord> records_;
    // The banners behind the latest records, newest last; only as many as records are kept.
    std::deque<std::pair<std::string, PingRecord>> producers_;
};

} // namespace corvale
