#pragma once

#include "core/linux/SessionBusName.h"

#include <functional>
#include <string>
#include <vector>

namespace corvale {

class ConfigModel;

// `corvale rules ...` (the words after "rules"): reads and changes the rules through the running
// Corvale's bus methods, or, when none runs, through the same methods over a model of the command's
// own on the files. Returns the process's exit status.
int runRulesCommand(const std::vector<std::string>& words);

// The methods that serve the command, over the model `modelOf` gives (none while starting).
SessionBusName::Methods rulesMethods(std::function<ConfigModel*()> modelOf);

} // namespace corvale
