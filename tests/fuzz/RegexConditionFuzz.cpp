// Any pattern against any notification text: a regular expression condition gives an answer
// within the match-step limit (libFuzzer's timeout reports one that does not) and never crashes.

#include "FuzzSupport.h"

#include "core/RuleEngine.h"

using namespace corvale;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const auto parts = fuzz::fields(fuzz::text(data, size), 4);
    ObservedNotification notification;
    notification.appName = "Fuzz";
    notification.title = std::string(parts[1]);
    notification.subtitle = std::string(parts[2]);
    notification.body = std::string(parts[3]);
    static const std::vector<Rule> none;
    RuleEngine engine([]() -> const std::vector<Rule>& { return none; }, [](const std::string&) {});
    const Condition condition{Condition::Type::regex, std::string(parts[0])};
    const bool passed = engine.conditionPasses(condition, notification);
    // The empty pattern matches everything, so the engine is not refusing every pattern.
    if (parts[0].empty()) {
        fuzz::expect(passed, "the empty pattern matches");
    }
    return 0;
}
