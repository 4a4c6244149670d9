#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <variant>

namespace corvale {

using PrefValue = std::variant<bool, std::int64_t, double, std::string>;

// The user's preference store: typed values with a presence test.
class Preferences {
public:
    virtual ~Preferences() = default;
    virtual std::optional<PrefValue> value(const std::string& key) = 0;
    virtual void set(const std::string& key, const PrefValue& value) = 0;
    virtual void remove(const std::string& key) = 0;

    bool has(const std::string& key) { return value(key).has_value(); }

    // Typed reads: none when the key is absent or holds another kind of value.
    std::optional<bool> boolValue(const std::string& key);
    std::optional<std::int64_t> integerValue(const std::string& key);
    std::optional<double> doubleValue(const std::string& key);
    std::optional<std::string> textValue(const std::string& key);
};

// A preference store held in memory: the test fake, and the store of last resort.
class InMemoryPreferences : public Preferences {
public:
    std::optional<PrefValue> value(const std::string& key) override;
    void set(const std::string& key, const PrefValue& value) override;
    void remove(const std::string& key) override;

private:
    std::map<std::string, PrefValue> values_;
};

} // namespace corvale
