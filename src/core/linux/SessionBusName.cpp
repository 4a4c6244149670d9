#include "core/linux/SessionBusName.h"

#include "core/PaneKey.h"
#include "core/linux/SdBusHandles.h"

#include <QMetaObject>
#include <QObject>
#include <cstring>
#include <thread>

namespace corvale {

SessionBusName::SessionBusName(sd_bus* bus, Methods methods, LogFn log)
    : bus_(bus), methods_(std::move(methods)), log_(std::move(log)),
      pending_(std::make_unique<QObject>()) {
    if (!bus_) {
        return;
    }
    int r = sd_bus_add_object(bus_, OutPtr(objectSlot_), objectPath, &SessionBusName::onMethodCall,
                              this);
    if (r >= 0) {
        // Without queueing: a second owner would mean a second Corvale, which must not wait in
        // line to take over silently.
        r = sd_bus_request_name_async(bus_, OutPtr(requestSlot_), busName, 0,
                                      &SessionBusName::onRequestReply, this);
    }
    if (r < 0 && log_) {
        log_(std::string("[bus] cannot ask for the name ") + busName + ": " + std::strerror(-r));
    }
}

SessionBusName::~SessionBusName() {
    requestSlot_.reset();
    objectSlot_.reset();
    if (owned_ && bus_ && sd_bus_is_open(bus_) > 0) {
        sd_bus_release_name_async(bus_, nullptr, busName, nullptr, nullptr);
    }
}

int SessionBusName::onRequestReply(sd_bus_message* m, void* userdata, sd_bus_error*) {
    auto* self = static_cast<SessionBusName*>(userdata);
    self->requestSlot_.reset();
    const sd_bus_error* error = sd_bus_message_get_error(m);
    std::uint32_t answer = 0;
    if (!error && sd_bus_message_read_basic(m, 'u', &answer) >= 0 &&
        (answer == 1 /* primary owner */ || answer == 4 /* already owner */)) {
        self->owned_ = true;
        if (self->log_) {
            self->log_(std::string("[bus] owns ") + busName);
        }
        return 0;
    }
    if (self->log_) {
        self->log_(std::string("[bus] could not own ") + busName + ": " +
                   (error && error->message ? error->message : "another program holds it"));
    }
    return 0;
}

int SessionBusName::onMethodCall(sd_bus_message* m, void* userdata, sd_bus_error*) {
    auto* self = static_cast<SessionBusName*>(userdata);
    const char* member = sd_bus_message_get_member(m);
    if (sd_bus_message_is_method_call(m, interfaceName, nullptr) <= 0 || !member) {
        return 0;
    }
    auto found = self->methods_.find(member);
    if (found == self->methods_.end()) {
        return 0;
    }
    // A copy: the method may replace this object's table while it runs.
    const Method method = found->second;
    const auto refuse = [m](const std::string& why) {
        const int r = sd_bus_reply_method_errorf(m, SD_BUS_ERROR_INVALID_ARGS, "%s", why.c_str());
        return r < 0 ? r : 1;
    };
    if (sd_bus_message_has_signature(m, method.signature.c_str()) <= 0) {
        return refuse(std::string(member) + " takes the arguments (" + method.signature + ")");
    }
    std::vector<std::string> args;
    for (size_t i = 0; i < method.signature.size(); ++i) {
        const char* text = nullptr;
        if (sd_bus_message_read_basic(m, 's', &text) < 0 || !text) {
            return refuse(std::string(member) + ": an argument cannot be read");
        }
        args.emplace_back(text);
    }
    Answer answer = method.handle ? method.handle(args) : Answer{};
    int r = 0;
    if (!answer.error.empty()) {
        r = sd_bus_reply_method_errorf(m, SD_BUS_ERROR_INVALID_ARGS, "%s", answer.error.c_str());
    } else if (answer.reply) {
        r = sd_bus_reply_method_return(m, "s", answer.reply->c_str());
    } else {
        r = sd_bus_reply_method_return(m, nullptr);
    }
    if (answer.action) {
        QMetaObject::invokeMethod(self->pending_.get(), std::move(answer.action),
                                  Qt::QueuedConnection);
    }
    return r < 0 ? r : 1;
}

std::optional<bool> SessionBusName::hasOwner(sd_bus* bus) {
    if (!bus) {
        return std::nullopt;
    }
    BusError error;
    MessagePtr reply;
    int owned = 0;
    const int r = sd_bus_call_method(bus, "org.freedesktop.DBus", "/org/freedesktop/DBus",
                                     "org.freedesktop.DBus", "NameHasOwner", &error.error,
                                     OutPtr(reply), "s", busName);
    if (r >= 0 && sd_bus_message_read_basic(reply.get(), 'b', &owned) >= 0) {
        return owned != 0;
    }
    return std::nullopt;
}

namespace {

bool ownerMissing(const sd_bus_error& error) {
    return sd_bus_error_has_name(&error, SD_BUS_ERROR_NAME_HAS_NO_OWNER) ||
           sd_bus_error_has_name(&error, SD_BUS_ERROR_SERVICE_UNKNOWN);
}

// An error the program itself sent back, as opposed to one of the bus or of our own connection.
bool answeredByProgram(const sd_bus_error& error) {
    if (!sd_bus_error_is_set(&error) || !error.name) {
        return false;
    }
    for (const char* local :
         {SD_BUS_ERROR_NO_REPLY, SD_BUS_ERROR_TIMEOUT, SD_BUS_ERROR_DISCONNECTED,
          SD_BUS_ERROR_NO_SERVER, SD_BUS_ERROR_NO_MEMORY}) {
        if (std::strcmp(error.name, local) == 0) {
            return false;
        }
    }
    return std::strncmp(error.name, "System.Error.", 13) != 0;
}

} // namespace

InstanceReply SessionBusName::call(sd_bus* bus, const std::string& method,
                                   const std::vector<std::string>& args,
                                   std::chrono::milliseconds waitForOwner) {
    using Status = InstanceReply::Status;
    if (!bus) {
        return {Status::unreachable, "no session bus", ""};
    }
    const auto deadline = std::chrono::steady_clock::now() + waitForOwner;
    for (;;) {
        MessagePtr message;
        int r = sd_bus_message_new_method_call(bus, OutPtr(message), busName, objectPath,
                                               interfaceName, method.c_str());
        if (r >= 0) {
            // A desktop's activation file must not start a second program to answer.
            r = sd_bus_message_set_auto_start(message.get(), 0);
        }
        for (const auto& arg : args) {
            if (r >= 0) {
                r = sd_bus_message_append_basic(message.get(), 's', arg.c_str());
            }
        }
        if (r < 0) {
            return {Status::unreachable, std::string("cannot make the call: ") + std::strerror(-r),
                    ""};
        }
        BusError error;
        constexpr std::uint64_t answerMicros = 10'000'000;
        MessagePtr answer;
        r = sd_bus_call(bus, message.get(), answerMicros, &error.error, OutPtr(answer));
        InstanceReply result{Status::answered, "", ""};
        const char* text = nullptr;
        if (r >= 0 && sd_bus_message_has_signature(answer.get(), "s") > 0 &&
            sd_bus_message_read_basic(answer.get(), 's', &text) >= 0 && text) {
            result.value = text;
        }
        if (r < 0) {
            const std::string detail = error.text(r);
            if (ownerMissing(error.error)) {
                result = {Status::notRunning, detail, ""};
            } else if (answeredByProgram(error.error)) {
                result = {Status::refused, detail, ""};
            } else {
                result = {Status::unreachable, detail, ""};
            }
        }
        if (result.status != Status::notRunning || std::chrono::steady_clock::now() >= deadline) {
            return result;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
}

SessionBusName::Methods
programMethods(std::function<void(const std::optional<PaneID>&)> openSettings,
               std::function<void()> openDashboard,
               std::function<bool(const std::string& app)> appListed) {
    SessionBusName::Methods methods;
    methods[instancemethods::openSettings] = {
        "s",
        [openSettings, appListed](const std::vector<std::string>& args) -> SessionBusName::Answer {
            std::optional<PaneID> pane;
            if (!args[0].empty()) {
                pane = paneFromKey(args[0]);
                if (!pane) {
                    return {"no pane '" + args[0] + "'; the panes are " + paneKeyList(), {}};
                }
            }
            if (pane && pane->kind == PaneID::Kind::app && appListed && !appListed(pane->appName)) {
                const auto apps = PaneID::of(PaneID::Kind::allOtherApps);
                return {"no app '" + pane->appName +
                            "' is configured; the settings window opened on the apps list instead",
                        [openSettings, apps] { openSettings(apps); }};
            }
            return {"", [openSettings, pane] { openSettings(pane); }};
        }};
    methods[instancemethods::openDashboard] = {
        "", [openDashboard](const std::vector<std::string>&) -> SessionBusName::Answer {
            return {"", openDashboard};
        }};
    return methods;
}

} // namespace corvale
