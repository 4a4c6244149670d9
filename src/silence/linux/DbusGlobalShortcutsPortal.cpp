#include "silence/linux/DbusGlobalShortcutsPortal.h"

#include "core/linux/SdBusEventSource.h"

#include <cstring>

namespace corvale {

namespace {

constexpr const char* portalName = "org.freedesktop.portal.Desktop";
constexpr const char* portalPath = "/org/freedesktop/portal/desktop";
constexpr const char* shortcutsInterface = "org.freedesktop.portal.GlobalShortcuts";
// A portal that does not answer is taken as offering nothing, rather than holding up start-up.
constexpr std::uint64_t probeTimeoutMicros = 3'000'000;

using Shortcut = GlobalShortcutsPortal::Shortcut;

int appendShortcuts(sd_bus_message* m, const std::vector<Shortcut>& shortcuts) {
    int r = sd_bus_message_open_container(m, 'a', "(sa{sv})");
    for (const auto& shortcut : shortcuts) {
        if (r >= 0) {
            r = sd_bus_message_open_container(m, 'r', "sa{sv}");
        }
        if (r >= 0) {
            r = sd_bus_message_append(m, "s", shortcut.id.c_str());
        }
        if (r >= 0) {
            r = shortcut.preferredTrigger.empty()
                    ? sd_bus_message_append(m, "a{sv}", 1, "description", "s",
                                            shortcut.description.c_str())
                    : sd_bus_message_append(m, "a{sv}", 2, "description", "s",
                                            shortcut.description.c_str(), "preferred_trigger", "s",
                                            shortcut.preferredTrigger.c_str());
        }
        if (r >= 0) {
            r = sd_bus_message_close_container(m);
        }
    }
    return r >= 0 ? sd_bus_message_close_container(m) : r;
}

// Reads a(sa{sv}) into shortcut ids and their trigger descriptions.
int readShortcuts(sd_bus_message* m, std::map<std::string, std::string>& triggers) {
    int r = sd_bus_message_enter_container(m, 'a', "(sa{sv})");
    while (r > 0 && (r = sd_bus_message_enter_container(m, 'r', "sa{sv}")) > 0) {
        const char* id = nullptr;
        std::string trigger;
        r = sd_bus_message_read(m, "s", &id);
        if (r >= 0) {
            r = sd_bus_message_enter_container(m, 'a', "{sv}");
        }
        while (r > 0 && (r = sd_bus_message_enter_container(m, 'e', "sv")) > 0) {
            const char* key = nullptr;
            r = sd_bus_message_read(m, "s", &key);
            if (r >= 0 && key && std::strcmp(key, "trigger_description") == 0) {
                const char* text = nullptr;
                r = sd_bus_message_read(m, "v", "s", &text);
                trigger = text ? text : "";
            } else if (r >= 0) {
                r = sd_bus_message_skip(m, "v");
            }
            if (r >= 0) {
                r = sd_bus_message_exit_container(m);
            }
        }
        if (r >= 0) {
            r = sd_bus_message_exit_container(m); // a{sv}
        }
        if (r >= 0) {
            r = sd_bus_message_exit_container(m); // the struct
        }
        if (r >= 0 && id) {
            triggers[id] = trigger;
        }
        if (r >= 0) {
            r = 1;
        }
    }
    return r < 0 ? r : sd_bus_message_exit_container(m);
}

// The Response's results: the session handle (a string or an object path) and the shortcuts.
struct Results {
    std::string session;
    bool hasShortcuts = false;
    std::map<std::string, std::string> triggers;
};

int readResults(sd_bus_message* m, Results& results) {
    int r = sd_bus_message_enter_container(m, 'a', "{sv}");
    while (r > 0 && (r = sd_bus_message_enter_container(m, 'e', "sv")) > 0) {
        const char* key = nullptr;
        r = sd_bus_message_read(m, "s", &key);
        const char* contents = nullptr;
        if (r >= 0) {
            r = sd_bus_message_peek_type(m, nullptr, &contents);
        }
        if (r >= 0 && key && std::strcmp(key, "session_handle") == 0 && contents &&
            (std::strcmp(contents, "s") == 0 || std::strcmp(contents, "o") == 0)) {
            const char* handle = nullptr;
            r = sd_bus_message_read(m, "v", contents, &handle);
            results.session = handle ? handle : "";
        } else if (r >= 0 && key && std::strcmp(key, "shortcuts") == 0 && contents &&
                   std::strcmp(contents, "a(sa{sv})") == 0) {
            r = sd_bus_message_enter_container(m, 'v', contents);
            if (r >= 0) {
                r = readShortcuts(m, results.triggers);
            }
            if (r >= 0) {
                r = sd_bus_message_exit_container(m);
            }
            results.hasShortcuts = !results.triggers.empty();
        } else if (r >= 0) {
            r = sd_bus_message_skip(m, "v");
        }
        if (r >= 0) {
            r = sd_bus_message_exit_container(m);
        }
        if (r >= 0) {
            r = 1;
        }
    }
    return r < 0 ? r : sd_bus_message_exit_container(m);
}

std::string busError(sd_bus_message* m) {
    const sd_bus_error* error = sd_bus_message_get_error(m);
    return error && error->message ? error->message : (error && error->name ? error->name : "");
}

} // namespace

DbusGlobalShortcutsPortal::DbusGlobalShortcutsPortal() {
    if (sd_bus_open_user(OutPtr(bus_)) < 0) {
        bus_.reset();
        offered_ = false;
        return;
    }
    const char* unique = nullptr;
    if (sd_bus_get_unique_name(bus_.get(), &unique) < 0 || !unique) {
        bus_.reset();
        offered_ = false;
        return;
    }
    // The portal names request and session objects after the caller: ":1.42" becomes "1_42".
    senderPath_ = unique + 1;
    for (char& c : senderPath_) {
        c = c == '.' ? '_' : c;
    }
    const std::string requests = std::string(portalPath) + "/request/" + senderPath_;
    const std::string sessions = std::string(portalPath) + "/session/" + senderPath_;
    sd_bus_add_match(bus_.get(), OutPtr(responses_),
                     ("type='signal',interface='org.freedesktop.portal.Request',member='Response',"
                      "path_namespace='" +
                      requests + "'")
                         .c_str(),
                     &DbusGlobalShortcutsPortal::onResponse, this);
    sd_bus_add_match(bus_.get(), OutPtr(portalSignals_),
                     (std::string("type='signal',interface='") + shortcutsInterface + "',path='" +
                      portalPath + "'")
                         .c_str(),
                     &DbusGlobalShortcutsPortal::onPortalSignal, this);
    sd_bus_add_match(bus_.get(), OutPtr(sessionClosed_),
                     ("type='signal',interface='org.freedesktop.portal.Session',member='Closed',"
                      "path_namespace='" +
                      sessions + "'")
                         .c_str(),
                     &DbusGlobalShortcutsPortal::onSessionClosed, this);
    probe();
    ownerWatch_ = std::make_unique<NameOwnerWatch>(
        bus_.get(), portalName, [this](const std::string& owner) { ownerChanged(owner); });
    ownerWatch_->watch();
    events_ = std::make_unique<SdBusEventSource>(
        bus_.get(), [](sd_bus_message*) {},
        [this] {
            // The bus itself is gone: nothing can be offered any more.
            offered_ = false;
            call_.reset();
            session_.clear();
            step_ = Step::idle;
        });
}

DbusGlobalShortcutsPortal::~DbusGlobalShortcutsPortal() {
    call_.reset();
    if (bus_ && !session_.empty()) {
        // Unanswered: the session ends with our connection anyway.
        sd_bus_call_method_async(bus_.get(), nullptr, portalName, session_.c_str(),
                                 "org.freedesktop.portal.Session", "Close", nullptr, nullptr, "");
    }
    ownerWatch_.reset();
    events_.reset();
}

void DbusGlobalShortcutsPortal::probe() {
    MessagePtr call;
    MessagePtr reply;
    BusError error;
    std::uint32_t version = 0;
    // Each handle is filled at the end of its own statement.
    int r = sd_bus_message_new_method_call(bus_.get(), OutPtr(call), portalName, portalPath,
                                           "org.freedesktop.DBus.Properties", "Get");
    if (r >= 0) {
        r = sd_bus_message_append(call.get(), "ss", shortcutsInterface, "version");
    }
    if (r >= 0) {
        r = sd_bus_call(bus_.get(), call.get(), probeTimeoutMicros, &error.error, OutPtr(reply));
    }
    if (r >= 0) {
        r = sd_bus_message_read(reply.get(), "v", "u", &version);
    }
    offered_ = r >= 0 && version > 0;
    if (events_) {
        events_->reschedule();
    }
}

void DbusGlobalShortcutsPortal::ownerChanged(const std::string& owner) {
    if (owner == owner_) {
        return;
    }
    const bool hadOwner = !owner_.empty();
    owner_ = owner;
    if (owner.empty()) {
        // The portal went away and our session with it.
        if (!session_.empty() || step_ != Step::idle) {
            sessionEnded();
        }
        return;
    }
    // A new portal: it may offer other interfaces, and holds no session of ours, including one
    // whose binding failed while no portal ran.
    probe();
    if ((hadOwner && !session_.empty()) ||
        (!shortcuts_.empty() && session_.empty() && step_ == Step::idle)) {
        sessionEnded();
    }
}

void DbusGlobalShortcutsPortal::sessionEnded() {
    call_.reset();
    session_.clear();
    step_ = Step::idle;
    if (listener_.sessionClosed) {
        listener_.sessionClosed();
    }
}

std::string DbusGlobalShortcutsPortal::nextRequestPath(std::string& token) {
    token = "corvale" + std::to_string(++requestCount_);
    return std::string(portalPath) + "/request/" + senderPath_ + "/" + token;
}

void DbusGlobalShortcutsPortal::bind(const std::vector<Shortcut>& shortcuts) {
    shortcuts_ = shortcuts;
    call_.reset();
    bound_ = {};
    if (!bus_) {
        return;
    }
    if (!session_.empty()) {
        // The new session reuses our token, so the old one must be gone first.
        step_ = Step::closing;
        const std::string old = std::exchange(session_, std::string());
        const int r = sd_bus_call_method_async(bus_.get(), OutPtr(call_), portalName, old.c_str(),
                                               "org.freedesktop.portal.Session", "Close",
                                               &DbusGlobalShortcutsPortal::onCallReply, this, "");
        if (r < 0) {
            fail(std::string("cannot close the old session: ") + std::strerror(-r));
        }
        return;
    }
    if (shortcuts_.empty()) {
        step_ = Step::idle;
        return;
    }
    createSession();
}

void DbusGlobalShortcutsPortal::createSession() {
    std::string token;
    requestPath_ = nextRequestPath(token);
    step_ = Step::creating;
    MessagePtr m;
    int r = sd_bus_message_new_method_call(bus_.get(), OutPtr(m), portalName, portalPath,
                                           shortcutsInterface, "CreateSession");
    if (r >= 0) {
        r = sd_bus_message_open_container(m.get(), 'a', "{sv}");
    }
    if (r >= 0) {
        r = sd_bus_message_append(m.get(), "{sv}{sv}", "handle_token", "s", token.c_str(),
                                  "session_handle_token", "s", sessionToken);
    }
    if (r >= 0) {
        r = sd_bus_message_open_container(m.get(), 'e', "sv");
    }
    if (r >= 0) {
        r = sd_bus_message_append(m.get(), "s", "shortcuts");
    }
    if (r >= 0) {
        r = sd_bus_message_open_container(m.get(), 'v', "a(sa{sv})");
    }
    if (r >= 0) {
        r = appendShortcuts(m.get(), shortcuts_);
    }
    for (int i = 0; i < 3 && r >= 0; ++i) {
        r = sd_bus_message_close_container(m.get());
    }
    if (r >= 0) {
        r = sd_bus_call_async(bus_.get(), OutPtr(call_), m.get(),
                              &DbusGlobalShortcutsPortal::onCallReply, this, 0);
    }
    if (r < 0) {
        fail(std::string("cannot ask for a session: ") + std::strerror(-r));
    }
}

void DbusGlobalShortcutsPortal::callBind() {
    std::string token;
    requestPath_ = nextRequestPath(token);
    step_ = Step::binding;
    MessagePtr m;
    int r = sd_bus_message_new_method_call(bus_.get(), OutPtr(m), portalName, portalPath,
                                           shortcutsInterface, "BindShortcuts");
    if (r >= 0) {
        r = sd_bus_message_append(m.get(), "o", session_.c_str());
    }
    if (r >= 0) {
        r = appendShortcuts(m.get(), shortcuts_);
    }
    if (r >= 0) {
        r = sd_bus_message_append(m.get(), "sa{sv}", "", 1, "handle_token", "s", token.c_str());
    }
    if (r >= 0) {
        r = sd_bus_call_async(bus_.get(), OutPtr(call_), m.get(),
                              &DbusGlobalShortcutsPortal::onCallReply, this, 0);
    }
    if (r < 0) {
        fail(std::string("cannot bind the shortcuts: ") + std::strerror(-r));
    }
}

void DbusGlobalShortcutsPortal::callList() {
    std::string token;
    requestPath_ = nextRequestPath(token);
    step_ = Step::listing;
    const int r = sd_bus_call_method_async(bus_.get(), OutPtr(call_), portalName, portalPath,
                                           shortcutsInterface, "ListShortcuts",
                                           &DbusGlobalShortcutsPortal::onCallReply, this, "oa{sv}",
                                           session_.c_str(), 1, "handle_token", "s", token.c_str());
    if (r < 0) {
        fail(std::string("cannot list the shortcuts: ") + std::strerror(-r));
    }
}

void DbusGlobalShortcutsPortal::fail(const std::string& why) {
    call_.reset();
    step_ = session_.empty() ? Step::idle : Step::bound;
    if (listener_.failed) {
        listener_.failed(why);
    }
}

int DbusGlobalShortcutsPortal::onCallReply(sd_bus_message* m, void* userdata, sd_bus_error*) {
    auto* self = static_cast<DbusGlobalShortcutsPortal*>(userdata);
    self->call_.reset();
    if (self->step_ == Step::closing) {
        // Closed, or already gone: either way the token is free.
        if (self->shortcuts_.empty()) {
            self->step_ = Step::idle;
        } else {
            self->createSession();
        }
        return 0;
    }
    if (sd_bus_message_is_method_error(m, nullptr)) {
        self->fail(busError(m));
        return 0;
    }
    // The request object is named by the reply; older portals chose their own path.
    const char* path = nullptr;
    if (sd_bus_message_read(m, "o", &path) >= 0 && path) {
        self->requestPath_ = path;
    }
    return 0;
}

int DbusGlobalShortcutsPortal::onResponse(sd_bus_message* m, void* userdata, sd_bus_error*) {
    auto* self = static_cast<DbusGlobalShortcutsPortal*>(userdata);
    const char* path = sd_bus_message_get_path(m);
    if (!path || self->requestPath_ != path) {
        return 0;
    }
    std::uint32_t response = 2;
    Results results;
    if (sd_bus_message_read(m, "u", &response) < 0 || readResults(m, results) < 0) {
        self->fail("unreadable answer from the desktop portal");
        return 0;
    }
    if (response != 0) {
        self->fail(response == 1 ? "the user cancelled" : "the desktop refused");
        return 0;
    }
    switch (self->step_) {
    case Step::creating:
        if (results.session.empty()) {
            self->fail("the desktop portal opened no session");
            return 0;
        }
        self->session_ = results.session;
        self->callBind();
        break;
    case Step::binding:
        self->bound_.triggers = results.triggers;
        self->bound_.setInDesktopSettings = !results.hasShortcuts;
        self->callList();
        break;
    case Step::listing:
        if (results.hasShortcuts) {
            self->bound_.triggers = results.triggers;
        }
        self->step_ = Step::bound;
        self->requestPath_.clear();
        if (self->listener_.bound) {
            self->listener_.bound(self->bound_);
        }
        break;
    default:
        break;
    }
    return 0;
}

int DbusGlobalShortcutsPortal::onPortalSignal(sd_bus_message* m, void* userdata, sd_bus_error*) {
    auto* self = static_cast<DbusGlobalShortcutsPortal*>(userdata);
    const char* session = nullptr;
    if (self->session_.empty() || sd_bus_message_read(m, "o", &session) < 0 || !session ||
        self->session_ != session) {
        return 0;
    }
    if (sd_bus_message_is_signal(m, shortcutsInterface, "Activated") > 0) {
        const char* id = nullptr;
        if (sd_bus_message_read(m, "s", &id) >= 0 && id && self->listener_.activated) {
            self->listener_.activated(id);
        }
    } else if (sd_bus_message_is_signal(m, shortcutsInterface, "ShortcutsChanged") > 0) {
        std::map<std::string, std::string> triggers;
        if (readShortcuts(m, triggers) >= 0) {
            self->bound_.triggers = triggers;
            if (self->step_ == Step::bound && self->listener_.bound) {
                self->listener_.bound(self->bound_);
            }
        }
    }
    return 0;
}

int DbusGlobalShortcutsPortal::onSessionClosed(sd_bus_message* m, void* userdata, sd_bus_error*) {
    auto* self = static_cast<DbusGlobalShortcutsPortal*>(userdata);
    const char* path = sd_bus_message_get_path(m);
    if (path && !self->session_.empty() && self->session_ == path) {
        self->sessionEnded();
    }
    return 0;
}

} // namespace corvale
