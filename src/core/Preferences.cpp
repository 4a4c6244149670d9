#include "core/Preferences.h"

#include <cmath>
#include <limits>

namespace corvale {

std::optional<bool> Preferences::boolValue(const std::string& key) {
    auto v = value(key);
    if (v && std::holds_alternative<bool>(*v)) {
        return std::get<bool>(*v);
    }
    return std::nullopt;
}

std::optional<std::int64_t> Preferences::integerValue(const std::string& key) {
    auto v = value(key);
    if (!v) {
        return std::nullopt;
    }
    if (auto* i = std::get_if<std::int64_t>(&*v)) {
        return *i;
    }
    // A whole number written as 30.0 by another tool is still that number.
    if (auto* d = std::get_if<double>(&*v)) {
        if (std::isfinite(*d) && std::trunc(*d) == *d && std::fabs(*d) < 9.0e15) {
            return static_cast<std::int64_t>(*d);
        }
    }
    return std::nullopt;
}

std::optional<double> Preferences::doubleValue(const std::string& key) {
    auto v = value(key);
    if (!v) {
        return std::nullopt;
    }
    if (auto* d = std::get_if<double>(&*v)) {
        return *d;
    }
    if (auto* i = std::get_if<std::int64_t>(&*v)) {
        return static_cast<double>(*i);
    }
    return std::nullopt;
}

std::optional<std::string> Preferences::textValue(const std::string& key) {
    auto v = value(key);
    if (v && std::holds_alternative<std::string>(*v)) {
        return std::get<std::string>(*v);
    }
    return std::nullopt;
}

std::optional<PrefValue> InMemoryPreferences::value(const std::string& key) {
    auto found = values_.find(key);
    if (found == values_.end()) {
        return std::nullopt;
    }
    return found->second;
}

void InMemoryPreferences::set(const std::string& key, const PrefValue& value) {
    values_[key] = value;
}

void InMemoryPreferences::remove(const std::string& key) {
    values_.erase(key);
}

} // namespace corvale
