#include "detect/linux/NotificationCall.h"

#include "detect/linux/NotificationText.h"

namespace corvale::notificationCall {
namespace {

std::string trimmedAscii(std::string_view text) {
    const auto first = text.find_first_not_of(" \t\r\n");
    if (first == std::string_view::npos) {
        return {};
    }
    return std::string(text.substr(first, text.find_last_not_of(" \t\r\n") - first + 1));
}

} // namespace

BannerTexts textsWithEntryOf(const NotifyCall& call) {
    auto texts = textsOf(call);
    if (call.desktopEntry) {
        texts.entryName = boundedAppName(
            notificationText::lookUpDesktopEntryName(*call.desktopEntry).value_or(""));
    }
    if (texts.appName.empty()) {
        texts.appName = texts.entryName;
    }
    return texts;
}

std::string bannerIdentifier(std::string_view sender, std::uint64_t cookie) {
    return std::string(sender) + "#" + std::to_string(cookie);
}

BannerTexts textsOf(const NotifyCall& call) {
    BannerTexts texts;
    if (call.appNameRead) {
        texts.appName = trimmedAscii(boundedAppName(call.appName));
    }
    texts.title = notificationText::boundedBytes(call.summary, maxTitleBytes);
    texts.body = notificationText::boundedBytes(
        notificationText::plainText(std::string_view(call.body).substr(0, maxRawBodyBytes)),
        maxBodyBytes);
    return texts;
}

BannerTexts textsOf(const GtkNotificationCall& call) {
    BannerTexts texts;
    if (call.appIdRead) {
        texts.appName = trimmedAscii(boundedAppName(call.appId));
    }
    // These bodies are plain text already.
    texts.title = notificationText::boundedBytes(call.title, maxTitleBytes);
    texts.body = notificationText::boundedBytes(call.body, maxBodyBytes);
    return texts;
}

std::string boundedAppName(std::string_view name) {
    return notificationText::boundedCharacters(name, maxAppNameCharacters);
}

std::optional<std::string> onScreenDisplayHint(const NotifyCall& call) {
    if (call.stackTag) {
        return call.stackTagHint;
    }
    if (call.hasProgressValue) {
        return std::string("value");
    }
    return std::nullopt;
}

std::string gtkKey(std::string_view appId, std::string_view id) {
    return notificationText::boundedBytes(appId, maxKeyPartBytes) + '\n' +
           notificationText::boundedBytes(id, maxKeyPartBytes);
}

} // namespace corvale::notificationCall
