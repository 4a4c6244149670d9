#include "ui/settings/BuildInfo.h"

#include "core/BuildStamp.h"
#include "core/Text.h"

namespace corvale {

BuildInfo BuildInfo::current() {
    BuildInfo info{BuildStamp::version, BuildStamp::build, std::nullopt};
    if (*BuildStamp::channel != '\0') {
        info.channel = BuildStamp::channel;
    }
    return info;
}

std::string BuildInfo::versionLine() const {
    std::string shownChannel = channel ? trimmed(*channel) : std::string();
    if (shownChannel.empty()) {
        shownChannel = defaultChannel;
    }
    return version + " (" + build + ") \u00B7 " + shownChannel;
}

} // namespace corvale
