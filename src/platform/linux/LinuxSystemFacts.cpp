#include "platform/linux/LinuxSystemFacts.h"

#include "core/AtomicFile.h"
#include "core/Text.h"

#include <map>
#include <sys/utsname.h>

namespace corvale {

namespace {

// A value in the file's shell-like syntax: quoted with " or ', backslash escapes in double quotes.
std::string unquoted(std::string_view value) {
    if (value.size() >= 2 && value.front() == '\'' && value.back() == '\'') {
        return std::string(value.substr(1, value.size() - 2));
    }
    if (value.size() >= 2 && value.front() == '"' && value.back() == '"') {
        value = value.substr(1, value.size() - 2);
        std::string out;
        for (size_t i = 0; i < value.size(); ++i) {
            if (value[i] == '\\' && i + 1 < value.size()) {
                ++i;
            }
            out += value[i];
        }
        return out;
    }
    return std::string(value);
}

} // namespace

std::string distributionName(std::string_view osRelease) {
    std::map<std::string, std::string> values;
    while (!osRelease.empty()) {
        auto end = osRelease.find('\n');
        auto line = osRelease.substr(0, end);
        osRelease = end == std::string_view::npos ? std::string_view{} : osRelease.substr(end + 1);
        auto equals = line.find('=');
        if (line.empty() || line.front() == '#' || equals == std::string_view::npos) {
            continue;
        }
        values.emplace(std::string(line.substr(0, equals)),
                       trimmed(unquoted(trimmed(line.substr(equals + 1)))));
    }
    // The block is one line of an e-mail: nothing from the file may break it.
    auto oneLine = [](std::string text) {
        for (auto& c : text) {
            if (static_cast<unsigned char>(c) < 0x20) {
                c = ' ';
            }
        }
        return validUtf8(text);
    };
    if (auto pretty = values.find("PRETTY_NAME");
        pretty != values.end() && !pretty->second.empty()) {
        return oneLine(pretty->second);
    }
    std::string name = values.contains("NAME") ? values["NAME"] : "";
    if (values.contains("VERSION") && !values["VERSION"].empty()) {
        name += (name.empty() ? "" : " ") + values["VERSION"];
    }
    return oneLine(name);
}

SystemFacts linuxSystemFacts(const std::filesystem::path& osRelease,
                             const std::filesystem::path& fallback) {
    SystemFacts facts;
    std::string contents;
    std::string error;
    if (readWholeFile(osRelease, contents, error) || readWholeFile(fallback, contents, error)) {
        facts.distribution = distributionName(contents);
    }
    struct utsname names {};
    if (uname(&names) == 0) {
        facts.kernel = names.release;
        facts.architecture = names.machine;
    }
    return facts;
}

} // namespace corvale
