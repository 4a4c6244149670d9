#pragma once

#include "core/FlashColor.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace corvale {

// One card of the help tour: what a feature does and where it is set up.
struct HelpTopic {
    std::string id;
    // The symbol name of the card's glyph.
    std::string symbol;
    std::string title;
    std::string summary;
    std::string body;
    // A warning shown only while notification access is missing.
    std::optional<std::string> caveat;
};

namespace HelpCatalog {

// The tour, in the order the Help pane shows it.
const std::vector<HelpTopic>& topics();

} // namespace HelpCatalog

// The colour of a topic's symbol tile; a neutral grey for an id the tour does not have.
FlashColor helpTileColor(std::string_view topicId);

} // namespace corvale
