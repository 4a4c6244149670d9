#pragma once

#include "core/InstanceCall.h"
#include "core/Log.h"
#include "core/PaneID.h"
#include "core/linux/SdBusHandles.h"

#include <chrono>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <systemd/sd-bus.h>
#include <vector>

class QObject;

namespace corvale {

// The running program's name on the session bus, com.talvo.corvale, with its object
// /com/talvo/corvale: whoever owns the name is the Corvale of this session, so the command line
// can tell whether anyone will hear it, and another process can ask it to show a window. The
// object answers the methods of interface com.talvo.corvale given at creation; every other call
// gets the bus's usual unknown-method error.
class SessionBusName {
public:
    static constexpr const char* busName = "com.talvo.corvale";
    static constexpr const char* objectPath = "/com/talvo/corvale";
    static constexpr const char* interfaceName = "com.talvo.corvale";

    // What a call leads to: an error text sent back to the caller (as InvalidArgs), or an action.
    // The action runs from the event loop after the caller has its answer, so it may open
    // windows and dialogs without holding up the bus (nor the caller, who waits for the reply).
    struct Answer {
        // A refusal may still act: the program then does what it could instead.
        std::string error;
        std::function<void()> action;
        // Sent back as the reply's one text (signature "s"); none replies with nothing.
        std::optional<std::string> reply{};
    };
    struct Method {
        // The arguments' types: text only, one 's' per argument ("" for none).
        std::string signature;
        std::function<Answer(const std::vector<std::string>& args)> handle;
    };
    using Methods = std::map<std::string, Method>;

    // `bus` is an ordinary connection driven by the event loop (it must outlive this object).
    // The name is asked for at once; the answer comes through the event loop and is logged.
    SessionBusName(sd_bus* bus, Methods methods, LogFn log = {});
    ~SessionBusName();
    SessionBusName(const SessionBusName&) = delete;
    SessionBusName& operator=(const SessionBusName&) = delete;

    // Whether the bus has granted us the name (false until its answer came).
    bool owned() const { return owned_; }

    // Whether anyone owns the name on `bus`; none when the bus cannot be asked. Blocks.
    static std::optional<bool> hasOwner(sd_bus* bus);

    // Calls a method of the name's owner on `bus` and waits for the answer (its text, when it
    // answers with one, in the reply's value). Nobody owning the name
    // is "not running", unless an owner appears within `waitForOwner` (a program that is starting
    // owns the name only once it is ready). Never starts a program through bus activation. Blocks.
    static InstanceReply call(sd_bus* bus, const std::string& method,
                              const std::vector<std::string>& args,
                              std::chrono::milliseconds waitForOwner = {});

private:
    static int onMethodCall(sd_bus_message* m, void* self, sd_bus_error* error);
    static int onRequestReply(sd_bus_message* m, void* self, sd_bus_error* error);

    sd_bus* bus_;
    Methods methods_;
    LogFn log_;
    // Owns the actions that wait for the event loop, so none runs after this object is gone.
    std::unique_ptr<QObject> pending_;
    SlotPtr objectSlot_;
    SlotPtr requestSlot_;
    bool owned_ = false;
};

// The running program's methods: OpenSettings(s) with a pane key (empty for the first pane; text
// that names no pane is refused; an app that `appListed` does not know is refused too, and the
// apps are shown instead) and OpenDashboard().
SessionBusName::Methods
programMethods(std::function<void(const std::optional<PaneID>&)> openSettings,
               std::function<void()> openDashboard,
               std::function<bool(const std::string& app)> appListed = {});

} // namespace corvale
