// The arguments of a Notify or AddNotification call, as read off the bus, turned into a banner's
// texts: whatever a program sends, the texts are valid UTF-8 within their bounds and the name is
// trimmed.

#include "FuzzSupport.h"

#include "detect/linux/NotificationCall.h"

using namespace corvale;

namespace {

void expectSafe(const BannerTexts& texts) {
    fuzz::expect(fuzz::isValidUtf8(texts.appName) && fuzz::isValidUtf8(texts.title) &&
                     fuzz::isValidUtf8(texts.body),
                 "banner texts are valid UTF-8");
    fuzz::expect(fuzz::codePoints(texts.appName) <= notificationCall::maxAppNameCharacters,
                 "the app name stays within its bound");
    fuzz::expect(texts.title.size() <= notificationCall::maxTitleBytes,
                 "the title stays within its bound");
    fuzz::expect(texts.body.size() <= notificationCall::maxBodyBytes,
                 "the body stays within its bound");
    if (!texts.appName.empty()) {
        for (char edge : {texts.appName.front(), texts.appName.back()}) {
            fuzz::expect(edge != ' ' && edge != '\t' && edge != '\r' && edge != '\n',
                         "the app name is trimmed");
        }
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    // The first byte says which fields were read, the rest are the texts.
    const auto input = fuzz::text(data, size);
    const unsigned flags = input.empty() ? 0 : static_cast<unsigned char>(input[0]);
    const auto parts = fuzz::fields(input.empty() ? input : input.substr(1), 5);

    NotifyCall call;
    call.appNameRead = flags & 1;
    call.appName = std::string(parts[0]);
    call.summary = std::string(parts[1]);
    call.body = std::string(parts[2]);
    if (flags & 2) {
        call.stackTag = std::string(parts[3]);
        call.stackTagHint = notificationCall::stackTagHints[flags % 3];
    }
    call.hasProgressValue = flags & 4;
    const auto texts = notificationCall::textsOf(call);
    expectSafe(texts);
    fuzz::expect(call.appNameRead || texts.appName.empty(), "a name not read is no name");
    const auto hint = notificationCall::onScreenDisplayHint(call);
    fuzz::expect(hint.has_value() == (call.stackTag || call.hasProgressValue),
                 "only a stack tag or a progress value makes an on-screen display");

    GtkNotificationCall gtk;
    gtk.appIdRead = flags & 8;
    gtk.appId = std::string(parts[0]);
    gtk.id = std::string(parts[4]);
    gtk.title = std::string(parts[1]);
    gtk.body = std::string(parts[2]);
    expectSafe(notificationCall::textsOf(gtk));

    const auto key = notificationCall::gtkKey(parts[0], parts[4]);
    fuzz::expect(fuzz::isValidUtf8(key), "a replacement key is valid UTF-8");
    fuzz::expect(key.size() <= 2 * notificationCall::maxKeyPartBytes + 1,
                 "a replacement key stays within its bound");
    return 0;
}
