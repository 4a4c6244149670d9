#include "silence/CorvaleFocusFilter.h"

#include "silence/FocusFilterState.h"

namespace corvale {

std::string CorvaleFocusFilter::displayRepresentation(bool silence) {
    return silence ? "Corvale: silenced" : "Corvale: active";
}

std::string CorvaleFocusFilter::performMessage(bool silence) {
    return std::string("Focus Filter perform: silence=") + (silence ? "true" : "false");
}

bool CorvaleFocusFilter::perform(bool silence, Preferences& defaults, Broadcast& broadcast,
                                 const LogFn& systemLog, FocusFilterState::Source source) {
    if (systemLog) {
        systemLog(performMessage(silence));
    }
    return FocusFilterState::apply(silence, defaults, broadcast, source);
}

} // namespace corvale
