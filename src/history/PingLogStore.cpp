#include "history/PingLogStore.h"

#include "core/Text.h"

#include <algorithm>
#include <nlohmann/json.hpp>

namespace corvale {

using nlohmann::json;

PingLogStore::PingLogStore(std::filesystem::path fileURL, LogFn log)
    : VersionedJsonStore({fileName, "pingHistory.corrupt.json", "records", "[pinglog]", " ping(s)"},
                         std::move(fileURL), std::move(log)) {}

std::filesystem::path PingLogStore::defaultFileURL(const std::filesystem::path& supportFolder) {
    return supportFolder / fileName;
}

bool PingLogStore::record(std::string_view appName, TimePoint timestamp,
                          std::optional<std::string> preview, std::string_view uuid) {
    auto name = trimmed(appName);
    if (name.empty()) {
        return false;
    }
    // Microsecond precision, so the seen-through mark (seconds in a double) equals it exactly.
    auto stamp = std::chrono::floor<std::chrono::microseconds>(timestamp);
    records_.push_back({std::move(name), TimePoint(stamp), std::move(preview)});
    if (!uuid.empty()) {
        producers_.emplace_back(std::string(uuid), records_.back());
        if (producers_.size() > maxRetained) {
            producers_.pop_front();
        }
    }
    records_ = pruned(std::move(records_), maxRetained, maxAge);
    return save();
}

bool PingLogStore::withdraw(std::string_view uuid) {
    auto producer = std::find_if(producers_.begin(), producers_.end(),
                                 [&](const auto& entry) { return entry.first == uuid; });
    if (uuid.empty() || producer == producers_.end()) {
        return true;
    }
    const auto produced = std::move(producer->second);
    producers_.erase(producer);
    // Records equal in every field are interchangeable; the newest such one is taken.
    auto record = std::find(records_.rbegin(), records_.rend(), produced);
    if (record == records_.rend()) {
        return true;
    }
    records_.erase(std::next(record).base());
    return save();
}

bool PingLogStore::forget(std::string_view appName) {
    auto remaining = removingApp(appName, records_);
    if (remaining.size() == records_.size()) {
        return true;
    }
    records_ = std::move(remaining);
    return save();
}

bool PingLogStore::clear() {
    if (records_.empty()) {
        return true;
    }
    records_.clear();
    return save();
}

std::vector<PingRecord> PingLogStore::pruned(std::vector<PingRecord> records, size_t maxRetained,
                                             Clock::duration maxAge) {
    if (records.empty()) {
        return records;
    }
    auto newest = std::max_element(records.begin(), records.end(),
                                   [](const PingRecord& a, const PingRecord& b) {
                                       return a.timestamp < b.timestamp;
                                   })
                      ->timestamp;
    // A date read from a file may lie at the very start of the clock's range.
    auto cutoff = newest < TimePoint::min() + maxAge ? TimePoint::min() : newest - maxAge;
    std::erase_if(records, [&](const PingRecord& r) { return r.timestamp < cutoff; });
    if (records.size() > maxRetained) {
        records.erase(records.begin(), records.end() - static_cast<std::ptrdiff_t>(maxRetained));
    }
    return records;
}

std::vector<PingRecord> PingLogStore::removingApp(std::string_view appName,
                                                  std::vector<PingRecord> records) {
    auto key = nameKey(appName);
    if (key.empty()) {
        return records;
    }
    std::erase_if(records, [&](const PingRecord& r) { return nameKey(r.appName) == key; });
    return records;
}

namespace {

std::vector<PingRecord> recordsFromJson(const json& list) {
    std::vector<PingRecord> decoded;
    decoded.reserve(list.size());
    for (const auto& object : list) {
        decoded.push_back(pingRecordFromJson(object));
    }
    return decoded;
}

} // namespace

void PingLogStore::installDecoded(const json& list) {
    setRecords(recordsFromJson(list));
}

void PingLogStore::checkDecodes(const json& list) const {
    recordsFromJson(list);
}

json PingLogStore::encodeList() const {
    json list = json::array();
    for (const auto& record : records_) {
        list.push_back(toJson(record));
    }
    return list;
}

void PingLogStore::setRecords(std::vector<PingRecord> records) {
    // The stored names stay as they are; only blank ones go. The file shrinks at the next save.
    std::erase_if(records, [](const PingRecord& r) { return trimmed(r.appName).empty(); });
    records_ = pruned(std::move(records), maxRetained, maxAge);
}

} // namespace corvale
