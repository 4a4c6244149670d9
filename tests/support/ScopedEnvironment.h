#pragma once

#include <cstdlib>
#include <initializer_list>
#include <map>
#include <optional>
#include <string>
#include <utility>

namespace corvale::test {

// Sets environment variables of this process (nullopt removes one) and puts every variable it
// touched back as it was when it goes.
class ScopedEnvironment {
public:
    ScopedEnvironment() = default;
    explicit ScopedEnvironment(
        std::initializer_list<std::pair<const std::string, std::optional<std::string>>> values) {
        for (const auto& [name, value] : values) {
            set(name, value);
        }
    }
    ~ScopedEnvironment() {
        for (const auto& [name, value] : saved_) {
            apply(name, value);
        }
    }
    ScopedEnvironment(const ScopedEnvironment&) = delete;
    ScopedEnvironment& operator=(const ScopedEnvironment&) = delete;

    void set(const std::string& name, const std::optional<std::string>& value) {
        if (!saved_.contains(name)) {
            const char* old = std::getenv(name.c_str());
            saved_[name] = old ? std::optional<std::string>(old) : std::nullopt;
        }
        apply(name, value);
    }

private:
    static void apply(const std::string& name, const std::optional<std::string>& value) {
        value ? setenv(name.c_str(), value->c_str(), 1) : unsetenv(name.c_str());
    }

    std::map<std::string, std::optional<std::string>> saved_;
};

} // namespace corvale::test
