#include "app/linux/RulesClient.h"

#include "app/RuleEdits.h"
#include "app/RulesCommand.h"
#include "app/linux/Launch.h"
#include "core/AtomicFile.h"
#include "core/Log.h"
#include "core/SupportPaths.h"
#include "core/linux/DbusBroadcast.h"
#include "core/linux/QtScheduler.h"
#include "core/linux/SystemLog.h"
#include "signals/SoundLibrary.h"

#include <cstdio>
#include <memory>

namespace corvale {

namespace {

using Answer = SessionBusName::Answer;
using Call = std::function<InstanceReply(const std::string&, const std::vector<std::string>&)>;

Answer answered(const std::string& error) {
    return {error, {}, std::nullopt};
}

int fail(const std::string& line, int status = 1) {
    // An error may quote a name from a notification or a file: written as plain text.
    std::fprintf(stderr, "%s\n", debuglog::plainText(line).c_str());
    return status;
}

// Why a call did not change anything, as one line.
std::string unanswered(const InstanceReply& reply) {
    switch (reply.status) {
    case InstanceReply::Status::refused:
        return "corvale: " + reply.detail;
    case InstanceReply::Status::notRunning:
        return "corvale: Corvale is not running; the command was not sent";
    case InstanceReply::Status::answered:
    case InstanceReply::Status::unreachable:
        break;
    }
    return "corvale: cannot reach the session bus; the command was not sent" +
           (reply.detail.empty() ? std::string() : " (" + reply.detail + ")");
}

// The stores and the model as the program makes them at start-up, for when it does not run.
struct DirectModel {
    explicit DirectModel(const std::filesystem::path& support)
        : rules(RuleStore::defaultFileURL(support), {}),
          sounds(CustomSoundStore::defaultFileURL(support), {}),
          observed(ObservedAppsStore::defaultFileURL(support), {}),
          pings(PingLogStore::defaultFileURL(support), {}) {
        for (VersionedJsonStore* store :
             std::initializer_list<VersionedJsonStore*>{&rules, &sounds, &observed, &pings}) {
            store->setNotice(userNotice);
            store->load();
        }
        model = std::make_unique<ConfigModel>(ConfigModel::Stores{rules, sounds, observed, pings},
                                              nullptr, SoundLibrary::names(builtinSoundFolders()),
                                              center, scheduler, LogFn());
    }
    RuleStore rules;
    CustomSoundStore sounds;
    ObservedAppsStore observed;
    PingLogStore pings;
    NotificationCenter center;
    QtScheduler scheduler;
    std::unique_ptr<ConfigModel> model;
};

bool writeOut(const std::string& file, const std::string& text) {
    if (file.empty() || file == "-") {
        return std::fwrite(text.data(), 1, text.size(), stdout) == text.size();
    }
    std::string error;
    if (!writeFileAtomically(file, text, error)) {
        fail("corvale: " + error);
        return false;
    }
    return true;
}

int perform(const RulesRequest& request, const std::string& importText, const Call& call,
            const std::string& directNote) {
    using Action = RulesRequest::Action;
    InstanceReply reply;
    switch (request.action) {
    case Action::add:
        reply = call(instancemethods::addApp,
                     {request.app, request.sound.value_or(""), request.volume.value_or("")});
        break;
    case Action::set:
        reply = call(instancemethods::setRule, {request.app, request.key, request.value});
        break;
    case Action::remove:
        reply = call(instancemethods::removeApp, {request.app});
        break;
    case Action::importRules:
        reply = call(instancemethods::importRules, {importText});
        break;
    default:
        reply = call(instancemethods::rules, {});
        break;
    }
    if (reply.status != InstanceReply::Status::answered) {
        return fail(unanswered(reply));
    }
    if (request.action == Action::add || request.action == Action::set ||
        request.action == Action::remove || request.action == Action::importRules) {
        if (request.action == Action::importRules) {
            std::printf("corvale: imported the rules of %s; the rules replaced are kept in %s\n",
                        request.file.c_str(), reply.value.c_str());
        }
        if (!directNote.empty()) {
            std::printf("%s\n", directNote.c_str());
        }
        return 0;
    }
    auto decoded = RulesCommand::decode(reply.value);
    if (!decoded.error.empty()) {
        return fail("corvale: the rules in use do not decode: " + decoded.error);
    }
    const auto& rules = decoded.rules;
    if (request.action == Action::exportRules) {
        return writeOut(request.file, reply.value) ? 0 : 1;
    }
    if (request.action == Action::list) {
        return writeOut("",
                        request.json ? RulesCommand::jsonArray(rules) : RulesCommand::table(rules))
                   ? 0
                   : 1;
    }
    auto found = RuleEdits::findApp(rules, request.app);
    if (const auto* why = std::get_if<std::string>(&found)) {
        return fail("corvale: " + *why);
    }
    const auto& app = std::get<ConfigModel::App>(found);
    std::vector<Rule> own;
    if (app) {
        own = MenuModel::rulesForApp(*app, rules);
    } else if (auto fallback = MenuModel::defaultRule(rules)) {
        own.push_back(*fallback);
    }
    return writeOut("",
                    request.json ? RulesCommand::jsonArray(own) : RulesCommand::details(app, rules))
               ? 0
               : 1;
}

} // namespace

SessionBusName::Methods rulesMethods(std::function<ConfigModel*()> modelOf) {
    // The model exists once the start-up is done; the bus name is owned only after that.
    auto over = [modelOf](std::function<Answer(ConfigModel&, const std::vector<std::string>&)> fn) {
        return [modelOf, fn](const std::vector<std::string>& args) {
            ConfigModel* model = modelOf();
            return model ? fn(*model, args) : answered("Corvale is still starting; try again");
        };
    };
    SessionBusName::Methods methods;
    methods[instancemethods::rules] = {
        "", over([](ConfigModel& model, const std::vector<std::string>&) {
            return Answer{"", {}, RulesCommand::encode(model.rules())};
        })};
    methods[instancemethods::addApp] = {
        "sss", over([](ConfigModel& model, const std::vector<std::string>& args) {
            return answered(RuleEdits::add(model, args[0], args[1], args[2]));
        })};
    methods[instancemethods::setRule] = {
        "sss", over([](ConfigModel& model, const std::vector<std::string>& args) {
            return answered(RuleEdits::set(model, args[0], args[1], args[2]));
        })};
    methods[instancemethods::removeApp] = {
        "s", over([](ConfigModel& model, const std::vector<std::string>& args) {
            return answered(RuleEdits::remove(model, args[0]));
        })};
    methods[instancemethods::importRules] = {
        "s", over([](ConfigModel& model, const std::vector<std::string>& args) {
            std::string kept;
            auto error = RuleEdits::importRules(model, args[0], kept);
            return error.empty() ? Answer{"", {}, kept} : answered(error);
        })};
    return methods;
}

int runRulesCommand(const std::vector<std::string>& words) {
    auto parsed = RulesCommand::parse(words);
    if (!parsed.request) {
        return fail(parsed.error, parsed.exitCode);
    }
    const auto& request = *parsed.request;
    if (request.action == RulesRequest::Action::help) {
        std::fputs(RulesCommand::usage, stdout);
        return 0;
    }
    std::string importText;
    if (request.action == RulesRequest::Action::importRules) {
        std::string error;
        if (!readWholeFile(request.file, importText, error)) {
            return fail("corvale: " + error);
        }
        // Checked here too, so the answer names the file and nothing is sent for a bad one.
        auto decoded = RulesCommand::decode(importText);
        if (!decoded.error.empty()) {
            return fail("corvale: " + request.file + " does not decode: " + decoded.error);
        }
    }
    DbusBroadcast bus([](const std::string&) {});
    if (SessionBusName::hasOwner(bus.connection()) == true) {
        return perform(
            request, importText,
            [&bus](const std::string& method, const std::vector<std::string>& args) {
                return SessionBusName::call(bus.connection(), method, args);
            },
            "");
    }
    auto support = paths::supportFolder();
    if (!support) {
        return fail("corvale: cannot find your data folder: set HOME or XDG_DATA_HOME");
    }
    DirectModel direct(*support);
    const auto methods = rulesMethods([&direct] { return direct.model.get(); });
    return perform(
        request, importText,
        [&methods, &direct](const std::string& method, const std::vector<std::string>& args) {
            Answer answer = methods.at(method).handle(args);
            if (!answer.error.empty()) {
                // No program holds the change in memory: what could not be written is not made.
                const auto& why = direct.rules.saveError();
                if (!why.empty()) {
                    answer.error = "could not write " + direct.rules.fileURL().string() + " (" +
                                   why + "); nothing was changed";
                }
                return InstanceReply{InstanceReply::Status::refused, answer.error, ""};
            }
            return InstanceReply{InstanceReply::Status::answered, "", answer.reply.value_or("")};
        },
        "corvale: Corvale is not running; " + direct.rules.fileURL().string() +
            " was edited directly");
}

} // namespace corvale
