#include "ui/settings/BuildInfo.h"

#include "core/Text.h"

#ifndef CORVALE_BUILD
#define CORVALE_BUILD "1"
#endif

namespace corvale {

BuildInfo BuildInfo::current() {
    BuildInfo info{CORVALE_VERSION, CORVALE_BUILD, std::nullopt};
#ifdef CORVALE_BUILD_CHANNEL
    info.channel = CORVALE_BUILD_CHANNEL;
#endif
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
